// Thumbnails: the fitted size, the batches and the fallback picture for files that do not load.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "alloc_meter.h"
#include "common/image_util.h"
#include "common/task_thread.h"
#include "domain/decode_budget.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain/picture_header.h"
#include "domain/picture_probe.h"
#include "domain/thumbnail_decoder.h"
#include "domain_test_env.h"
#include "gen/backup_gen.h"
#include "gen/hostile_pictures.h"
#include "gen/media.h"
#include "support/test_support.h"

namespace {

using domain_test::EventCollector;
using domain_test::PumpUntil;

TEST(FitThumbnail, LongerSideBecomesOneHundred) {
    struct Row {
        int w, h, tw, th;
    } rows[] = {
        {640, 480, 100, 75},
        {480, 640, 75, 100},
        {50, 50, 100, 100},
        {300, 100, 100, 33},
        {100, 100, 100, 100},
        {1600, 1200, 100, 75},
        {1200, 1600, 75, 100},
        {1, 1, 100, 100},
        {101, 100, 100, 99},
        {100, 101, 99, 100},
        {3, 2, 100, 66},
        // More than 100 times as long as wide: the short side keeps one pixel.
        {1, 300, 1, 100},
        {300, 1, 100, 1},
        {1, 100000, 1, 100},
        {100000, 1, 100, 1},
        {200, 20000, 1, 100},
        {199, 20000, 1, 100},
        // No size: nothing to scale to.
        {0, 10, 0, 0},
        {10, 0, 0, 0},
        {-5, 10, 0, 0},
    };
    for (const Row& r : rows) {
        const wxSize s = DomainIB::FitThumbnail(r.w, r.h);
        EXPECT_EQ(s, wxSize(r.tw, r.th)) << r.w << " x " << r.h;
    }
}

TEST(PeekImageSize, ReadsTheHeadersOfTheCommonFormats) {
    testing_support::TempDir dir;
    gen::WriteFile(dir / "a.jpg", gen::MakeJpeg(320, 200, 6, 1));  // EXIF block before the frame
    gen::WriteFile(dir / "b.jpg", gen::MakeJpeg(17, 9, 0, 2));
    gen::WriteFile(dir / "c.png", gen::MakePng(33, 44, 3));
    wxImage gif(21, 12);
    ASSERT_TRUE(gif.ConvertToMono(0, 0, 0).SaveFile(dir / "d.bmp", wxBITMAP_TYPE_BMP));
    wxImage tiff(19, 7);
    ASSERT_TRUE(tiff.SaveFile(dir / "h.tif", wxBITMAP_TYPE_TIFF));
    gen::WriteFile(dir / "e.txt", "plain text, not a picture");
    gen::WriteFile(dir / "f.jpg", std::string("\xFF\xD8\xFF", 3));  // nothing after the start
    gen::WriteFile(dir / "g.png", gen::MakePng(33, 44, 3).substr(0, 20));
    struct Row {
        std::string name;
        bool known;
        int w, h;
    } rows[] = {{"a.jpg", true, 320, 200}, {"b.jpg", true, 17, 9}, {"c.png", true, 33, 44},
                {"d.bmp", true, 21, 12},   {"e.txt", false, 0, 0}, {"f.jpg", false, 0, 0},
                {"g.png", false, 0, 0},    {"h.tif", true, 19, 7}, {"missing", false, 0, 0}};
    for (const Row& r : rows) {
        int w = 0, h = 0;
        EXPECT_EQ(PictureProbe::PeekImageSize(dir / r.name, &w, &h), r.known) << r.name;
        if (r.known) {
            EXPECT_EQ(wxSize(w, h), wxSize(r.w, r.h)) << r.name;
        }
    }

    // What is not a regular file is not opened: a FIFO (an open would wait for ever), a link to
    // a device, a link to a picture elsewhere.
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir / "zero.jpg").c_str()), 0);
    ASSERT_EQ(symlink((dir / "a.jpg").c_str(), (dir / "link.jpg").c_str()), 0);
    const auto run = testing_support::RunInChild([&]() -> std::string {
        for (const char* name : {"fifo.jpg", "zero.jpg", "link.jpg"}) {
            const std::string path = dir / name;
            int w = 0, h = 0;
            if (PictureProbe::PeekImageSize(path, &w, &h)) return std::string(name) + " was read";
            PictureProbe::IsWholeJpeg(path);
        }
        return "";
    });
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
}

// Bytes that a camera or an editor may leave after a picture (maker data, padding); they hold
// 0xFF bytes and markers of their own.
std::string TrailingBytes(std::size_t count) {
    std::string out;
    std::uint32_t x = 2463534242u;
    for (std::size_t i = 0; i < count; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out += static_cast<char>(i % 97 == 0 ? 0xFF : x & 0xFF);
    }
    return out;
}

// A picture is whole when its first image reaches its end marker, whatever follows it.
TEST(IsWholeJpeg, CutOffJpegIsNotWhole) {
    testing_support::TempDir dir;
    const std::string jpeg = gen::MakeJpeg(64, 48, 1, 7);
    const std::string progressive = gen::MakeJpeg(64, 48, 0, 8, 85, true);
    struct Row {
        const char* name;
        std::string bytes;
        bool whole;
    } rows[] = {
        {"whole", jpeg, true},
        {"zero padding", jpeg + std::string(100, '\0'), true},
        {"100 bytes after", jpeg + TrailingBytes(100), true},
        {"8 KB after", jpeg + TrailingBytes(8 * 1024), true},
        {"20 KB after", jpeg + TrailingBytes(20 * 1024), true},
        {"second picture after", jpeg + gen::MakeJpeg(32, 32, 0, 9), true},
        {"progressive", progressive, true},
        {"progressive cut", gen::Damage(progressive), false},
        {"cut", gen::Damage(jpeg), false},
        {"cut, then a whole picture", gen::Damage(jpeg) + gen::MakeJpeg(32, 32, 0, 9), false},
        {"cut without its end marker", jpeg.substr(0, jpeg.size() - 2), false},
        {"cut in the EXIF block", jpeg.substr(0, 30), false},
        {"start only", jpeg.substr(0, 3), false},
        {"end before any scan", std::string("\xFF\xD8\xFF\xD9", 4), false},
        {"not a JPEG", gen::MakePng(4, 4, 1), true},
        {"empty", "", true},
    };
    for (const Row& r : rows) {
        gen::WriteFile(dir / "p.jpg", r.bytes);
        EXPECT_EQ(PictureProbe::IsWholeJpeg(dir / "p.jpg"), r.whole) << r.name;
        const auto* data = reinterpret_cast<const unsigned char*>(r.bytes.data());
        EXPECT_EQ(PictureProbe::IsWholeJpeg(data, r.bytes.size()), r.whole) << r.name;
    }
    EXPECT_TRUE(PictureProbe::IsWholeJpeg(dir / "missing.jpg"));
}

// What the process has read from files and sockets so far.
std::uint64_t BytesRead() {
    std::ifstream in("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value) {
        if (key == "rchar:") return value;
    }
    return 0;
}

std::uint64_t ShareOf(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    std::fseek(file, 0, SEEK_END);
    const auto size = static_cast<std::uint64_t>(std::ftell(file));
    PictureHeader header;
    const bool known = PictureHeader::Read(file, &header);
    std::fclose(file);
    return known ? ThumbnailDecoder::DecodeBytes(header, size) : 0;
}

// Pictures shaped to make a decoder spend (a few bytes declaring gigabytes, data that ends
// early, CMYK, a PNG of 10000 x 10000, an animation, a thousand scans, a movie): each is refused
// from its header or decoded within the memory its header declares. What the decode allocates
// stays under the row's bound and under the share it took from the budget, which it gives
// back; what it reads stays under the row's bound, so that a movie is not read past its header.
TEST(ThumbnailDecoder, HostilePicturesAreRefusedOrBoundedBeforeTheyAreDecoded) {
    constexpr std::uint64_t kKiB = 1024, kMiB = 1024 * 1024;
    testing_support::TempDir dir;
    wxImage plain(2000, 1500);
    ASSERT_TRUE(plain.SaveFile(wxString::FromUTF8(dir / "plain.bmp"), wxBITMAP_TYPE_BMP));
    const std::string declaring = gen::MakeJpegDeclaring(4000, 3000, true, false);
    // An 8-bit BMP with its palette of 256 entries, and with the palette's count in its header
    // made 16, which the toolkit's decoder reads past for the pixels of higher values.
    wxImage grey(40, 30);
    for (int i = 0; i < 40 * 30 * 3; ++i) grey.GetData()[i] = static_cast<unsigned char>(i / 3 * 7);
    grey.SetOption(wxIMAGE_OPTION_BMP_FORMAT, wxBMP_8BPP_GREY);
    ASSERT_TRUE(grey.SaveFile(wxString::FromUTF8(dir / "grey.bmp"), wxBITMAP_TYPE_BMP));
    const std::string greyBmp = gen::ReadFile(dir / "grey.bmp");
    ASSERT_EQ(greyBmp.substr(46, 4), std::string("\0\1\0\0", 4));
    auto withColours = [&greyBmp](const char* count) {
        return greyBmp.substr(0, 46) + std::string(count, 4) + greyBmp.substr(50);
    };
    const std::string movie = std::string(
        "\0\0\0\x14"
        "ftypqt  \0\0\0\0qt  ",
        20);
    struct Row {
        const char* name;
        std::string bytes;
        std::uint64_t fileBytes;  // the file is extended (as a hole) to this size
        wxSize thumbnail;         // none: the picture is refused
        std::uint64_t maxHeap;
        std::uint64_t maxRead;
    } rows[] = {
        {"progressive JPEG declaring 10000 x 10000",
         gen::MakeJpegDeclaring(10000, 10000, true, false), 0, wxSize(), 64 * kKiB, 64 * kKiB},
        {"CMYK JPEG declaring 10000 x 10000", gen::MakeJpegDeclaring(10000, 10000, false, true), 0,
         wxSize(), 64 * kKiB, 64 * kKiB},
        {"JPEG declaring 6000 x 6000", gen::MakeJpegDeclaring(6000, 6000, false, false), 0,
         wxSize(), 64 * kKiB, 64 * kKiB},
        {"progressive JPEG declaring 4000 x 3000, 1 MB after its end",
         declaring + std::string(1024 * 1024, 'U'), 0, wxSize(), 1100 * kKiB, 1100 * kKiB},
        {"progressive JPEG declaring 6000 x 4000, over the coefficient limit",
         gen::MakeJpegDeclaring(6000, 4000, true, false) + std::string(100 * 1024, 'U'), 0,
         wxSize(), 64 * kKiB, 64 * kKiB},
        {"CMYK JPEG of 1200 x 900", gen::MakeCmykJpeg(1200, 900, 3), 0, wxSize(100, 75), 2 * kMiB,
         2 * kMiB},
        {"PNG declaring 10000 x 10000", gen::MakePngDeclaring(10000, 10000), 0, wxSize(), 64 * kKiB,
         64 * kKiB},
        {"PNG declaring 3000 x 3000, one row of data", gen::MakePngDeclaring(3000, 3000), 0,
         wxSize(), kMiB, 64 * kKiB},
        {"PNG of 2000 x 2000 in RGBA", gen::MakeBlankPng(2000, 2000, true), 0, wxSize(100, 100),
         kMiB, kMiB},
        {"PNG of 3000 x 3000 in RGBA, over the data limit", gen::MakeBlankPng(3000, 3000, true), 0,
         wxSize(), 64 * kKiB, 64 * kKiB},
        {"GIF of 20 frames of 1000 x 800", gen::MakeGif(1000, 800, 20, 3), 0, wxSize(100, 80),
         2 * kMiB, 2 * kMiB},
        {"GIF declaring a frame of 65535 x 65535", gen::MakeGifDeclaring(65535, 65535), 0, wxSize(),
         64 * kKiB, 64 * kKiB},
        {"JPEG of 1,000 scans", gen::MakeJpegInScans(320, 240, 1000, false, 4), 0, wxSize(), kMiB,
         kMiB},
        {"JPEG of 60 scans, DC finished last, 1600 x 1200",
         gen::MakeJpegInScans(1600, 1200, 60, true, 5), 0, wxSize(100, 75), 8 * kMiB, kMiB},
        {"movie of 400 MB", movie, 400 * kMiB, wxSize(), 64 * kKiB, 64 * kKiB},
        {"BMP of 2000 x 1500", gen::ReadFile(dir / "plain.bmp"), 0, wxSize(), 64 * kKiB, 64 * kKiB},
        {"8-bit BMP of 40 x 30", greyBmp, 0, wxSize(100, 75), 64 * kKiB, 64 * kKiB},
        {"8-bit BMP declaring 16 palette entries", withColours("\x10\0\0\0"), 0, wxSize(),
         64 * kKiB, 64 * kKiB},
        // libtiff takes the first of repeated tags: a TIFF that gives its size twice is measured
        // at the first.
        {"TIFF giving 25000 x 25000 first, 10 x 10 last",
         gen::MakeTiffGivingSizeTwice(25000, 25000, 10, 10), 0, wxSize(), 64 * kKiB, 64 * kKiB},
        {"TIFF giving 10 x 10 first, 25000 x 25000 last",
         gen::MakeTiffGivingSizeTwice(10, 10, 25000, 25000), 0, wxSize(100, 100), 2 * kMiB,
         64 * kKiB},
    };
    int index = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string path = dir / ("picture_" + std::to_string(index++));
        gen::WriteFile(path, r.bytes);
        if (r.fileBytes > r.bytes.size()) {
            ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(r.fileBytes)), 0);
        }
        DecodeBudget budget(DecodeBudget::kSharedBytes);
        domain_test::AllocMeter meter;
        const std::uint64_t readBefore = BytesRead();
        meter.Start();
        const wxImage image = ThumbnailDecoder::Decode(path, budget);
        meter.Stop();
        const std::uint64_t read = BytesRead() - readBefore;
        EXPECT_EQ(image.IsOk(), r.thumbnail != wxSize());
        if (image.IsOk()) {
            EXPECT_EQ(image.GetSize(), r.thumbnail);
        }
        EXPECT_LE(meter.Peak(), r.maxHeap);
        EXPECT_LE(read, r.maxRead);
        EXPECT_EQ(budget.InUse(), 0u);
        EXPECT_LE(budget.Peak(), ThumbnailDecoder::kMaxPictureBytes);
        // What its header shows too large is refused before the budget is asked.
        if (ShareOf(path) == 0) {
            EXPECT_EQ(budget.Peak(), 0u);
        }
        if (budget.Peak() > 0) {
            EXPECT_EQ(budget.Peak(), ShareOf(path));
            EXPECT_LE(meter.Peak(), budget.Peak()) << "the decode took more than its share";
        }
    }
}

// A GIF's frame is found once, when its header is read, past extensions of any block size, and
// decoded from there with the transparent colour of the control block before it: the thumbnail is
// the toolkit's own decode of the file, scaled, magenta where the picture is transparent.
TEST(ThumbnailDecoder, GifFrameIsDecodedWhereItsHeaderFoundIt) {
    testing_support::TempDir dir;
    for (int block : {1, 255}) {
        SCOPED_TRACE(block);
        std::string gif = gen::MakeGifWithComment(64, 48, 100 * 1000, block);
        // The frame's control block: transparent, colour 7 (the frame's top left corner).
        const std::size_t control = gif.find(std::string("\x21\xF9\x04\x04", 4));
        ASSERT_NE(control, std::string::npos);
        gif[control + 3] = '\x05';
        gif[control + 6] = '\x07';
        const std::string path = dir / ("comment_" + std::to_string(block) + ".gif");
        gen::WriteFile(path, gif);
        const wxImage thumbnail = ThumbnailDecoder::Decode(path);
        wxImage own;
        ASSERT_TRUE(own.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_GIF));
        const wxImage expected = ThumbnailDecoder::ScaleNearest(own, 100, 75);
        ASSERT_TRUE(thumbnail.IsOk());
        ASSERT_EQ(thumbnail.GetSize(), wxSize(100, 75));
        ASSERT_TRUE(thumbnail.HasMask());
        EXPECT_EQ(thumbnail.GetRed(0, 0), 255);
        EXPECT_EQ(thumbnail.GetGreen(0, 0), 0);
        EXPECT_EQ(thumbnail.GetBlue(0, 0), 255);
        EXPECT_EQ(0, std::memcmp(thumbnail.GetData(), expected.GetData(), 3 * 100 * 75));
    }
}

// Decodes that run at once share one budget: a decode whose share does not fit waits until
// another gives its share back, instead of failing, and the budget never holds more than it
// has; a share larger than the whole budget is refused at once.
TEST(ThumbnailDecoder, DecodesRunningAtOnceWaitForTheirShareOfOneBudget) {
    testing_support::TempDir dir;
    const std::string path = dir / "IMG_0001.JPG";
    gen::WriteFile(path, gen::MakeJpeg(1600, 1200, 1, 3));
    const std::uint64_t share = ShareOf(path);
    ASSERT_GT(share, 0u);
    DecodeBudget budget(share * 3 / 2);  // room for one decode at a time
    std::atomic<int> made{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 4; ++i) {
                const wxImage image = ThumbnailDecoder::Decode(path, budget);
                if (image.IsOk() && image.GetSize() == wxSize(100, 75)) ++made;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(made.load(), 24);
    EXPECT_EQ(budget.Peak(), share);
    EXPECT_GT(budget.Waits(), 0);
    EXPECT_EQ(budget.InUse(), 0u);

    DecodeBudget small(share - 1);
    EXPECT_FALSE(ThumbnailDecoder::Decode(path, small).IsOk());
    EXPECT_EQ(small.Peak(), 0u);
    EXPECT_EQ(small.Waits(), 0);
}

// A PNG whose header claims a huge picture; the rest of the file is a small real one.
std::string HugePng() {
    std::string png = gen::MakePng(8, 8, 5);
    const unsigned char huge[8] = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60};  // 60000 x 60000
    std::memcpy(&png[16], huge, 8);
    return png;
}

class Thumbnails : public ::testing::Test {
  protected:
    void SetUp() override { REQUIRE_GUI(); }

    // Adds a record for a file written with contents (none written when contents is null).
    void Add(const std::string& name, const std::string* contents) {
        auto* photo = new Photo();
        photo->file_name = wxString::FromUTF8(name);
        photo->path = dir_ / name;
        if (contents != nullptr) gen::WriteFile(dir_ / name, *contents);
        photos_.push_back(photo);
    }

    // Runs the task on a worker and collects its events; every batch's request copy is checked
    // and released, as the kind screen does.
    std::vector<wxString> Run() {
        auto* request = new ScanRequest();
        request->target = &target_;
        request->grid = reinterpret_cast<wxGrid*>(&target_);  // passed through untouched
        request->photos = &photos_;
        const int ended = domain_test::TasksEnded();
        domain_test::StartCountedTask(request, DomainIB::ThumbnailTask);
        EXPECT_TRUE(PumpUntil(target_, [&] {
            return !target_.events.empty() && target_.events.back().id == ID_THUMBNAILS_DONE &&
                   domain_test::TasksEnded() > ended;
        }));
        std::vector<wxString> batches;
        for (std::size_t i = 0; i < target_.events.size(); ++i) {
            const auto& e = target_.events[i];
            EXPECT_TRUE(e.onMainThread);
            if (e.id == ID_THUMBNAILS_DONE) {
                EXPECT_EQ(i + 1, target_.events.size()) << "done must come last";
                EXPECT_EQ(e.integer, 0);
                continue;
            }
            EXPECT_EQ(e.id, ID_THUMBNAIL_BATCH);
            auto* copy = static_cast<ScanRequest*>(e.pointer);
            EXPECT_NE(copy, request);
            EXPECT_EQ(copy->device, nullptr);
            EXPECT_EQ(copy->target, nullptr);
            EXPECT_EQ(copy->grid, reinterpret_cast<wxGrid*>(&target_));
            EXPECT_EQ(copy->photos, &photos_);
            // The range is ready when its event arrives.
            long first = -1, last = -1;
            EXPECT_TRUE(e.text.BeforeFirst(':').ToLong(&first));
            EXPECT_TRUE(e.text.AfterFirst(':').ToLong(&last));
            for (long j = first; j >= 0 && j <= last && j < (long)photos_.size(); ++j)
                EXPECT_NE(photos_[j]->thumbnail, nullptr) << j;
            batches.push_back(e.text);
            TrackedDelete(__FILE__, __LINE__, copy);
        }
        return batches;
    }

    void TearDown() override {
        for (Photo*& p : photos_) TrackedDelete(__FILE__, __LINE__, p);
    }

    testing_support::TempDir dir_;
    PhotoList photos_;
    EventCollector target_;
};

TEST_F(Thumbnails, EmptyListSendsOnlyDone) {
    EXPECT_TRUE(Run().empty());
    ASSERT_EQ(target_.events.size(), 1u);
    EXPECT_EQ(target_.events[0].id, ID_THUMBNAILS_DONE);
}

TEST_F(Thumbnails, TwentyPicturesMakeOneBatch) {
    for (int i = 0; i < 20; ++i) {
        const std::string jpeg = gen::MakeJpeg(64 + i, 48, 0, i);
        Add("IMG_" + std::to_string(i) + ".JPG", &jpeg);
    }
    EXPECT_EQ(Run(), std::vector<wxString>{wxS("0:19")});
    EXPECT_EQ(photos_[0]->thumbnail->GetSize(), DomainIB::FitThumbnail(64, 48));
}

// Damaged, missing, empty, huge and non-picture files in the middle get the fallback picture and
// do not shorten their batch.
TEST_F(Thumbnails, FortyFivePicturesWithBadFilesInside) {
    const std::string good = gen::MakeJpeg(640, 480, 0, 1);
    const std::string tall = gen::MakePng(30, 40, 2);
    const std::string damaged = gen::Damage(gen::MakeJpeg(640, 480, 0, 3));
    const std::string empty;
    const std::string text = "this is not a picture";
    const std::string huge = HugePng();
    const std::string square = gen::MakePng(100, 100, 4);
    const std::string thin = gen::MakePng(1, 300, 5);
    // A format whose header proves nothing (any bytes may pass for one) is not decoded.
    wxImage pnm(40, 30);
    ASSERT_TRUE(pnm.SaveFile(wxString::FromUTF8(dir_ / "pnm"), wxBITMAP_TYPE_PNM));
    const std::string portable = gen::ReadFile(dir_ / "pnm");
    // Index, extension and contents of the files that are not the good JPEG; null: no file.
    const std::map<int, std::pair<const char*, const std::string*>> oddFiles = {
        {3, {".JPG", nullptr}},    {7, {".PNG", &tall}},    {25, {".JPG", &damaged}},
        {26, {".JPG", &empty}},    {27, {".JPG", &text}},   {28, {".PNG", &huge}},
        {29, {".PNM", &portable}}, {41, {".PNG", &square}}, {42, {".PNG", &thin}},
    };
    for (int i = 0; i < 45; ++i) {
        const std::string name = "IMG_" + std::to_string(i);
        const auto it = oddFiles.find(i);
        if (it == oddFiles.end())
            Add(name + ".JPG", &good);
        else
            Add(name + it->second.first, it->second.second);
    }
    const int assertionsBefore = domain_test::AssertionCount();
    EXPECT_EQ(Run(), (std::vector<wxString>{wxS("0:19"), wxS("20:39"), wxS("40:44")}));
    EXPECT_EQ(domain_test::AssertionCount(), assertionsBefore);

    for (Photo* p : photos_) ASSERT_NE(p->thumbnail, nullptr) << p->file_name;
    EXPECT_EQ(photos_[0]->thumbnail->GetSize(), wxSize(100, 75));
    EXPECT_EQ(photos_[7]->thumbnail->GetSize(), wxSize(75, 100));
    EXPECT_EQ(photos_[41]->thumbnail->GetSize(), wxSize(100, 100));  // kept at its size
    EXPECT_EQ(photos_[42]->thumbnail->GetSize(), wxSize(1, 100));
    // The fallback is the theme's picture; a good picture's thumbnail differs from it.
    wxBitmap* fallback = photos_[3]->thumbnail;
    const wxImage fallbackImage = fallback->ConvertToImage();
    for (int bad : {3, 25, 26, 27, 28, 29}) {
        const wxImage image = photos_[bad]->thumbnail->ConvertToImage();
        ASSERT_EQ(image.GetSize(), fallbackImage.GetSize()) << bad;
        EXPECT_EQ(0, std::memcmp(image.GetData(), fallbackImage.GetData(),
                                 3 * image.GetWidth() * image.GetHeight()))
            << bad;
        if (bad != 3) {
            EXPECT_NE(photos_[bad]->thumbnail, fallback);  // each record owns its own
        }
    }
    const wxImage goodImage = photos_[0]->thumbnail->ConvertToImage();
    EXPECT_NE(goodImage.GetSize(), fallbackImage.GetSize());
}

// A whole picture followed by other bytes gets its own thumbnail; one cut in its compressed
// data gets the fallback.
TEST_F(Thumbnails, PicturesWithTrailingBytesKeepTheirThumbnail) {
    const std::string jpeg = gen::MakeJpeg(160, 120, 6, 11);
    const std::string files[] = {
        jpeg,
        jpeg + TrailingBytes(100),
        jpeg + TrailingBytes(8 * 1024),
        jpeg + TrailingBytes(20 * 1024),
        jpeg + gen::MakeJpeg(640, 480, 0, 12),
        gen::Damage(jpeg),
        gen::Damage(jpeg) + TrailingBytes(8 * 1024),
    };
    for (std::size_t i = 0; i < sizeof files / sizeof files[0]; ++i)
        Add("IMG_" + std::to_string(i) + ".JPG", &files[i]);
    const int assertionsBefore = domain_test::AssertionCount();
    Run();
    EXPECT_EQ(domain_test::AssertionCount(), assertionsBefore);
    const wxImage real = photos_[0]->thumbnail->ConvertToImage();
    ASSERT_EQ(real.GetSize(), wxSize(100, 75));
    for (std::size_t i = 1; i < photos_.size(); ++i) {
        ASSERT_NE(photos_[i]->thumbnail, nullptr) << i;
        const wxImage image = photos_[i]->thumbnail->ConvertToImage();
        const bool same = image.GetSize() == real.GetSize() &&
                          std::memcmp(image.GetData(), real.GetData(), 3 * 100 * 75) == 0;
        EXPECT_EQ(same, i < 5) << i;
        if (i >= 5) {
            EXPECT_EQ(image.GetSize(), wxSize(100, 100)) << i;  // the fallback picture
        }
    }
}

// A JPEG picture is decoded at a reduced scale that still covers its thumbnail; the thumbnail
// matches the one scaled down from the full decode, for wide, tall, square, tiny and odd sizes,
// progressive pictures and pictures with an orientation tag, also with several pictures decoded
// at once.
TEST_F(Thumbnails, ScaledJpegDecodesMatchTheFullDecodeScaledDown) {
    struct Case {
        int width, height, orientation;
        bool progressive;
    };
    const Case cases[] = {{1600, 1200, 0, false}, {1200, 1600, 6, false}, {640, 480, 0, true},
                          {101, 99, 3, false},    {100, 100, 0, false},   {50, 30, 0, false},
                          {30, 50, 8, true},      {8, 800, 0, false},     {800, 8, 0, false},
                          {2001, 1333, 0, false}, {1, 1, 0, false},       {799, 1203, 5, true}};
    std::vector<std::string> files;
    for (const Case& c : cases) {
        files.push_back(gen::MakeJpeg(c.width, c.height, c.orientation,
                                      static_cast<std::uint32_t>(files.size() + 7), 90,
                                      c.progressive));
    }
    for (int copy = 0; copy < 3; ++copy) {
        for (std::size_t i = 0; i < files.size(); ++i)
            Add("IMG_" + std::to_string(copy) + "_" + std::to_string(i) + ".JPG", &files[i]);
    }
    Run();
    for (std::size_t i = 0; i < photos_.size(); ++i) {
        const Case& c = cases[i % files.size()];
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        wxImage full;
        ASSERT_TRUE(full.LoadFile(wxString::FromUTF8(photos_[i]->path), wxBITMAP_TYPE_JPEG));
        const wxSize fit = DomainIB::FitThumbnail(full.GetWidth(), full.GetHeight());
        const wxImage expected = ThumbnailDecoder::ScaleNearest(full, fit.x, fit.y);
        ASSERT_NE(photos_[i]->thumbnail, nullptr);
        const wxImage shown = photos_[i]->thumbnail->ConvertToImage();
        ASSERT_EQ(shown.GetSize(), expected.GetSize());
        // A side of eight pixels shrinks to one: that pixel is the mean of the eight, where the
        // full decode shows the first; only the size is compared then.
        if (c.width <= 8 || c.height <= 8) continue;
        const std::size_t bytes = 3u * static_cast<std::size_t>(fit.x) * fit.y;
        long total = 0;
        std::size_t far = 0;
        for (std::size_t b = 0; b < bytes; ++b) {
            const int d = std::abs(shown.GetData()[b] - expected.GetData()[b]);
            total += d;
            if (d > 40) ++far;
        }
        // A progressive picture shown at 1/8 is read only up to its DC values, whose last bit
        // some encoders (libjpeg's own progression among them) send after the AC coefficients:
        // its pixels may lie a level or two further off.
        const bool firstScansOnly =
            c.progressive && ThumbnailDecoder::JpegEighths(c.width, c.height, fit.x, fit.y) == 1;
        EXPECT_LE(static_cast<double>(total) / bytes, firstScansOnly ? 5.0 : 4.0);
        EXPECT_LE(static_cast<double>(far) / bytes, firstScansOnly ? 0.04 : 0.03);
    }
    // The scale: the smallest eighth that still covers the thumbnail.
    EXPECT_EQ(ThumbnailDecoder::JpegEighths(1600, 1200, 100, 75), 1);
    EXPECT_EQ(ThumbnailDecoder::JpegEighths(640, 480, 100, 75), 2);
    EXPECT_EQ(ThumbnailDecoder::JpegEighths(799, 1203, 66, 100), 1);
    EXPECT_EQ(ThumbnailDecoder::JpegEighths(101, 99, 100, 98), 8);
    EXPECT_EQ(ThumbnailDecoder::JpegEighths(50, 30, 100, 60), 8);
}

// Nearest-neighbour scaling takes source pixels as they are, also when the sizes divide evenly.
TEST_F(Thumbnails, ScalingKeepsColoursAndAlpha) {
    wxImage picture(400, 200);
    picture.SetAlpha();
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (x < 200)
                picture.SetRGB(x, y, 255, 0, 0);
            else
                picture.SetRGB(x, y, 0, 0, 255);
            picture.SetAlpha(x, y, y < 100 ? 255 : 0);
        }
    }
    ASSERT_TRUE(picture.SaveFile(wxString::FromUTF8(dir_ / "halves.png"), wxBITMAP_TYPE_PNG));
    Add("halves.png", nullptr);
    Run();
    ASSERT_NE(photos_[0]->thumbnail, nullptr);
    const wxImage thumb = photos_[0]->thumbnail->ConvertToImage();
    ASSERT_EQ(thumb.GetSize(), wxSize(100, 50));
    ASSERT_TRUE(thumb.HasAlpha());
    EXPECT_EQ(thumb.GetRed(10, 10), 255);
    EXPECT_EQ(thumb.GetBlue(10, 10), 0);
    EXPECT_EQ(thumb.GetRed(90, 10), 0);
    EXPECT_EQ(thumb.GetBlue(90, 10), 255);
    EXPECT_EQ(thumb.GetAlpha(10, 10), 255);
    EXPECT_EQ(thumb.GetAlpha(10, 40), 0);
}

// The worker reads the fallback out of the theme archive while the GUI thread reads theme
// images too; both get whole pictures.
TEST_F(Thumbnails, FallbackLoadsWhileTheGuiLoadsThemeImages) {
    for (int i = 0; i < 80; ++i) Add("missing_" + std::to_string(i), nullptr);
    auto* request = new ScanRequest();
    request->target = &target_;
    request->photos = &photos_;
    const int ended = domain_test::TasksEnded();
    domain_test::StartCountedTask(request, DomainIB::ThumbnailTask);
    int loaded = 0;
    bool done = false;
    while (!done) {
        wxBitmap* bitmap =
            ImageUtil::LoadThemeBitmap(wxS("image/content/unload_picture.png"), wxBITMAP_TYPE_PNG);
        if (bitmap != nullptr && bitmap->GetSize() == wxSize(100, 100)) ++loaded;
        delete bitmap;
        PumpUntil(target_, [&] {
            done = !target_.events.empty() && target_.events.back().id == ID_THUMBNAILS_DONE &&
                   domain_test::TasksEnded() > ended;
            return true;
        });
    }
    EXPECT_GT(loaded, 0);
    for (const auto& e : target_.events) {
        if (e.id == ID_THUMBNAIL_BATCH) delete static_cast<ScanRequest*>(e.pointer);
    }
    for (Photo* p : photos_) {
        ASSERT_NE(p->thumbnail, nullptr);
        EXPECT_EQ(p->thumbnail->GetSize(), wxSize(100, 100));
    }
}

TEST_F(Thumbnails, NoTargetStillFillsTheRecords) {
    const std::string png = gen::MakePng(20, 10, 9);
    Add("a.png", &png);
    auto* request = new ScanRequest();
    request->photos = &photos_;
    DomainIB::ThumbnailTask(request);  // no target: no events, request released
    ASSERT_NE(photos_[0]->thumbnail, nullptr);
    EXPECT_EQ(photos_[0]->thumbnail->GetSize(), wxSize(100, 50));
    DomainIB::ThumbnailTask(nullptr);
}

}  // namespace
