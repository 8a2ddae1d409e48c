#include "common/task_thread.h"

TaskThread::TaskThread() : wxThread(wxTHREAD_DETACHED) {}

TaskThread::TaskThread(void* userData, TaskCallback run, TaskCallback onCreate,
                       TaskCallback onDestroy)
    : wxThread(wxTHREAD_DETACHED),
      userData(userData),
      run(run),
      onCreate(onCreate),
      onDestroy(onDestroy) {
    if (this->onCreate != nullptr) this->onCreate(this->userData);
}

TaskThread::~TaskThread() {
    if (onDestroy != nullptr) onDestroy(userData);
}

void TaskThread::Start(TaskThread* thread) {
    if (thread == nullptr) return;
    // A thread that could not be created never runs, so the task runs here instead.
    if (thread->Create(0) != wxTHREAD_NO_ERROR) {
        RunHere(thread);
        return;
    }
    // Run only fails for a thread that is not fresh; from here on the thread owns itself and
    // may already be gone.
    thread->Run();
}

void TaskThread::RunHere(TaskThread* thread) {
    if (thread == nullptr) return;
    thread->Entry();
    delete thread;
}

wxThread::ExitCode TaskThread::Entry() {
    if (run != nullptr) run(userData);
    return nullptr;
}
