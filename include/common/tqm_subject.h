// The observer pair through which the two screens switch to each other without knowing each
// other's class: a subject tells every attached observer an integer code, synchronously.
#pragma once

#include <cstdint>
#include <vector>

// Codes in use: NOTIFY_BACK, or the address of the Device to show.
typedef std::intptr_t TqmCode;
constexpr TqmCode NOTIFY_BACK = 0;

class TqmSubject;

class TqmObserver {
  public:
    virtual ~TqmObserver();
    virtual void Update(TqmSubject* subject, TqmCode code) = 0;
};

class TqmSubject {
  public:
    TqmSubject() = default;
    virtual ~TqmSubject();

    // Appends the observer; one attached twice is told twice. Observers are not owned.
    void Attach(TqmObserver* observer);
    // Removes every entry of the observer.
    void Detach(TqmObserver* observer);
    // Calls Update(this, code) on every observer in attachment order, on the calling thread.
    virtual void Notify(TqmCode code);

  private:
    std::vector<TqmObserver*> observers_;
};
