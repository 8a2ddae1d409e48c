#include "mbdb/mbdb.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "gen/backup_gen.h"
#include "support/test_support.h"

using namespace ib;

namespace {

using gen::MbdbRecord;
using testing_support::TempDir;

class MbdbTest : public testing::Test {
  protected:
    std::string Folder() const { return dir_.Path() + "/"; }

    void WriteManifest(const std::string& bytes) {
        gen::WriteFile(Folder() + "Manifest.mbdb", bytes);
    }

    // Parses the manifest and returns the paths of the records, in list order.
    std::vector<std::string> ParsePaths(bool* ok = nullptr) {
        mbdb_ = std::make_unique<Mbdb>();
        const bool result = mbdb_->Parse(Folder());
        if (ok) *ok = result;
        std::vector<std::string> paths;
        for (const auto* r : *mbdb_->GetRecords()) paths.emplace_back(r->path);
        return paths;
    }

    static MbdbRecord Rec(const std::string& domain, const std::string& path) {
        MbdbRecord r;
        r.domain = domain;
        r.path = path;
        r.mtime = 1370000000;
        r.size = 1234;
        return r;
    }

    TempDir dir_;
    std::unique_ptr<Mbdb> mbdb_;
};

TEST_F(MbdbTest, HeaderOnlyAndBadHeaders) {
    struct Row {
        std::string bytes;
        bool ok;
    } rows[] = {
        {std::string("mbdb\x05\x00", 6), true},  {std::string("mbdb\x04\x00", 6), false},
        {std::string("mbdb\x05", 5), false},     {std::string(), false},
        {std::string("mbdx\x05\x00", 6), false}, {std::string("bplist00\x00\x00", 10), false},
    };
    for (const Row& r : rows) {
        WriteManifest(r.bytes);
        bool ok = false;
        EXPECT_TRUE(ParsePaths(&ok).empty());
        EXPECT_EQ(ok, r.ok) << r.bytes.size();
        EXPECT_EQ(mbdb_->GetRootFolder(), Folder());
    }
}

TEST_F(MbdbTest, MissingOrDirectoryManifestIsNotRead) {
    bool ok = true;
    EXPECT_TRUE(ParsePaths(&ok).empty());
    EXPECT_FALSE(ok);
    gen::MakeDirs(Folder() + "Manifest.mbdb");
    EXPECT_TRUE(ParsePaths(&ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(mbdb_->FindStoredFile(""), "");
}

TEST_F(MbdbTest, ManifestThatIsNoRegularFileIsNotRead) {
    // A good manifest outside the folder: a link to it must not be followed out of the folder.
    TempDir outside;
    gen::WriteFile(outside / "Manifest.mbdb",
                   gen::EncodeMbdb({Rec("HomeDomain", "Library/Notes/notes.sqlite")}));
    const std::string manifest = Folder() + "Manifest.mbdb";
    struct Case {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"FIFO", [&] { ASSERT_EQ(mkfifo(manifest.c_str(), 0600), 0); }},
        {"link to /dev/zero", [&] { ASSERT_EQ(symlink("/dev/zero", manifest.c_str()), 0); }},
        {"link out of the folder",
         [&] { ASSERT_EQ(symlink((outside / "Manifest.mbdb").c_str(), manifest.c_str()), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(manifest.c_str());
        c.make();
        // A blocking open of the FIFO, or a read of the endless device, would never end.
        const auto run = testing_support::RunInChild(
            [&]() -> std::string {
                bool ok = true;
                if (!ParsePaths(&ok).empty() || ok) return "the manifest was read";
                return std::string();
            },
            testing_support::kHangGuard);
        EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
        EXPECT_EQ(run.report, "");
    }
}

TEST_F(MbdbTest, RecordFieldsAreDecoded) {
    MbdbRecord r = Rec("HomeDomain", "Library/SMS/sms.db");
    r.linkTarget = "";
    r.dataHash = std::string("\x01\x02\xfe", 3);  // not printable: upper-case hex
    r.encryptionKey = "plain text key";           // printable: kept as text
    r.mode = 0x81A4;
    r.inode = 0x0000000100000002ULL;
    r.uid = 501;
    r.gid = 502;
    r.mtime = 0;
    r.atime = 86400;
    r.ctime = 1370336587;
    r.size = 0x100000005ULL;  // above 4 GiB: the low 32 bits stay
    r.flags = 4;
    r.properties = {{"com.apple.assetsd.UUID", std::string("\x8f\x10", 2)}, {"name", "value"}};
    WriteManifest(gen::EncodeMbdb({r}));
    ASSERT_EQ(ParsePaths(), std::vector<std::string>{"Library/SMS/sms.db"});
    const Mbdb::MBFileRecord* got = mbdb_->GetRecords()->front();
    EXPECT_EQ(got->domain, "HomeDomain");
    EXPECT_EQ(got->linkTarget, "");
    EXPECT_EQ(got->dataHash, "0102FE");
    EXPECT_EQ(got->encryptionKey, "plain text key");
    EXPECT_EQ(got->mode, 0x81A4);
    EXPECT_EQ(got->inodeHigh, 1);
    EXPECT_EQ(got->inodeLow, 2u);
    EXPECT_EQ(got->uid, 501u);
    EXPECT_EQ(got->gid, 502u);
    EXPECT_EQ(got->MTime().tm_year, 70);
    EXPECT_EQ(got->ATime().tm_mday, 2);
    EXPECT_EQ(got->CTime().tm_year + 1900, 2013);
    EXPECT_EQ(got->CTime().tm_hour, 9);
    EXPECT_EQ(got->size, 5u);
    EXPECT_EQ(got->flags, 4);
    ASSERT_EQ(got->propertyCount, 2);
    EXPECT_EQ(got->properties[0].name, "com.apple.assetsd.UUID");
    EXPECT_EQ(got->properties[0].value, "8F10");
    EXPECT_EQ(got->properties[1].value, "value");
    // SHA-1 of "HomeDomain-Library/SMS/sms.db", the well-known name of the message database.
    EXPECT_EQ(got->fileName(), "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    EXPECT_EQ(mbdb_->FindStoredFile("Library/SMS/sms.db"), Folder() + got->fileName());
    EXPECT_EQ(got->fixedFieldsHex(),
              "81A4 00000001 00000002 000001F5 000001F6 00000000 00015180 51ADAD4B "
              "0000000100000005 04 02");
}

// The record times match the runtime's gmtime over the whole 32-bit range, leap days included.
TEST(MbdbTimeTest, BrokenDownTimesMatchGmtime) {
    std::vector<std::uint32_t> samples = {0u,          59u,         86399u,      86400u,
                                          951782400u,  951868799u,  1078012800u, 1370336587u,
                                          2147483647u, 2147483648u, 4107542400u, 4294967295u};
    for (std::uint32_t s = 12345; s < 4294000000u; s += 7777777u) samples.push_back(s);
    for (std::uint32_t seconds : samples) {
        const struct tm got = Mbdb::MBFileRecord::ToUtc(seconds);
        const time_t t = seconds;
        struct tm want;
        ASSERT_NE(gmtime_r(&t, &want), nullptr);
        EXPECT_EQ(got.tm_year, want.tm_year) << seconds;
        EXPECT_EQ(got.tm_mon, want.tm_mon) << seconds;
        EXPECT_EQ(got.tm_mday, want.tm_mday) << seconds;
        EXPECT_EQ(got.tm_hour, want.tm_hour) << seconds;
        EXPECT_EQ(got.tm_min, want.tm_min) << seconds;
        EXPECT_EQ(got.tm_sec, want.tm_sec) << seconds;
        EXPECT_EQ(got.tm_wday, want.tm_wday) << seconds;
        EXPECT_EQ(got.tm_yday, want.tm_yday) << seconds;
    }
}

TEST_F(MbdbTest, AbsentAndEmptyStringsConsumeNoBytes) {
    std::string bytes = gen::EncodeMbdbHeader();
    bytes += gen::EncodeMbdbString("HomeDomain");
    bytes += gen::EncodeMbdbString("", /*absent=*/true);  // path absent
    bytes += gen::EncodeMbdbString("");                   // link target empty
    bytes += gen::EncodeMbdbString("", true);
    bytes += gen::EncodeMbdbString("", true);
    bytes += std::string(40, '\0');
    bytes += gen::EncodeMbdbRecord(Rec("MediaDomain", "Media/x"));
    WriteManifest(bytes);
    EXPECT_EQ(ParsePaths(), (std::vector<std::string>{"", "Media/x"}));
}

// The phone's files are taken only from the domain the phone keeps them in, whatever other
// domain (an app's container, listed first as real manifests list the apps) holds the same path;
// within the domain the database lookup takes the first record and the media lookup the last.
TEST_F(MbdbTest, PhoneFilesOnlyFromTheirDomain) {
    const std::string notes = "Library/Notes/notes.sqlite";
    const std::string sms = "Library/SMS/sms.db";
    const std::string calls = "Library/CallHistory/call_history.db";
    const std::string photos = "Media/PhotoData/Photos.sqlite";
    const std::string memo = "Media/Recordings/20130101 120000.m4a";
    const std::string part = "Library/SMS/Attachments/0a/10/IMG_0001.JPG";
    WriteManifest(gen::EncodeMbdb(
        {Rec("AppDomain-com.example.app", notes), Rec("AppDomain-com.example.app", sms),
         Rec("HomeDomain", notes), Rec("HomeDomain", calls), Rec("MediaDomain", photos),
         Rec("WirelessDomain", calls), Rec("HomeDomain", notes), Rec("CameraRollDomain", photos),
         Rec("CameraRollDomain", memo), Rec("AppDomain-com.example.app", part),
         Rec("AppDomain-x", notes), Rec("MediaDomain", "other")}));
    ParsePaths();
    struct Row {
        std::string path;
        std::string first;  // domain of the database lookup's record; empty for none
        std::string last;   // domain of the media lookup's record
    } rows[] = {
        {notes, "HomeDomain", "HomeDomain"},
        {sms, "", ""},  // only an app's decoy
        {calls, "WirelessDomain", "WirelessDomain"},
        {photos, "MediaDomain", "CameraRollDomain"},  // iOS 5 and later domains, file order
        {memo, "", ""},                               // memos are in MediaDomain only
        {part, "", ""},
        {"other", "", ""},  // no file of the phone's
        {"library/notes/notes.sqlite", "", ""},
        {"/Library/Notes/notes.sqlite", "", ""},
    };
    // The stored files of a domain and path; the same file for each record of it.
    auto stored = [this](const std::string& domain, const std::string& path) {
        return domain.empty() ? std::string() : Folder() + gen::StoredName(domain, path);
    };
    for (const Row& r : rows) {
        EXPECT_EQ(mbdb_->FindStoredFile(r.path), stored(r.first, r.path)) << r.path;
        EXPECT_EQ(mbdb_->FindMediaFile(r.path), stored(r.last, r.path)) << r.path;
    }
    EXPECT_EQ(mbdb_->GetRecordMap().size(), 7u);
    EXPECT_EQ(mbdb_->GetRecords()->size(), 12u);
}

// No lookup walks the records that share its path or the start of its path: a manifest of one
// path many times over (in an app's domain, with the phone's record among them) and one of many
// paths that differ only at their end are looked up in a number of index steps that follows the
// logarithm of the records.
TEST_F(MbdbTest, LookupsWalkNoRunOfRecords) {
    const std::size_t n = 20000;
    const std::string sms = "Library/SMS/sms.db";
    struct Case {
        const char* name;
        std::vector<MbdbRecord> records;
        std::string path;
        std::string want;  // domain of the answer
    } cases[2] = {{"one path", {}, sms, "HomeDomain"},
                  {"one prefix", {}, "Media/DCIM/100APPLE/IMG_9999.JPG", "CameraRollDomain"}};
    for (std::size_t i = 0; i < n; ++i) {
        cases[0].records.push_back(
            Rec(i == n / 2 ? "HomeDomain" : "AppDomain-com.example.app", sms));
        cases[1].records.push_back(
            Rec("CameraRollDomain", "Media/DCIM/100APPLE/IMG_" + std::to_string(i) + ".JPG"));
    }
    for (Case& c : cases) {
        WriteManifest(gen::EncodeMbdb(c.records));
        ParsePaths();
        ASSERT_EQ(mbdb_->GetRecords()->size(), n) << c.name;
        EXPECT_EQ(mbdb_->FindStoredFile(c.path), Folder() + gen::StoredName(c.want, c.path));
        const std::size_t before = mbdb_->IndexSteps();
        EXPECT_EQ(mbdb_->FindMediaFile(c.path), Folder() + gen::StoredName(c.want, c.path));
        EXPECT_EQ(mbdb_->FindMediaFile(c.path + "x"), "");
        // Two binary searches per domain, at most two domains, two lookups: 8 x 16 steps.
        EXPECT_LE(mbdb_->IndexSteps() - before, 8u * 16u) << c.name;
    }
}

// A manifest beyond its bounds (bytes claimed by the file, records) is refused whole and keeps
// nothing; nothing is sized by what a file claims, so a sparse file of a gigabyte that holds a few
// kilobytes costs what those do. A small manifest takes memory of its own size.
TEST_F(MbdbTest, ManifestBeyondItsBoundsIsRefusedWhole) {
    const std::string bytes = gen::EncodeMbdb({Rec("HomeDomain", "Library/SMS/sms.db"),
                                               Rec("MediaDomain", "Media/Recordings/a.m4a"),
                                               Rec("WirelessDomain", "Library")});
    Mbdb::Limits three;
    three.records = 3;
    Mbdb::Limits two;
    two.records = 2;
    Mbdb::Limits small;
    small.bytes = bytes.size() - 1;
    struct Row {
        const char* name;
        std::uint64_t sparseTo;  // the file's claimed size, its end a hole; 0: as written
        Mbdb::Limits limits;
        bool ok;
        std::size_t records;
    } rows[] = {
        {"within", 0, three, true, 3},
        {"one record too many", 0, two, false, 0},
        {"one byte too many", 0, small, false, 0},
        {"default bounds", 0, Mbdb::Limits(), true, 3},
        // Zeros read as records of empty texts; beyond the records' bound it is refused.
        {"sparse, records", std::uint64_t(1) << 30,
         [] {
             Mbdb::Limits l;
             l.records = 1000;
             return l;
         }(),
         false, 0},
        {"sparse, bytes", (std::uint64_t(1) << 30) + 1, Mbdb::Limits(), false, 0},
    };
    for (const Row& r : rows) {
        WriteManifest(bytes);
        const std::string file = Folder() + "Manifest.mbdb";
        if (r.sparseTo != 0) {
            ASSERT_EQ(truncate(file.c_str(), static_cast<off_t>(r.sparseTo)), 0);
        }
        mbdb_ = std::make_unique<Mbdb>();
        EXPECT_EQ(mbdb_->Parse(Folder(), r.limits), r.ok) << r.name;
        EXPECT_EQ(mbdb_->GetRecords()->size(), r.records) << r.name;
        EXPECT_EQ(mbdb_->FindStoredFile("Library/SMS/sms.db").empty(), r.records == 0) << r.name;
        // A few records take a block of a few kilobytes; a refused manifest keeps none.
        EXPECT_LE(mbdb_->ArenaBytes(), r.records == 0 ? 0u : 4096u) << r.name;
    }
}

// A manifest cut at any byte keeps exactly the records that end before the cut.
TEST_F(MbdbTest, CutAtEveryOffsetKeepsTheCompleteRecords) {
    std::vector<MbdbRecord> records = {Rec("HomeDomain", "Library/a.db"),
                                       Rec("MediaDomain", "Media/b.jpg"),
                                       Rec("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG")};
    records[1].properties = {{"p", "v"}, {"q", std::string("\x00\x01", 2)}};
    records[2].linkTarget = "/var/mobile/Media";
    std::vector<std::size_t> ends;
    std::string full = gen::EncodeMbdbHeader();
    for (const auto& r : records) {
        full += gen::EncodeMbdbRecord(r);
        ends.push_back(full.size());
    }
    for (std::size_t cut = 6; cut <= full.size(); ++cut) {
        WriteManifest(full.substr(0, cut));
        bool ok = false;
        const auto paths = ParsePaths(&ok);
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut) ++complete;
        EXPECT_TRUE(ok) << cut;
        ASSERT_EQ(paths.size(), complete) << "cut at " << cut;
        for (std::size_t i = 0; i < complete; ++i) EXPECT_EQ(paths[i], records[i].path);
        EXPECT_EQ(mbdb_->GetRecordMap().size(), complete);
    }
}

TEST_F(MbdbTest, LengthRunningPastTheEndDropsTheRecord) {
    std::string bytes = gen::EncodeMbdb({Rec("HomeDomain", "kept")});
    bytes += std::string("\x00\x0aHomeDomain\xff\xfe", 14);  // path claims 65534 bytes
    bytes += "short";
    WriteManifest(bytes);
    EXPECT_EQ(ParsePaths(), std::vector<std::string>{"kept"});
}

TEST_F(MbdbTest, NonAsciiAndDecomposedPathsAreKeptAsBytes) {
    const std::string nfd = "Media/DCIM/Cafe\xCC\x81.jpg";
    const std::string bad = "Media/\xff\xfe.jpg";
    WriteManifest(gen::EncodeMbdb({Rec("MediaDomain", nfd), Rec("MediaDomain", bad)}));
    EXPECT_EQ(ParsePaths(), (std::vector<std::string>{nfd, bad}));
    EXPECT_EQ(mbdb_->FindMediaFile(nfd), Folder() + gen::StoredName("MediaDomain", nfd));
}

TEST_F(MbdbTest, GeneratedBackupRoundTrips) {
    gen::BackupBuilder b(Folder(), 7);
    b.AddDomainRoot("HomeDomain");
    b.AddFiller(2000);
    b.AddFile("WirelessDomain", "Library/CallHistory/call_history.db", "db");
    b.AddFile("AppDomain-x", "Library/CallHistory/call_history.db", "other");
    b.Write();
    const auto paths = ParsePaths();
    ASSERT_EQ(paths.size(), b.RecordCount());
    std::size_t i = 0;
    for (const auto* r : *mbdb_->GetRecords()) {
        EXPECT_EQ(r->path, b.Records()[i].path);
        EXPECT_EQ(r->fileName(), gen::StoredName(b.Records()[i].domain, b.Records()[i].path));
        ++i;
    }
    // The phone's call history is in WirelessDomain; the app's file of that path is not it.
    EXPECT_EQ(gen::ReadFile(mbdb_->FindStoredFile("Library/CallHistory/call_history.db")), "db");
    EXPECT_EQ(gen::ReadFile(mbdb_->FindMediaFile("Library/CallHistory/call_history.db")), "db");
}

}  // namespace
