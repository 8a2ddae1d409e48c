// The toolkit set up once per test program: an application object (a GUI one when a display is
// there, as under xvfb-run), image and archive handlers, logs to stderr and assertions recorded
// instead of shown.
#pragma once

#include <gtest/gtest.h>
#include <wx/event.h>
#include <wx/string.h>

#include <functional>
#include <string>
#include <vector>

class Device;

namespace domain_test {

// Releases devices (as DomainIB::LoadDevices makes them) at the end of the scope, also when an
// assertion ends the test early; withList: and the reader's backup list behind them, which the
// program itself keeps for its whole run.
class ReleaseDevices {
  public:
    explicit ReleaseDevices(std::vector<Device*>& devices, bool withList = false)
        : devices_(devices), withList_(withList) {}
    ~ReleaseDevices();
    ReleaseDevices(const ReleaseDevices&) = delete;
    ReleaseDevices& operator=(const ReleaseDevices&) = delete;

  private:
    std::vector<Device*>& devices_;
    bool withList_;
};

// True when the GUI toolkit is up (bitmaps can be made).
bool HaveGui();
// Number of toolkit assertions that failed so far, and their texts.
int AssertionCount();
std::string LastAssertion();

// Processes the queued events of handler on this thread until done() holds or seconds pass
// (by default the hang guard, testing_support::kHangGuard: only a hang may fail a test).
bool PumpUntil(wxEvtHandler& handler, const std::function<bool()>& done, double seconds = 300);

// Starts a TaskThread whose end is counted, so that a test can wait until the worker has left
// its last QueueEvent before the event target goes away.
void StartCountedTask(void* data, void (*run)(void*));
int TasksEnded();

// Collects the worker events (wxEVT_THREAD) queued to it.
class EventCollector : public wxEvtHandler {
  public:
    struct Received {
        int id;
        int integer;
        void* pointer;  // the payload, when the event carried one
        wxString text;
        bool onMainThread;
    };

    EventCollector();
    std::vector<Received> events;

  private:
    void OnThread(wxThreadEvent& event);
};

}  // namespace domain_test

#define REQUIRE_GUI()                                                                 \
    do {                                                                              \
        if (!domain_test::HaveGui()) GTEST_SKIP() << "needs a display (xvfb-run -a)"; \
    } while (0)
