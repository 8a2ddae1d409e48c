// The event target of the kind screen's workers. A worker keeps its target until its last event
// is queued, which may be after the screen is gone: so workers report here, and this hands their
// events on to the screen while it exists. Once the screen has gone, what still arrives is
// released (a kind's records, a thumbnail batch's request), and the relay deletes itself when the
// last job it counted has reported its end.
#pragma once

#include <wx/event.h>

#include <functional>

#include "common/task_thread.h"

// Starts a job of the kind screen: counts it, keeps Back disabled until it ends, and runs the task
// on a worker with the request, whose events go to the relay.
using KindJobStart = std::function<void(TaskCallback task, void* request)>;

class KindJobRelay : public wxEvtHandler {
  public:
    explicit KindJobRelay(wxEvtHandler* screen);

    // A job started whose ending event is still to come: a scan counts one per kind, a
    // thumbnail load and a recovery one each.
    void CountJobs(int jobs) { jobs_ += jobs; }
    int GetJobs() const { return jobs_; }
    // The screen goes. Deletes the relay at once when no job is pending, else after the last.
    void Detach();

  private:
    ~KindJobRelay() override = default;
    void OnThread(wxThreadEvent& event);
    // Frees what an event that no screen receives any more carries.
    static void Release(wxThreadEvent& event);

    wxEvtHandler* screen_;
    int jobs_ = 0;
};
