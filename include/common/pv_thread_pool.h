// A small pool of POSIX threads: queued tasks are handed to idle workers by a dispatcher thread
// that looks for work once per tick (500 ms unless the pool is told otherwise), one task per
// tick. The scan, thumbnail and export tasks run on TaskThread; the thumbnail task decodes its
// pictures on a pool (ThumbnailQueue).
//
// Use: construct, StartWorkers, StartDispatcher, AddTask as often as wanted, Shutdown before
// the pool is destroyed (the destructor shuts a running pool down itself).
//
// Locks: idleMutex before taskMutex (dispatcher); a worker's mutex before idleMutex (a worker
// registering as idle). The dispatcher hands a task over under the worker's mutex only after it
// has released both queue locks, so the orders never cross.
#pragma once

#include <pthread.h>

#include <deque>
#include <vector>

#include "common/task_thread.h"
#include "common/tqm_subject.h"

class PvThreadPool;

// One queued task; made by AddTask, deleted by the worker that ran it (or by the pool when it is
// destroyed without having run it; its data is the caller's and is never touched then).
struct PoolTask {
    void* data = nullptr;
    TaskCallback fn = nullptr;
};

struct PoolWorker {
    PoolWorker();
    ~PoolWorker();
    PoolWorker(const PoolWorker&) = delete;
    PoolWorker& operator=(const PoolWorker&) = delete;

    // The worker thread's body; arg is the PoolWorker. Runs every task handed over, registers
    // itself idle and waits while it has none, ends when told to quit (after the task it holds).
    static void* Run(void* arg);
    // Tells the worker to quit and waits for its thread to end.
    void Stop();

    void Lock() { pthread_mutex_lock(&mutex); }
    void Unlock() { pthread_mutex_unlock(&mutex); }
    void Wait() { pthread_cond_wait(&condition, &mutex); }
    void Signal() { pthread_cond_signal(&condition); }
    void RegisterIdle();
    void Join() { pthread_join(thread, nullptr); }
    pthread_t& Thread() { return thread; }

    PoolTask* task = nullptr;  // handed over by the dispatcher, guarded by mutex
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    bool quit = false;  // guarded by mutex
    pthread_t thread;
    PvThreadPool* pool = nullptr;
};

class PvThreadPool : public TqmSubject {
  public:
    explicit PvThreadPool(int workerCount, int tickMillis = 500);
    // Shuts a running pool down first; then frees the tasks that were never run.
    ~PvThreadPool() override;
    PvThreadPool(const PvThreadPool&) = delete;
    PvThreadPool& operator=(const PvThreadPool&) = delete;

    // Starts workerCount worker threads and registers them in workers (the pool owns them).
    // Returns the number started.
    int StartWorkers();
    // Starts the dispatcher thread (joinable, so that Shutdown can wait for it). False when it
    // runs already or cannot be started.
    bool StartDispatcher();
    // Queues fn(data) behind the tasks added before.
    void AddTask(TaskCallback fn, void* data);
    void PushIdleWorker(PoolWorker* worker);
    // Hands at most one task, the oldest, to one worker, the longest idle.
    void Dispatch();
    static void* DispatcherLoop(void* pool);
    // Ends the dispatcher first, so that nothing is handed to a worker that has stopped, then
    // stops every worker in the order started; each finishes the task it holds. Tasks still
    // queued are not run. Safe to call more than once.
    void Shutdown();

    int WorkerCount() const { return workerCount; }
    // Tasks not yet handed out.
    size_t PendingTasks();

  private:
    bool stop = false;  // guarded by stopMutex
    int workerCount;
    std::vector<PoolWorker*> workers;
    std::deque<PoolWorker*> idleWorkers;
    pthread_mutex_t idleMutex;
    std::deque<PoolTask*> tasks;
    pthread_mutex_t taskMutex;
    pthread_t dispatcher;
    bool dispatcherRunning = false;  // touched only by the thread that starts and shuts down
    int tickMillis;
    pthread_mutex_t stopMutex;
    pthread_cond_t stopCondition;
};
