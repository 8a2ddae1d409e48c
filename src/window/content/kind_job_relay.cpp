#include "window/content/kind_job_relay.h"

#include "common/task_thread.h"
#include "domain/kind_obj.h"

KindJobRelay::KindJobRelay(wxEvtHandler* screen) : screen_(screen) {
    Bind(wxEVT_THREAD, &KindJobRelay::OnThread, this);
}

void KindJobRelay::Detach() {
    screen_ = nullptr;
    // Without a pending job nothing that carries records can still be queued here.
    if (jobs_ <= 0) delete this;
}

void KindJobRelay::OnThread(wxThreadEvent& event) {
    const int id = event.GetId();
    const bool endsJob = (id >= 0 && id < static_cast<int>(kKindCount)) ||
                         id == ID_THUMBNAILS_DONE || id == ID_RECOVER_DONE;
    if (screen_ != nullptr) {
        screen_->ProcessEvent(event);
    } else {
        Release(event);
    }
    if (endsJob && jobs_ > 0) --jobs_;
    // The event loop processes one event of this handler per call and touches the handler no
    // more after it, so the relay may go here.
    if (screen_ == nullptr && jobs_ == 0) delete this;
}

void KindJobRelay::Release(wxThreadEvent& event) {
    const int id = event.GetId();
    if (id >= 0 && id < static_cast<int>(kKindCount)) {
        DeleteKindRecords(static_cast<std::uint32_t>(id), GetEventPointer<void>(event));
    } else if (id == ID_THUMBNAIL_BATCH) {
        ScanRequest* request = GetEventPointer<ScanRequest>(event);
        TrackedDelete(__FILE__, __LINE__, request);
    }
}
