// Thumbnails of generated camera pictures (JPEG, 1,600 x 1,200) through DomainIB::ThumbnailTask
// on a TaskThread, against a floor measured in the same run: reading every file and decoding it at
// 1/8 of its size with libjpeg, the least decoding that covers a thumbnail, on all cores. Prints
// thumbnails per second and the ratio of the times. Target: at most 1.5x the floor. Needs a
// display (run under xvfb-run -a).
//
// Usage: domain_thumb_bench [pictures]   (default 10000)
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

// jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>

#include "base/process_memory.h"
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

// One file read whole and decoded at 1/8 scale; false when it does not decode.
bool DecodeEighth(const std::string& path, std::vector<unsigned char>& bytes,
                  std::vector<unsigned char>& pixels) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fseek(file, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    const bool read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    if (!read) return false;
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// Every file decoded at 1/8 scale, on as many threads as the machine has cores.
double ScaledDecodeFloor(const std::vector<std::string>& files) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < cores; ++t) {
        threads.emplace_back([&] {
            std::vector<unsigned char> bytes, pixels;
            for (std::size_t i = next++; i < files.size(); i = next++)
                if (!DecodeEighth(files[i], bytes, pixels)) failed = true;
        });
    }
    for (std::thread& t : threads) t.join();
    const double seconds = Seconds(start);
    if (failed) {
        std::fprintf(stderr, "a picture did not decode\n");
        std::exit(1);
    }
    return seconds;
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
    ProcessMemory::SetUp();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    wxApp::SetInstance(new wxApp());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "needs a display: run under xvfb-run -a\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxInitAllImageHandlers();
    bench::PrintLoad("at the start");

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
        floor = std::min(floor, ScaledDecodeFloor(files));
        thumbs = std::min(thumbs, Thumbnails(files, &made));
    }
    std::printf("floor: 1/8 decode on %u threads: %8.3f s  %8.1f pictures/s\n",
                std::max(1u, std::thread::hardware_concurrency()), floor, count / floor);
    std::printf("DomainIB::ThumbnailTask:            %8.3f s  %8.1f thumbnails/s (%d of %d)\n",
                thumbs, count / thumbs, made, count);
    const double ratio = thumbs / floor;
    std::printf("ratio %.2f (target at most 1.50) %s\n", ratio,
                ratio <= 1.5 ? "ok" : "ABOVE TARGET");

    gen::RemoveTree(folder);
    bench::PrintLoad("at the end");
    wxEntryCleanup();
    return made == count ? 0 : 1;
}
