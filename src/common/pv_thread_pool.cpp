#include "common/pv_thread_pool.h"

#include <time.h>

PoolWorker::PoolWorker() {
    pthread_mutex_init(&mutex, nullptr);
    pthread_cond_init(&condition, nullptr);
}

PoolWorker::~PoolWorker() {
    pthread_mutex_destroy(&mutex);
    pthread_cond_destroy(&condition);
}

void PoolWorker::RegisterIdle() {
    pool->PushIdleWorker(this);
}

void* PoolWorker::Run(void* arg) {
    PoolWorker* worker = static_cast<PoolWorker*>(arg);
    worker->Lock();
    for (;;) {
        // A task handed over is run even when the worker was told to quit at the same time:
        // once handed over it belongs to this worker alone.
        if (worker->task != nullptr) {
            PoolTask* task = worker->task;
            worker->task = nullptr;
            worker->Unlock();
            if (task->fn != nullptr) task->fn(task->data);
            delete task;
            worker->Lock();
            continue;
        }
        if (worker->quit) break;
        // Registered while the mutex is held, so the dispatcher's hand-over (under the same
        // mutex) cannot come before the wait begins; waiting only while there is neither a task
        // nor a quit request makes a spurious wake-up harmless (no second registration).
        worker->RegisterIdle();
        while (worker->task == nullptr && !worker->quit) worker->Wait();
    }
    worker->Unlock();
    return nullptr;
}

void PoolWorker::Stop() {
    Lock();
    quit = true;
    Signal();
    Unlock();
    Join();
}

PvThreadPool::PvThreadPool(int workerCount, int tickMillis)
    : workerCount(workerCount), tickMillis(tickMillis < 0 ? 0 : tickMillis) {
    pthread_mutex_init(&taskMutex, nullptr);
    pthread_mutex_init(&idleMutex, nullptr);
    pthread_mutex_init(&stopMutex, nullptr);
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&stopCondition, &attributes);
    pthread_condattr_destroy(&attributes);
}

PvThreadPool::~PvThreadPool() {
    Shutdown();
    for (PoolTask* task : tasks) delete task;
    tasks.clear();
    pthread_mutex_destroy(&taskMutex);
    pthread_mutex_destroy(&idleMutex);
    pthread_mutex_destroy(&stopMutex);
    pthread_cond_destroy(&stopCondition);
}

int PvThreadPool::StartWorkers() {
    if (!workers.empty()) return 0;
    for (int i = 0; i < workerCount; ++i) {
        PoolWorker* worker = new PoolWorker;
        worker->pool = this;
        if (pthread_create(&worker->Thread(), nullptr, PoolWorker::Run, worker) != 0) {
            delete worker;
            break;
        }
        workers.push_back(worker);
    }
    return static_cast<int>(workers.size());
}

bool PvThreadPool::StartDispatcher() {
    if (dispatcherRunning) return false;
    pthread_mutex_lock(&stopMutex);
    stop = false;
    pthread_mutex_unlock(&stopMutex);
    if (pthread_create(&dispatcher, nullptr, DispatcherLoop, this) != 0) return false;
    dispatcherRunning = true;
    return true;
}

void PvThreadPool::AddTask(TaskCallback fn, void* data) {
    PoolTask* task = new PoolTask;
    task->data = data;
    task->fn = fn;
    pthread_mutex_lock(&taskMutex);
    tasks.push_back(task);
    pthread_mutex_unlock(&taskMutex);
}

void PvThreadPool::PushIdleWorker(PoolWorker* worker) {
    pthread_mutex_lock(&idleMutex);
    idleWorkers.push_back(worker);
    pthread_mutex_unlock(&idleMutex);
}

void PvThreadPool::Dispatch() {
    PoolTask* task = nullptr;
    PoolWorker* worker = nullptr;
    pthread_mutex_lock(&idleMutex);
    if (!idleWorkers.empty()) {
        pthread_mutex_lock(&taskMutex);
        if (!tasks.empty()) {
            task = tasks.front();
            tasks.pop_front();
            worker = idleWorkers.front();
            idleWorkers.pop_front();
        }
        pthread_mutex_unlock(&taskMutex);
    }
    pthread_mutex_unlock(&idleMutex);
    if (task == nullptr) return;
    worker->Lock();
    worker->task = task;
    worker->Signal();
    worker->Unlock();
}

void* PvThreadPool::DispatcherLoop(void* arg) {
    PvThreadPool* pool = static_cast<PvThreadPool*>(arg);
    pthread_mutex_lock(&pool->stopMutex);
    while (!pool->stop) {
        pthread_mutex_unlock(&pool->stopMutex);
        pool->Dispatch();
        pthread_mutex_lock(&pool->stopMutex);
        if (pool->stop) break;
        // One tick, cut short by Shutdown.
        timespec until;
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_sec += pool->tickMillis / 1000;
        until.tv_nsec += static_cast<long>(pool->tickMillis % 1000) * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000000000L;
        }
        pthread_cond_timedwait(&pool->stopCondition, &pool->stopMutex, &until);
    }
    pthread_mutex_unlock(&pool->stopMutex);
    return nullptr;
}

void PvThreadPool::Shutdown() {
    if (dispatcherRunning) {
        pthread_mutex_lock(&stopMutex);
        stop = true;
        pthread_cond_signal(&stopCondition);
        pthread_mutex_unlock(&stopMutex);
        pthread_join(dispatcher, nullptr);
        dispatcherRunning = false;
    }
    for (PoolWorker* worker : workers) {
        worker->Stop();
        delete worker;
    }
    workers.clear();
    pthread_mutex_lock(&idleMutex);
    idleWorkers.clear();
    pthread_mutex_unlock(&idleMutex);
}

size_t PvThreadPool::PendingTasks() {
    pthread_mutex_lock(&taskMutex);
    const size_t count = tasks.size();
    pthread_mutex_unlock(&taskMutex);
    return count;
}
