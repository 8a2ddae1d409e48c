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

TEST_F(MbdbTest, FirstMatchForDatabasesLastMatchForMedia) {
    WriteManifest(gen::EncodeMbdb({Rec("HomeDomain", "Library/Notes/notes.sqlite"),
                                   Rec("MediaDomain", "other"),
                                   Rec("AppDomain-x", "Library/Notes/notes.sqlite")}));
    ParsePaths();
    const std::string first =
        Folder() + gen::StoredName("HomeDomain", "Library/Notes/notes.sqlite");
    const std::string last =
        Folder() + gen::StoredName("AppDomain-x", "Library/Notes/notes.sqlite");
    EXPECT_EQ(mbdb_->FindStoredFile("Library/Notes/notes.sqlite"), first);
    EXPECT_EQ(mbdb_->FindMediaFile("Library/Notes/notes.sqlite"), last);
    EXPECT_EQ(mbdb_->GetRecordMap().size(), 2u);
    EXPECT_EQ(mbdb_->GetRecords()->size(), 3u);
    // Lookups are exact and case-sensitive, with no leading slash.
    EXPECT_EQ(mbdb_->FindStoredFile("library/notes/notes.sqlite"), "");
    EXPECT_EQ(mbdb_->FindStoredFile("/Library/Notes/notes.sqlite"), "");
    EXPECT_EQ(mbdb_->FindMediaFile("missing"), "");
}

// Paths whose hashes collide share one run of the media index: within it the paths are told
// apart by their text, and of several records with one path the last still wins, whichever
// order the records of the colliding paths come in.
TEST_F(MbdbTest, LastMatchForMediaAmongPathsOfOneHash) {
    auto name = [](int i) { return "Media/DCIM/100APPLE/IMG_" + std::to_string(i) + ".JPG"; };
    std::unordered_map<std::uint32_t, int> seen;
    seen.reserve(1 << 20);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; pairs.size() < 6 && i < 4000000; ++i) {
        auto it = seen.emplace(Mbdb::PathHash(name(i)), i).first;
        if (it->second != i) pairs.emplace_back(name(it->second), name(i));
    }
    ASSERT_EQ(pairs.size(), 6u);
    std::vector<MbdbRecord> records = {Rec("MediaDomain", "Media/DCIM")};
    const char* const domains[] = {"CameraRollDomain", "MediaDomain", "HomeDomain"};
    // The pairs but the last, in turns: a, b, a, b, b, a; the last pair's second path is missing.
    for (std::size_t p = 0; p + 1 < pairs.size(); ++p) {
        const std::string* order[] = {&pairs[p].first,  &pairs[p].second, &pairs[p].first,
                                      &pairs[p].second, &pairs[p].second, &pairs[p].first};
        for (std::size_t k = 0; k < 6; ++k) records.push_back(Rec(domains[(k + p) % 3], *order[k]));
    }
    records.push_back(Rec("MediaDomain", pairs.back().first));
    WriteManifest(gen::EncodeMbdb(records));
    ParsePaths();
    const Mbdb::RecordMap map = mbdb_->GetRecordMap();
    for (const auto* r : *mbdb_->GetRecords())
        EXPECT_EQ(mbdb_->FindMediaFile(r->path), mbdb_->StoredPath(map.at(r->path))) << r->path;
    EXPECT_EQ(mbdb_->FindMediaFile(pairs[0].first),
              Folder() + gen::StoredName(domains[2], pairs[0].first));
    EXPECT_EQ(mbdb_->FindMediaFile(pairs.back().second), "");
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
    b.AddFile("HomeDomain", "Library/CallHistory/call_history.db", "db");
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
    EXPECT_EQ(gen::ReadFile(mbdb_->FindStoredFile("Library/CallHistory/call_history.db")), "db");
    EXPECT_EQ(gen::ReadFile(mbdb_->FindMediaFile("Library/CallHistory/call_history.db")), "other");
    // The media lookup agrees with the plain map for every path, a repeated one included.
    const Mbdb::RecordMap map = mbdb_->GetRecordMap();
    for (const auto* r : *mbdb_->GetRecords())
        EXPECT_EQ(mbdb_->FindMediaFile(r->path), mbdb_->StoredPath(map.at(r->path)));
}

}  // namespace
