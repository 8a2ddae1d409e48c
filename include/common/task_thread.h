// The program's one worker primitive and the events its workers send.
//
// A TaskThread is a detached thread that runs one plain function with one user-data pointer and
// then deletes itself. Workers never touch a window: they report by queueing wxThreadEvents
// (type wxEVT_THREAD) to the event handler their job names, with QueueEvent, which takes the
// event. A pointer travels in the event's typed payload (SetEventPointer / GetEventPointer), as
// the event's integer is too narrow for it; ownership of the pointed-to object passes with the
// event to the receiver.
#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <atomic>

// The type of the tasks: one untyped pointer, nothing returned.
typedef void (*TaskCallback)(void* userData);

// Ids of the worker events besides the scan's KindResultEvent, whose id is the RecoveryKind
// (0 to 10). Id 11 is not used.
enum WorkerEventId {
    // Payload: a new ScanRequest holding only grid and photos (the receiver deletes it);
    // string: "first:last", the inclusive 0-based record range whose thumbnails are ready.
    ID_THUMBNAIL_BATCH = 12,
    // Integer 0; once at the end of a thumbnail task.
    ID_THUMBNAILS_DONE = 13,
    // Integer 0; once at the end of an export task.
    ID_RECOVER_DONE = 14,
};

// Puts a pointer into the event's payload.
inline void SetEventPointer(wxThreadEvent& event, void* pointer) {
    event.SetPayload<void*>(pointer);
}

// The pointer in the event's payload, typed as the receiver knows it by the event's id. Only for
// events that carry one (the scan's results and the thumbnail batches).
template <class T>
T* GetEventPointer(const wxThreadEvent& event) {
    return static_cast<T*>(event.GetPayload<void*>());
}

class TaskThread : public wxThread {
  public:
    TaskThread();
    // Stores the values, then calls onCreate (when set) with userData on the calling thread.
    TaskThread(void* userData, TaskCallback run, TaskCallback onCreate = nullptr,
               TaskCallback onDestroy = nullptr);
    // Calls onDestroy (when set) with userData; runs on the thread that ends.
    ~TaskThread() override;

    void SetRunCallback(TaskCallback callback) { run = callback; }
    void SetCreateCallback(TaskCallback callback) { onCreate = callback; }
    void SetDestroyCallback(TaskCallback callback) { onDestroy = callback; }

    // Creates the thread with the default stack size and runs it. The thread object deletes
    // itself when its task returns; nobody may touch it after this call. When the system cannot
    // create or start a thread, the task runs here, on the calling thread, so that it still runs
    // exactly once and its events still come.
    static void Start(TaskThread* thread);

    // Runs the task on the calling thread and deletes the thread object: what Start does when no
    // thread can be had. The thread must not have been started.
    static void RunHere(TaskThread* thread);

    // How many task threads exist: made and not yet deleted. A thread counts until its object is
    // deleted, after which the toolkit itself waits for the rest of its end at shut-down.
    static int Alive();

  protected:
    ExitCode Entry() override;

  private:
    static std::atomic<int> alive;

    void* userData = nullptr;
    TaskCallback run = nullptr;
    TaskCallback onCreate = nullptr;
    TaskCallback onDestroy = nullptr;
};
