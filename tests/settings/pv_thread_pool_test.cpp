// The thread pool: hand-over order and rate, stopping, and a stress run (also under
// ThreadSanitizer) in which no task may be lost or run twice.
#include "common/pv_thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

typedef std::chrono::steady_clock Clock;

void Count(void* data) {
    static_cast<std::atomic<int>*>(data)->fetch_add(1);
}
void Nothing(void*) {}

// Waits until the predicate holds, at most the hang guard.
template <class Predicate>
bool WaitUntil(Predicate done, std::chrono::seconds limit = testing_support::kHangGuard) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Frees the task handed to a worker that has no thread, also when an assertion ends the test.
struct HandedTask {
    PoolWorker& worker;
    ~HandedTask() {
        delete worker.task;
        worker.task = nullptr;
    }
};

// Dispatch is driven by hand here, with workers that have no thread, so the hand-over itself
// can be watched.
TEST(PvThreadPoolTest, DispatchHandsOutOneTaskInOrderToTheLongestIdleWorker) {
    PvThreadPool pool(2);
    int a = 1, b = 2, c = 3;
    pool.AddTask(Nothing, &a);
    pool.AddTask(Nothing, &b);
    pool.AddTask(Nothing, &c);

    // Tasks but no idle worker: nothing moves.
    pool.Dispatch();
    EXPECT_EQ(pool.PendingTasks(), 3u);

    PoolWorker first, second;
    HandedTask firstTask{first}, secondTask{second};
    pool.PushIdleWorker(&first);
    pool.PushIdleWorker(&second);
    pool.Dispatch();
    ASSERT_NE(first.task, nullptr);
    EXPECT_EQ(first.task->data, &a);
    EXPECT_EQ(second.task, nullptr);
    EXPECT_EQ(pool.PendingTasks(), 2u);

    pool.Dispatch();
    ASSERT_NE(second.task, nullptr);
    EXPECT_EQ(second.task->data, &b);
    EXPECT_EQ(pool.PendingTasks(), 1u);

    // No idle worker left: the third stays queued.
    pool.Dispatch();
    EXPECT_EQ(pool.PendingTasks(), 1u);
}

TEST(PvThreadPoolTest, IdleWorkerWithoutTaskStaysIdle) {
    PvThreadPool pool(1);
    PoolWorker worker;
    HandedTask task{worker};
    pool.PushIdleWorker(&worker);
    pool.Dispatch();
    EXPECT_EQ(worker.task, nullptr);
    int x = 0;
    pool.AddTask(Nothing, &x);
    pool.Dispatch();  // the same worker is still registered and now gets the task
    ASSERT_NE(worker.task, nullptr);
    EXPECT_EQ(worker.task->data, &x);
}

TEST(PvThreadPoolTest, TasksRunInTheOrderAdded) {
    std::vector<int> order;
    std::mutex mutex;
    struct Job {
        std::vector<int>* order;
        std::mutex* mutex;
        int n;
    };
    static auto record = [](void* data) {
        Job* job = static_cast<Job*>(data);
        std::lock_guard<std::mutex> lock(*job->mutex);
        job->order->push_back(job->n);
    };
    std::vector<Job> jobs;
    for (int i = 0; i < 20; ++i) jobs.push_back({&order, &mutex, i});
    PvThreadPool pool(1, 1);  // one worker: the hand-over order is the run order
    ASSERT_EQ(pool.StartWorkers(), 1);
    for (Job& job : jobs)
        pool.AddTask(
            +[](void* d) { record(d); }, &job);
    ASSERT_TRUE(pool.StartDispatcher());
    EXPECT_TRUE(WaitUntil([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return order.size() == jobs.size();
    }));
    pool.Shutdown();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(order.at(i), i);
}

TEST(PvThreadPoolTest, WorkerToldToStopFinishesItsTask) {
    std::atomic<bool> started{false}, release{false}, finished{false};
    struct Flags {
        std::atomic<bool>* started;
        std::atomic<bool>* release;
        std::atomic<bool>* finished;
    } flags{&started, &release, &finished};
    PvThreadPool pool(1, 1);
    ASSERT_EQ(pool.StartWorkers(), 1);
    ASSERT_TRUE(pool.StartDispatcher());
    pool.AddTask(
        [](void* data) {
            Flags* f = static_cast<Flags*>(data);
            *f->started = true;
            while (!*f->release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            *f->finished = true;
        },
        &flags);
    ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
    std::thread stopper([&] { pool.Shutdown(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(finished);
    release = true;
    stopper.join();  // Shutdown returns only after the worker has ended
    EXPECT_TRUE(finished);
}

TEST(PvThreadPoolTest, ShutdownLeavesQueuedTasksUnrunAndIsRepeatable) {
    std::atomic<int> runs{0};
    {
        // One dispatch at start, then a tick of ten minutes, twice the hang guard.
        PvThreadPool pool(2, 600000);
        ASSERT_EQ(pool.StartWorkers(), 2);
        for (int i = 0; i < 10; ++i) pool.AddTask(Count, &runs);
        ASSERT_TRUE(pool.StartDispatcher());
        const auto start = Clock::now();
        pool.Shutdown();  // does not wait out the tick
        EXPECT_LT(Clock::now() - start, testing_support::kHangGuard);
        EXPECT_LE(runs.load(), 1);
        EXPECT_GE(pool.PendingTasks(), 9u);
        pool.Shutdown();
    }  // the destructor frees the tasks that never ran
    EXPECT_LE(runs.load(), 1);
}

TEST(PvThreadPoolTest, DestroyingARunningPoolStopsItsThreads) {
    std::atomic<int> runs{0};
    {
        PvThreadPool pool(3, 1);
        ASSERT_EQ(pool.StartWorkers(), 3);
        EXPECT_EQ(pool.StartWorkers(), 0);  // started once only
        ASSERT_TRUE(pool.StartDispatcher());
        EXPECT_FALSE(pool.StartDispatcher());
        pool.AddTask(Count, &runs);
        EXPECT_TRUE(WaitUntil([&] { return runs.load() == 1; }));
    }
    EXPECT_EQ(runs.load(), 1);
}

// Thousands of tasks over several workers, with tasks added while others run: every task runs
// exactly once and Shutdown ends every thread.
TEST(PvThreadPoolTest, StressEveryTaskRunsExactlyOnce) {
    constexpr int kTasks = 3000;
    struct Slot {
        std::atomic<int> runs{0};
    };
    std::vector<Slot> slots(kTasks);
    for (int workers : {1, 4, 8}) {
        SCOPED_TRACE(workers);
        for (Slot& slot : slots) slot.runs = 0;
        std::atomic<int> done{0};
        struct Job {
            Slot* slot;
            std::atomic<int>* done;
        };
        std::vector<Job> jobs(kTasks);
        PvThreadPool pool(workers, 0);
        ASSERT_EQ(pool.StartWorkers(), workers);
        ASSERT_TRUE(pool.StartDispatcher());
        std::thread adder([&] {
            for (int i = 0; i < kTasks; ++i) {
                jobs[i] = {&slots[i], &done};
                pool.AddTask(
                    [](void* data) {
                        Job* job = static_cast<Job*>(data);
                        job->slot->runs.fetch_add(1);
                        job->done->fetch_add(1);
                    },
                    &jobs[i]);
            }
        });
        adder.join();
        EXPECT_TRUE(WaitUntil([&] { return done.load() == kTasks; }));
        pool.Shutdown();
        EXPECT_EQ(done.load(), kTasks);
        for (int i = 0; i < kTasks; ++i) ASSERT_EQ(slots[i].runs.load(), 1) << "task " << i;
    }
}

}  // namespace
