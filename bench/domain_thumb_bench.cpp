// Thumbnails through ThumbnailDecoder and DomainIB::ThumbnailTask, against floors measured in the
// same run. Prints:
//  1. what each hostile picture costs (a few bytes declaring a huge picture, CMYK data, a PNG of
//     10000 x 10000, an animated GIF, JPEG pictures of many scans, a 400 MB movie): the time of its
//     decode as a ratio to the floor, reading one ordinary 12-megapixel camera picture and
//     decoding it at 1/8 with libjpeg (the least any thumbnail of it needs), and the memory its
//     decode takes (the budget's share and the process's peak during it). Target: at most 2x the
//     floor;
//  1b. each hostile case beside a real file of the same size, both against the floor of reading
//     that many bytes: a TIFF giving its size twice (25000 x 25000 first, 10 x 10 last) beside a
//     real 10 x 10 TIFF, and eight copies of it made at once (targets: under 0.5 s and 300 MB);
//     a GIF whose picture follows a 60 MB comment in 1-byte blocks beside the same comment in
//     blocks of 255 bytes and a real GIF of about that size (target: at most 2x the floor, reading
//     the file and stepping through the blocks before its first image);
//  2. the peak memory of the thumbnail task over a camera roll of 12-megapixel camera pictures
//     mixed with eight 400 MB movies and eight copies of every hostile picture, all made at once
//     by the task's threads. Target: under 300 MB;
//  3. the task's throughput on camera pictures of 1,600 x 1,200, against reading every file and
//     decoding it at 1/8 with libjpeg on all cores. Target: at most 1.5x.
// Needs a display (run under xvfb-run -a).
//
// Usage: domain_thumb_bench [pictures]   (default 2000, for the third part)
#include <unistd.h>
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
#include "domain/decode_budget.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain/picture_header.h"
#include "domain/thumbnail_decoder.h"
#include "gen/backup_gen.h"
#include "gen/hostile_pictures.h"
#include "gen/media.h"

namespace {

using bench::Seconds;

constexpr double kMiB = 1024.0 * 1024.0;

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

std::uint64_t Resident() {
    return static_cast<std::uint64_t>(std::max(0L, bench::StatusKb("VmRSS"))) * 1024;
}
std::uint64_t PeakResident() {
    return static_cast<std::uint64_t>(std::max(0L, bench::StatusKb("VmHWM"))) * 1024;
}
// Gives freed memory back and sets the peak to what the process holds now.
void ResetPeak() {
    ProcessMemory::ReturnFreed();
    bench::ResetPeak();
}

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

struct TaskRun {
    double seconds = 0;
    int thumbnails = 0;  // of the files named like the camera's (IMG_ and roll_ ... .JPG)
    std::uint64_t peakAbove = 0;
};

TaskRun Thumbnails(const std::vector<std::string>& files) {
    PhotoList photos;
    for (const std::string& f : files) {
        auto* p = new Photo();
        p->path = f;
        photos.push_back(p);
    }
    Receiver receiver;
    auto* request = new ScanRequest();
    request->target = &receiver;
    request->photos = &photos;
    ResetPeak();
    const std::uint64_t before = Resident();
    TaskRun run;
    const auto start = std::chrono::steady_clock::now();
    TaskThread::Start(new TaskThread(request, DomainIB::ThumbnailTask));
    while (!receiver.done) {
        wxTheApp->ProcessPendingEvents();
        if (!receiver.done) wxMicroSleep(500);
    }
    run.seconds = Seconds(start);
    const std::uint64_t peak = PeakResident();
    run.peakAbove = peak > before ? peak - before : 0;
    for (Photo*& p : photos) {
        const bool camera = wxString::FromUTF8(p->path).AfterLast('/').EndsWith(".JPG");
        if (camera && p->thumbnail != nullptr && p->thumbnail->GetWidth() == 100 &&
            p->thumbnail->GetHeight() == 75)
            ++run.thumbnails;
        TrackedDelete(__FILE__, __LINE__, p);
    }
    return run;
}

// A movie as a phone records it: the boxes of a QuickTime file, then its media data (left as a
// hole in the file, so that writing it takes no time).
void WriteMovie(const std::string& path, std::uint64_t bytes) {
    std::string head(
        "\0\0\0\x14"
        "ftypqt  \0\0\0\0qt  ",
        20);
    head += std::string("\0\0\0\x08wide", 8);
    gen::WriteFile(path, head);
    if (truncate(path.c_str(), static_cast<off_t>(bytes)) != 0) std::exit(1);
}

struct Cost {
    double seconds = 0;  // the median of the runs
    double best = 0;
    std::uint64_t peakAbove = 0;
    bool made = false;
};

// The median and the best time of a few decodes of path, and the process's peak memory above what
// it held before during one.
Cost CostOf(const std::string& path, int runs) {
    Cost cost;
    const bench::Spread t =
        bench::Times(runs, [&] { cost.made = ThumbnailDecoder::Decode(path).IsOk(); });
    cost.seconds = t.Median();
    cost.best = t.Best();
    ResetPeak();
    const std::uint64_t before = Resident();
    ThumbnailDecoder::Decode(path);
    const std::uint64_t peak = PeakResident();
    cost.peakAbove = peak > before ? peak - before : 0;
    return cost;
}

// The floor of a file: reading it whole and, for a GIF, finding its first image, which no
// decoder can do without stepping from block to block through the extensions before it.
double ReadFloor(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::size_t found = 0;
    const double seconds = bench::Best(3, [&] {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) std::exit(1);
        std::fseek(file, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(std::ftell(file)));
        std::fseek(file, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::exit(1);
        std::fclose(file);
        if (bytes.size() < 13 || bytes[0] != 'G') return;
        std::size_t at = 13 + ((bytes[10] & 0x80) != 0 ? 3u << ((bytes[10] & 0x07) + 1) : 0);
        while (at + 2 < bytes.size() && bytes[at] == 0x21) {
            at += 2;
            while (at < bytes.size() && bytes[at] != 0) at += bytes[at] + 1u;
            ++at;
        }
        found = at;
    });
    if (bytes.size() >= 13 && bytes[0] == 'G' && (found >= bytes.size() || bytes[found] != 0x2C))
        std::exit(1);
    return seconds;
}

std::uint64_t FileSize(const std::string& path) {
    return gen::ReadFile(path).size();
}

// Eight decodes at once, one a thread, each of its own copy: the time until all are done and
// the peak memory above what the process held before.
Cost EightAtOnce(const std::vector<std::string>& copies) {
    ResetPeak();
    const std::uint64_t before = Resident();
    std::atomic<int> made{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (const std::string& path : copies) {
        threads.emplace_back([&made, path] {
            if (ThumbnailDecoder::Decode(path).IsOk()) ++made;
        });
    }
    for (std::thread& t : threads) t.join();
    Cost cost;
    cost.seconds = Seconds(start);
    const std::uint64_t peak = PeakResident();
    cost.peakAbove = peak > before ? peak - before : 0;
    cost.made = made > 0;
    return cost;
}

struct Shape {
    std::string name;
    std::string file;
};

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    wxApp::SetInstance(new wxApp());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "needs a display: run under xvfb-run -a\n");
        return 1;
    }
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxInitAllImageHandlers();
    wxLogNull quiet;
    bench::PrintLoad("at the start");

    char pattern[] = "/tmp/domain-thumb-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    const std::string camera = folder + "/IMG_0001.JPG";
    gen::WriteFile(camera, gen::MakePhotoJpeg(4032, 3024, 1));

    std::vector<Shape> shapes = {
        {"progressive JPEG declaring 10000 x 10000", folder + "/p.jpg"},
        {"CMYK JPEG declaring 10000 x 10000", folder + "/c.jpg"},
        {"progressive JPEG declaring 4000 x 3000", folder + "/p6.jpg"},
        {"the same with 1 MB after its end", folder + "/p6pad.jpg"},
        {"CMYK JPEG of 6000 x 6000", folder + "/c6.jpg"},
        {"PNG of 10000 x 10000", folder + "/big.png"},
        {"PNG of 6000 x 6000", folder + "/six.png"},
        {"PNG of 2800 x 2800", folder + "/three.png"},
        {"PNG declaring 6000 x 6000, one row of data", folder + "/d6.png"},
        {"GIF of 20 frames of 10000 x 10000", folder + "/a.gif"},
        {"GIF of 20 frames of 4000 x 3000", folder + "/b.gif"},
        {"JPEG of 1,000 scans, 4032 x 3024", folder + "/s.jpg"},
        {"JPEG of 64 scans, DC finished last, 4032 x 3024", folder + "/s64.jpg"},
        {"progressive JPEG of 6000 x 4000", folder + "/p24.jpg"},
        {"400 MB movie", folder + "/IMG_0002.MOV"},
        {"BMP of 4000 x 3000", folder + "/w.bmp"},
        {"TIFF of 4000 x 3000", folder + "/t.tif"},
        {"BMP of 1600 x 1200", folder + "/w2.bmp"},
        {"TIFF of 1600 x 1200", folder + "/t2.tif"},
        {"TIFF giving 25000 x 25000 first, 10 x 10 last", folder + "/t25.tif"},
    };
    auto fileOf = [&shapes](const char* name) {
        for (const Shape& s : shapes) {
            if (s.name == name) return s.file;
        }
        std::exit(1);
    };
    gen::WriteFile(fileOf("progressive JPEG declaring 10000 x 10000"),
                   gen::MakeJpegDeclaring(10000, 10000, true, false));
    gen::WriteFile(fileOf("CMYK JPEG declaring 10000 x 10000"),
                   gen::MakeJpegDeclaring(10000, 10000, false, true));
    const std::string declaring = gen::MakeJpegDeclaring(4000, 3000, true, false);
    gen::WriteFile(fileOf("progressive JPEG declaring 4000 x 3000"), declaring);
    gen::WriteFile(fileOf("the same with 1 MB after its end"),
                   declaring + std::string(1024 * 1024, '\x55'));
    gen::WriteFile(fileOf("CMYK JPEG of 6000 x 6000"), gen::MakeCmykJpeg(6000, 6000, 4));
    gen::WriteFile(fileOf("PNG of 10000 x 10000"), gen::MakeBlankPng(10000, 10000));
    gen::WriteFile(fileOf("PNG of 6000 x 6000"), gen::MakeBlankPng(6000, 6000, true));
    gen::WriteFile(fileOf("PNG of 2800 x 2800"), gen::MakeBlankPng(2800, 2800, true));
    gen::WriteFile(fileOf("PNG declaring 6000 x 6000, one row of data"),
                   gen::MakePngDeclaring(6000, 6000));
    gen::WriteFile(fileOf("GIF of 20 frames of 10000 x 10000"), gen::MakeGif(10000, 10000, 20, 5));
    gen::WriteFile(fileOf("GIF of 20 frames of 4000 x 3000"), gen::MakeGif(4000, 3000, 20, 6));
    gen::WriteFile(fileOf("JPEG of 1,000 scans, 4032 x 3024"),
                   gen::MakeJpegInScans(4032, 3024, 1000, false, 7));
    gen::WriteFile(fileOf("JPEG of 64 scans, DC finished last, 4032 x 3024"),
                   gen::MakeJpegInScans(4032, 3024, 64, true, 8));
    gen::WriteFile(fileOf("progressive JPEG of 6000 x 4000"),
                   gen::MakeJpeg(6000, 4000, 0, 9, 85, true));
    WriteMovie(fileOf("400 MB movie"), 400ull * 1000 * 1000);
    for (const char* name : {"BMP of 4000 x 3000", "BMP of 1600 x 1200"}) {
        wxImage plain(name[7] == '4' ? 4000 : 1600, name[7] == '4' ? 3000 : 1200);
        if (!plain.SaveFile(wxString::FromUTF8(fileOf(name)), wxBITMAP_TYPE_BMP)) return 1;
    }
    for (const char* name : {"TIFF of 4000 x 3000", "TIFF of 1600 x 1200"}) {
        wxImage plain(name[8] == '4' ? 4000 : 1600, name[8] == '4' ? 3000 : 1200);
        if (!plain.SaveFile(wxString::FromUTF8(fileOf(name)), wxBITMAP_TYPE_TIFF)) return 1;
    }

    gen::WriteFile(fileOf("TIFF giving 25000 x 25000 first, 10 x 10 last"),
                   gen::MakeTiffGivingSizeTwice(25000, 25000, 10, 10));

    // 1. Each hostile picture alone, against the floor.
    std::vector<unsigned char> bytes, pixels;
    // Times are the medians of their runs; the best beside them where they are printed.
    const bench::Spread floorRuns = bench::Times(7, [&] {
        if (!DecodeEighth(camera, bytes, pixels)) std::exit(1);
    });
    const bench::Spread ordinaryRuns = bench::Times(7, [&] { ThumbnailDecoder::Decode(camera); });
    const double floor = floorRuns.Median();
    const double ordinary = ordinaryRuns.Median();
    std::printf(
        "floor: a 12-megapixel camera picture (%.1f MB) read and decoded at 1/8: %s ms (load "
        "%s)\n",
        gen::ReadFile(camera).size() / kMiB, floorRuns.Text("%.1f", 1000).c_str(),
        floorRuns.load.c_str());
    std::printf("(time: the median of the runs; ratio: medians)\n");
    std::printf("%-50s %10s %9s %9s %6s %10s %10s  %s\n", "picture", "file", "median", "best",
                "ratio", "share", "peak", "thumbnail");
    std::printf("%-50s %8.1fMB %7.1fms %7.1fms %5.2fx %8.1fMB %10s  %s\n",
                "the camera picture itself", gen::ReadFile(camera).size() / kMiB, ordinary * 1000,
                ordinaryRuns.Best() * 1000, ordinary / floor, 0.0, "", "yes");
    double worst = 0;
    for (const Shape& s : shapes) {
        const std::string& path = s.file;
        bool made = false;
        const bench::Spread t =
            bench::Times(5, [&] { made = ThumbnailDecoder::Decode(path).IsOk(); });
        const double seconds = t.Median();
        ResetPeak();
        const std::uint64_t before = Resident();
        ThumbnailDecoder::Decode(path);
        const std::uint64_t peak = PeakResident();
        std::uint64_t share = 0, size = 0;
        if (FILE* f = std::fopen(s.file.c_str(), "rb")) {
            std::fseek(f, 0, SEEK_END);
            size = static_cast<std::uint64_t>(std::ftell(f));
            PictureHeader header;
            if (PictureHeader::Read(f, &header))
                share = ThumbnailDecoder::DecodeBytes(header, size);
            std::fclose(f);
        }
        worst = std::max(worst, seconds / floor);
        std::printf("%-50s %8.1fMB %7.1fms %7.1fms %5.2fx %8.1fMB %8.1fMB  %s\n", s.name.c_str(),
                    size / kMiB, seconds * 1000, t.Best() * 1000, seconds / floor, share / kMiB,
                    (peak > before ? peak - before : 0) / kMiB, made ? "yes" : "fallback");
    }
    std::printf("worst hostile picture: %.2fx the floor (target at most 2.00) %s\n", worst,
                worst <= 2.0 ? "ok" : "ABOVE TARGET");

    // 1b. Hostile cases beside real files of the same size.
    const std::string twice = folder + "/twice.tif";
    gen::WriteFile(twice, gen::MakeTiffGivingSizeTwice(25000, 25000, 10, 10));
    const std::string smallTiff = folder + "/small.tif";
    if (!wxImage(10, 10).SaveFile(wxString::FromUTF8(smallTiff), wxBITMAP_TYPE_TIFF)) return 1;
    constexpr std::size_t kComment = 60u * 1000 * 1000;
    const std::string comment1 = folder + "/comment1.gif";
    gen::WriteFile(comment1, gen::MakeGifWithComment(640, 480, kComment, 1));
    const std::string comment255 = folder + "/comment255.gif";
    gen::WriteFile(comment255, gen::MakeGifWithComment(640, 480, kComment, 255));
    // A real animation of about the same size: frames of 4000 x 3000 until it is that large.
    const std::string frames = folder + "/frames.gif";
    {
        const std::size_t one = gen::MakeGif(4000, 3000, 1, 11).size();
        const int count = static_cast<int>(std::max<std::size_t>(1, FileSize(comment1) / one));
        gen::WriteFile(frames, gen::MakeGif(4000, 3000, count, 11));
    }
    struct Pair {
        const char* hostile;
        std::string hostileFile;
        const char* real;
        std::string realFile;
    };
    const Pair pairs[] = {
        {"TIFF giving 25000 x 25000 first, 10 x 10 last", twice, "TIFF of 10 x 10", smallTiff},
        {"GIF, 60 MB comment in 1-byte blocks", comment1, "the comment in 255-byte blocks",
         comment255},
        {"GIF, 60 MB comment in 1-byte blocks", comment1, "GIF of frames of 4000 x 3000", frames},
    };
    std::printf("%-44s %10s %9s %6s %9s | %-32s %10s %9s %6s %9s\n", "hostile case", "file", "time",
                "/floor", "peak", "real file of about its size", "file", "time", "/floor", "peak");
    double worstRead = 0;
    for (const Pair& p : pairs) {
        const Cost hostile = CostOf(p.hostileFile, 3);
        const Cost real = CostOf(p.realFile, 3);
        const double hostileRead = ReadFloor(p.hostileFile);
        const double realRead = ReadFloor(p.realFile);
        const std::uint64_t hostileSize = FileSize(p.hostileFile);
        // Below a megabyte the time of opening a file is all there is to compare.
        if (hostileSize > 1000 * 1000)
            worstRead = std::max(worstRead, hostile.seconds / hostileRead);
        std::printf(
            "%-44s %8.1fkB %7.2fms (best %7.2f) %5.1fx %7.1fMB | %-32s %8.1fkB %7.2fms (best "
            "%7.2f) %5.1fx %7.1fMB  %s, %s\n",
            p.hostile, hostileSize / 1024.0, hostile.seconds * 1000, hostile.best * 1000,
            hostile.seconds / hostileRead, hostile.peakAbove / kMiB, p.real,
            FileSize(p.realFile) / 1024.0, real.seconds * 1000, real.best * 1000,
            real.seconds / realRead, real.peakAbove / kMiB, hostile.made ? "thumbnail" : "fallback",
            real.made ? "thumbnail" : "fallback");
    }
    std::printf("  the camera picture beside them: %.2f ms; the 1-byte GIF %.1fx it\n",
                ordinary * 1000, CostOf(comment1, 3).seconds / ordinary);
    std::printf(
        "floor (/floor): reading the file whole and, for a GIF, stepping through the blocks "
        "before its first image\n");
    std::printf("worst large hostile case: %.2fx its floor (target at most 2.00) %s\n", worstRead,
                worstRead <= 2.0 ? "ok" : "ABOVE TARGET");
    std::vector<std::string> copies;
    for (int i = 0; i < 8; ++i) {
        copies.push_back(folder + "/twice_" + std::to_string(i) + ".tif");
        gen::WriteFile(copies.back(), gen::ReadFile(twice));
    }
    const Cost eight = EightAtOnce(copies);
    std::printf(
        "eight TIFFs giving their size twice at once: %.2f ms, %.1f MB above the process "
        "(targets under 0.5 s and 300 MB) %s, %s\n",
        eight.seconds * 1000, eight.peakAbove / kMiB,
        eight.seconds < 0.5 && eight.peakAbove / kMiB < 300 ? "ok" : "ABOVE TARGET",
        eight.made ? "thumbnails" : "fallbacks");

    // 2. A camera roll: camera pictures, movies and eight copies of each hostile picture, mixed.
    std::vector<std::string> roll;
    const std::string photo = gen::ReadFile(camera);
    for (int i = 0; i < 64; ++i) {
        roll.push_back(folder + "/roll_" + std::to_string(i) + ".JPG");
        gen::WriteFile(roll.back(), photo);
        if (i % 8 == 0) {
            roll.push_back(folder + "/roll_" + std::to_string(i) + ".MOV");
            WriteMovie(roll.back(), 400ull * 1000 * 1000);
        }
        if (i % 8 == 7) {
            for (const Shape& s : shapes) roll.push_back(s.file);
        }
    }
    DecodeBudget::Shared().ResetPeak();
    const TaskRun mixed = Thumbnails(roll);
    const double mixedPeak = mixed.peakAbove / kMiB;
    std::printf(
        "camera roll of %zu files (64 camera pictures, 8 movies of 400 MB, 8 of each "
        "hostile picture): %.2f s, %d thumbnails of the camera pictures\n",
        roll.size(), mixed.seconds, mixed.thumbnails);
    std::printf(
        "peak memory of the thumbnail task: %.1f MB above the %.1f MB before it; the "
        "budget's peak %.1f MB, %d waits (target under 300 MB) %s\n",
        mixedPeak, Resident() / kMiB, DecodeBudget::Shared().Peak() / kMiB,
        DecodeBudget::Shared().Waits(), mixedPeak < 300 ? "ok" : "ABOVE TARGET");

    // 3. Throughput on ordinary pictures.
    std::vector<std::string> distinct;
    for (int i = 0; i < 40; ++i) distinct.push_back(gen::MakeJpeg(1600, 1200, 0, 100 + i));
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder + "/IMG_" + std::to_string(i) + ".JPG");
        gen::WriteFile(files.back(), distinct[i % distinct.size()]);
    }
    bench::Spread scaledRuns, thumbRuns;
    int made = 0;
    for (int run = 0; run < 3; ++run) {
        scaledRuns.Add(ScaledDecodeFloor(files));
        const TaskRun r = Thumbnails(files);
        thumbRuns.Add(r.seconds);
        made = r.thumbnails;
    }
    const double scaled = scaledRuns.Median(), thumbs = thumbRuns.Median();
    std::printf("floor: 1/8 decode on %u threads: %s s  %8.1f pictures/s (median)\n",
                std::max(1u, std::thread::hardware_concurrency()), scaledRuns.Text("%.3f").c_str(),
                count / scaled);
    std::printf("DomainIB::ThumbnailTask:            %s s  %8.1f thumbnails/s (median; %d of %d)\n",
                thumbRuns.Text("%.3f").c_str(), count / thumbs, made, count);
    const double ratio = thumbs / scaled;
    std::printf("ratio of medians %.2f (best %.2f; target at most 1.50; load %s) %s\n", ratio,
                thumbRuns.Best() / scaledRuns.Best(), thumbRuns.load.c_str(),
                ratio <= 1.5 ? "ok" : "ABOVE TARGET");
    const bool floors =
        bench::FloorHolds("the camera picture's thumbnail", ordinaryRuns.Best(),
                          floorRuns.Best()) &&
        bench::FloorHolds("DomainIB::ThumbnailTask", thumbRuns.Best(), scaledRuns.Best());

    gen::RemoveTree(folder);
    bench::PrintLoad("at the end");
    wxEntryCleanup();
    return made == count && mixed.thumbnails == 64 && floors ? 0 : 1;
}
