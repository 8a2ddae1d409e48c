#include "domain_test_env.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/utils.h>

#include <atomic>
#include <chrono>

#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "support/toolkit_assertions.h"
#include "support/toolkit_start.h"

namespace domain_test {

namespace {

bool g_gui = false;
using testing_support::ToolkitAssertions;

class ToolkitEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        g_gui = testing_support::StartToolkit("domain_tests", testing_support::ToolkitMode::kGui);
    }
    void TearDown() override { testing_support::StopToolkit(); }
};

[[maybe_unused]] const ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment());

}  // namespace

bool HaveGui() {
    return g_gui;
}

namespace {
std::atomic<int> g_tasksEnded{0};
void CountEnd(void*) {
    ++g_tasksEnded;
}
}  // namespace

void StartCountedTask(void* data, void (*run)(void*)) {
    TaskThread::Start(new TaskThread(data, run, nullptr, CountEnd));
}

int TasksEnded() {
    return g_tasksEnded.load();
}

int AssertionCount() {
    return ToolkitAssertions::Count();
}

std::string LastAssertion() {
    return ToolkitAssertions::Last();
}

bool PumpUntil(wxEvtHandler& /*handler*/, const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds));
    for (;;) {
        // The application dispatches the events queued to every handler, in queueing order.
        if (wxTheApp != nullptr) wxTheApp->ProcessPendingEvents();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        wxMilliSleep(1);
    }
}

ReleaseDevices::~ReleaseDevices() {
    BackupInfo* head = !devices_.empty() && devices_[0] != nullptr ? devices_[0]->backup : nullptr;
    for (Device*& device : devices_) TrackedDelete(__FILE__, __LINE__, device);
    if (withList_ && head != nullptr && DomainIB::GetService() != nullptr)
        DomainIB::GetService()->FreeBackupList(head);
}

EventCollector::EventCollector() {
    Bind(wxEVT_THREAD, &EventCollector::OnThread, this);
}

void EventCollector::OnThread(wxThreadEvent& event) {
    Received r{event.GetId(), event.GetInt(), nullptr, event.GetString(), wxThread::IsMain()};
    const int id = event.GetId();
    if ((id >= 0 && id <= 10) || id == ID_THUMBNAIL_BATCH) r.pointer = GetEventPointer<void>(event);
    events.push_back(r);
}

}  // namespace domain_test

// Leaks inside the GTK stack are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libglib-2.0\nleak:libgobject-2.0\nleak:libgtk-3\n"
           "leak:libgdk-3\nleak:libX11\nleak:libcairo\nleak:libpango\nleak:libgdk_pixbuf\n"
           "leak:libdbus-1\nleak:libatk\nleak:libgio-2.0\n";
}

// Races inside the GTK stack's own threads are not ours.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig\nrace:libglib-2.0\nrace:libgobject-2.0\nrace:libgio-2.0\n"
           "race:libgtk-3\nrace:libgdk-3\nrace:libcairo\nrace:libpango\nrace:libdbus-1\n"
           "deadlock:libfontconfig\n";
}

// The toolkit and the GTK stack are not built with ThreadSanitizer: what their own code does
// through the intercepted calls (for instance a detached thread's cleanup against the static
// destructors at exit) is not checked; our code still is.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
