// The worker primitive and the event types.
#include "common/task_thread.h"

#include <gtest/gtest.h>
#include <wx/thread.h>

#include <atomic>
#include <set>

#include "common/custom_event.h"
#include "domain_test_env.h"

namespace {

using domain_test::EventCollector;
using domain_test::PumpUntil;

struct Probe {
    std::atomic<int> created{0};
    std::atomic<int> ran{0};
    std::atomic<int> destroyed{0};
    std::atomic<bool> createdOnMain{false};
    std::atomic<bool> ranOnMain{true};
    std::atomic<bool> destroyedOnMain{true};
    std::atomic<int> ranBeforeDestroy{0};
};

void OnCreate(void* data) {
    auto* p = static_cast<Probe*>(data);
    p->createdOnMain = wxThread::IsMain();
    ++p->created;
}

void RunTask(void* data) {
    auto* p = static_cast<Probe*>(data);
    p->ranOnMain = wxThread::IsMain();
    ++p->ran;
}

void OnDestroy(void* data) {
    auto* p = static_cast<Probe*>(data);
    p->destroyedOnMain = wxThread::IsMain();
    p->ranBeforeDestroy = p->ran.load();
    ++p->destroyed;
}

bool WaitFor(const std::function<bool()>& done) {
    wxEvtHandler idle;
    return PumpUntil(idle, done);
}

TEST(TaskThread, CallbacksRunOnTheirThreadsOnce) {
    Probe probe;
    auto* thread = new TaskThread(&probe, RunTask, OnCreate, OnDestroy);
    // onCreate ran at construction, before Start, on this thread.
    EXPECT_EQ(probe.created, 1);
    EXPECT_TRUE(probe.createdOnMain);
    EXPECT_EQ(probe.ran, 0);
    TaskThread::Start(thread);
    ASSERT_TRUE(WaitFor([&] { return probe.destroyed == 1; }));
    EXPECT_EQ(probe.ran, 1);
    EXPECT_FALSE(probe.ranOnMain);
    EXPECT_FALSE(probe.destroyedOnMain);
    EXPECT_EQ(probe.ranBeforeDestroy, 1);  // onDestroy after run returned
}

TEST(TaskThread, NullRunEndsAndDeletesItself) {
    Probe probe;
    auto* thread = new TaskThread(&probe, nullptr, nullptr, OnDestroy);
    TaskThread::Start(thread);
    ASSERT_TRUE(WaitFor([&] { return probe.destroyed == 1; }));
    EXPECT_EQ(probe.ran, 0);
    EXPECT_EQ(probe.created, 0);
}

TEST(TaskThread, SettersReplaceTheCallbacks) {
    Probe probe;
    auto* thread = new TaskThread(&probe, nullptr);
    thread->SetRunCallback(RunTask);
    thread->SetDestroyCallback(OnDestroy);
    thread->SetCreateCallback(OnCreate);  // construction is over: never called
    TaskThread::Start(thread);
    ASSERT_TRUE(WaitFor([&] { return probe.destroyed == 1; }));
    EXPECT_EQ(probe.ran, 1);
    EXPECT_EQ(probe.created, 0);
}

// Without a thread the task runs here, once, and the thread object is still released.
TEST(TaskThread, RunHereRunsTheTaskOnceOnTheCallingThread) {
    Probe probe;
    auto* thread = new TaskThread(&probe, RunTask, nullptr, OnDestroy);
    TaskThread::RunHere(thread);
    EXPECT_EQ(probe.ran, 1);
    EXPECT_TRUE(probe.ranOnMain);
    EXPECT_EQ(probe.destroyed, 1);
    TaskThread::Start(nullptr);  // nothing to start: no crash
}

struct Sender {
    EventCollector* target;
    int base;
};

void SendFive(void* data) {
    auto* s = static_cast<Sender*>(data);
    for (int i = 0; i < 5; ++i) {
        auto* event = new wxThreadEvent(wxEVT_THREAD, ID_THUMBNAIL_BATCH);
        event->SetInt(s->base + i);
        SetEventPointer(*event, nullptr);
        s->target->QueueEvent(event);
    }
    delete s;
}

TEST(TaskThread, TwoTasksRunConcurrentlyAndKeepTheirOrder) {
    EventCollector target;
    const int ended = domain_test::TasksEnded();
    domain_test::StartCountedTask(new Sender{&target, 100}, SendFive);
    domain_test::StartCountedTask(new Sender{&target, 200}, SendFive);
    ASSERT_TRUE(PumpUntil(target, [&] {
        return target.events.size() == 10 && domain_test::TasksEnded() == ended + 2;
    }));
    int last100 = 99, last200 = 199;
    for (const auto& e : target.events) {
        EXPECT_TRUE(e.onMainThread);
        int& last = e.integer >= 200 ? last200 : last100;
        EXPECT_EQ(e.integer, last + 1);
        last = e.integer;
    }
    EXPECT_EQ(last100, 104);
    EXPECT_EQ(last200, 204);
}

TEST(TaskThread, PointerTravelsWhole) {
    wxThreadEvent event(wxEVT_THREAD, 3);
    // An address above 4 GiB does not fit the event's integer; the payload keeps all of it.
    void* high = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7fedcba987654320ull));
    SetEventPointer(event, high);
    wxThreadEvent copy(event);
    EXPECT_EQ(GetEventPointer<void>(copy), high);
}

TEST(CustomEvents, EightConsecutiveTypesFirstAndLastUsed) {
    const wxEventType first = EVT_UPDATE_RESULT;
    const wxEventType last = EVT_LANGUAGE_CHANGED;
    EXPECT_NE(first, wxEVT_NULL);
    EXPECT_EQ(last - first, 7);
    std::set<wxEventType> builtIn = {wxEVT_THREAD, wxEVT_BUTTON, wxEVT_IDLE};
    EXPECT_EQ(builtIn.count(first), 0u);
    EXPECT_EQ(builtIn.count(last), 0u);
}

TEST(CustomEvents, CommandEventsReachABoundHandler) {
    wxEvtHandler frame;
    wxString version;
    int language = -1;
    frame.Bind(EVT_UPDATE_RESULT, [&](wxCommandEvent& e) { version = e.GetString(); });
    frame.Bind(EVT_LANGUAGE_CHANGED, [&](wxCommandEvent& e) { language = e.GetInt(); });
    auto* update = new wxCommandEvent(EVT_UPDATE_RESULT, 0);
    update->SetString(wxS("2.1.6"));
    frame.QueueEvent(update);
    auto* change = new wxCommandEvent(EVT_LANGUAGE_CHANGED, 2000);
    change->SetInt(89);
    frame.QueueEvent(change);
    ASSERT_TRUE(PumpUntil(frame, [&] { return language != -1; }));
    EXPECT_EQ(version, wxS("2.1.6"));
    EXPECT_EQ(language, 89);
}

}  // namespace
