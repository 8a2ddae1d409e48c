#include "common/task_thread.h"

std::atomic<int> TaskThread::alive{0};

TaskThread::TaskThread() : wxThread(wxTHREAD_DETACHED) {
    ++alive;
}

TaskThread::TaskThread(void* userData, TaskCallback run, TaskCallback onCreate,
                       TaskCallback onDestroy)
    : wxThread(wxTHREAD_DETACHED),
      userData(userData),
      run(run),
      onCreate(onCreate),
      onDestroy(onDestroy) {
    ++alive;
    if (this->onCreate != nullptr) this->onCreate(this->userData);
}

TaskThread::~TaskThread() {
    if (onDestroy != nullptr) onDestroy(userData);
    --alive;
}

int TaskThread::Alive() {
    return alive.load();
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
