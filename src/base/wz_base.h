// Root of every reader, item and record class: a validity stamp that a checked access tests
// before members are read, so that a dangling or never-built object stops the process at once.
#pragma once

#include <cstddef>
#include <cstdint>

class WzBase {
  public:
    WzBase() : self_(this), stamp_(reinterpret_cast<std::uintptr_t>(this)) {}
    // A copy is a new object with its own address, so it gets its own stamp.
    WzBase(const WzBase&) : WzBase() {}
    WzBase& operator=(const WzBase&) { return *this; }
    // The store goes through a volatile access so that the compiler keeps it although the
    // object's lifetime ends here: a stale pointer must find the cleared address.
    virtual ~WzBase() { *static_cast<WzBase* volatile*>(&self_) = nullptr; }

    bool IsAlive() const {
        const WzBase* self = *static_cast<WzBase* const volatile*>(&self_);
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(self)) == stamp_;
    }

  private:
    WzBase* self_;
    std::uint64_t stamp_;
};

// Stops the process with an abnormal termination; never returns.
[[noreturn]] void WzFatal();

// Returns p when it points to a live object; stops the process otherwise.
template <class T>
T* CheckedPtr(T* p) {
    if (p == nullptr || !static_cast<const WzBase*>(p)->IsAlive()) WzFatal();
    return p;
}

// Deletes one object (or a container) and clears the caller's pointer. file and line name the
// caller for diagnostics and are not used further.
template <class T>
void TrackedDelete(const char* /*file*/, int /*line*/, T*& p) {
    if (p == nullptr) return;
    delete p;
    p = nullptr;
}

// Deletes an array made with array new (elements destroyed last to first) and clears the pointer.
template <class T>
void TrackedDeleteArray(const char* /*file*/, int /*line*/, T*& p) {
    if (p == nullptr) return;
    delete[] p;
    p = nullptr;
}

// Allocation registry, for diagnostics only: nothing in the system records into it.
// With line2 != 0, records "file:line:file2:line2:address" for the address; with line2 == 0,
// forgets it. Returns the number of live entries after the change.
long TrackAllocation(const char* file, int line, const char* file2, int line2, const void* address);
// Prints "leak obj num N" and every live entry, in ascending address order, to standard output.
void DumpLeaks();

void* TrackedMalloc(const char* file, int line, std::size_t size);
void* TrackedCalloc(const char* file, int line, std::size_t count, std::size_t size);
void TrackedFree(const char* file, int line, void* p);
char* TrackedStrdup(const char* file, int line, const char* text);
