// Thumbnails of generated JPEG pictures of 1,600 x 1,200 through DomainIB::ThumbnailTask on a
// TaskThread, against a floor measured in the same run: decoding the same files with the
// toolkit's loader alone (wxImage::LoadFile). Prints thumbnails per second and the ratio of the
// times. Target: at most 1.3x the floor. Needs a display (run under xvfb-run -a).
//
// Usage: domain_thumb_bench [pictures]   (default 2000)
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "gen/backup_gen.h"
#include "gen/media.h"

namespace {

using bench::Seconds;

class Receiver : public wxEvtHandler {
  public:
    Receiver() { Bind(wxEVT_THREAD, &Receiver::OnThread, this); }
    bool done = false;
    int batches = 0;

  private:
    void OnThread(wxThreadEvent& event) {
        if (event.GetId() == ID_THUMBNAILS_DONE) {
            done = true;
        } else if (event.GetId() == ID_THUMBNAIL_BATCH) {
            auto* copy = GetEventPointer<ScanRequest>(event);
            TrackedDelete(__FILE__, __LINE__, copy);
            ++batches;
        }
    }
};

double DecodeOnly(const std::vector<std::string>& files) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& f : files) {
        wxImage image;
        if (!image.LoadFile(wxString::FromUTF8(f), wxBITMAP_TYPE_ANY, -1)) {
            std::fprintf(stderr, "cannot decode %s\n", f.c_str());
            std::exit(1);
        }
    }
    return Seconds(start);
}

double Thumbnails(const std::vector<std::string>& files, int* made) {
    PhotoList photos;
    for (const std::string& f : files) {
        auto* p = new Photo();
        p->path = wxString::FromUTF8(f);
        photos.push_back(p);
    }
    Receiver receiver;
    auto* request = new ScanRequest();
    request->target = &receiver;
    request->photos = &photos;
    const auto start = std::chrono::steady_clock::now();
    TaskThread::Start(new TaskThread(request, DomainIB::ThumbnailTask));
    while (!receiver.done) {
        wxTheApp->ProcessPendingEvents();
        if (!receiver.done) wxMicroSleep(500);
    }
    const double seconds = Seconds(start);
    *made = 0;
    for (Photo*& p : photos) {
        if (p->thumbnail != nullptr && p->thumbnail->GetWidth() == 100) ++*made;
        TrackedDelete(__FILE__, __LINE__, p);
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    wxApp::SetInstance(new wxApp());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "needs a display: run under xvfb-run -a\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxInitAllImageHandlers();

    char pattern[] = "/tmp/domain-thumb-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    // A few dozen different pictures, repeated under their own names.
    std::vector<std::string> distinct;
    for (int i = 0; i < 40; ++i) distinct.push_back(gen::MakeJpeg(1600, 1200, 0, 100 + i));
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder + "/IMG_" + std::to_string(i) + ".JPG");
        gen::WriteFile(files.back(), distinct[i % distinct.size()]);
    }

    double floor = 1e30, thumbs = 1e30;
    int made = 0;
    for (int run = 0; run < 2; ++run) {
        floor = std::min(floor, DecodeOnly(files));
        thumbs = std::min(thumbs, Thumbnails(files, &made));
    }
    std::printf("decode only (wxImage::LoadFile): %8.3f s  %8.1f pictures/s\n", floor,
                count / floor);
    std::printf("DomainIB::ThumbnailTask:         %8.3f s  %8.1f thumbnails/s (%d of %d)\n", thumbs,
                count / thumbs, made, count);
    const double ratio = thumbs / floor;
    std::printf("ratio %.2f (target at most 1.30) %s\n", ratio,
                ratio <= 1.3 ? "ok" : "ABOVE TARGET");

    gen::RemoveTree(folder);
    wxEntryCleanup();
    return made == count ? 0 : 1;
}
