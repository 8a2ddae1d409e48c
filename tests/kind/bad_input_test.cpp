// Device files that are damaged, hostile or of the wrong shape: every kind gives the outcome it
// gives when nothing (or only the rows before a failure) could be read, and nothing crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/media.h"
#include "gen/plist_gen.h"
#include "gen/sample.h"
#include "kind/call/call_history.h"
#include "kind_fixture.h"
#include "support/test_support.h"

namespace {

using gen::Sql;
using kindtest::KindBackup;

struct DeviceFile {
    const char* domain;
    const char* path;
    std::vector<std::uint32_t> kinds;
};

const DeviceFile kFiles[] = {
    {"WirelessDomain", "Library/CallHistory/call_history.db", {KIND_CALL_HISTORY}},
    {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", {KIND_CONTACTS}},
    {"HomeDomain", "Library/SMS/sms.db", {KIND_MESSAGES, KIND_SMS_ATTACHMENTS}},
    {"HomeDomain", "Library/Notes/notes.sqlite", {KIND_NOTES}},
    {"HomeDomain", "Library/Safari/History.plist", {KIND_SAFARI}},
    {"HomeDomain", "Library/Safari/Bookmarks.db", {KIND_SAFARI}},
    {"HomeDomain", "Library/Calendar/Calendar.sqlitedb", {KIND_CALENDAR, KIND_REMINDERS}},
    {"MediaDomain", "Media/Recordings/Recordings.db", {KIND_VOICE_MEMOS}},
    {"CameraRollDomain", "Media/PhotoData/Photos.sqlite", {KIND_CAMERA_ROLL, KIND_PHOTOS}},
};

// What a kind gives when its file yields nothing.
const char* Nothing(std::uint32_t kind) {
    switch (kind) {
        case KIND_CONTACTS:
        case KIND_MESSAGES:
        case KIND_NOTES:
        case KIND_SAFARI:
            return "[]";
        default:
            return "null";
    }
}

std::string RandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(rng() & 0xFF);
    return out;
}

TEST(BadInputTest, UnreadableFilesYieldNothing) {
    gen::SqlDb schemaless;
    schemaless.Exec("CREATE TABLE unrelated (a INTEGER); INSERT INTO unrelated VALUES (1);");
    const std::string unrelated = schemaless.Bytes();
    gen::SqlDb empty;
    const std::string emptyDb = empty.Bytes();
    struct Variant {
        const char* what;
        std::string bytes;
        bool directory;
        bool stored;
    } variants[] = {
        {"zero bytes", "", false, true},
        {"missing stored file", "", false, false},
        {"a directory", "", true, true},
        {"encrypted-looking", RandomBytes(16384, 5), false, true},
        {"header only", std::string("SQLite format 3\0", 16), false, true},
        {"header and garbage", std::string("SQLite format 3\0", 16) + RandomBytes(5000, 6), false,
         true},
        {"text", "hello, world\n", false, true},
        {"a picture", gen::MakeJpeg(16, 16, 1, 1), false, true},
        {"another schema", unrelated, false, true},
        {"no tables at all", emptyDb, false, true},
        {"binary plist of another shape",
         std::string("bplist00\xd0\x08\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00"
                     "\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x09",
                     42),
         false, true},
        // Files that would take libplist down or hold it for minutes.
        {"deeply nested XML", gen::DeepPlist(200000, false), false, true},
        {"deeply nested binary", gen::DeepPlist(100000, true), false, true},
        {"binary holding itself", gen::CyclicBinaryPlist(), false, true},
        {"binary of millions of shared nodes", gen::WideBinaryPlist(4000), false, true},
    };
    for (const DeviceFile& file : kFiles) {
        for (const Variant& v : variants) {
            SCOPED_TRACE(std::string(file.path) + ": " + v.what);
            KindBackup b;
            const std::string stored = b.Builder().AddFile(file.domain, file.path, v.bytes, true,
                                                           v.stored && !v.directory);
            if (v.directory) gen::MakeDirs(stored);
            for (int round = 0; round < 2; ++round) {
                for (std::uint32_t kind : file.kinds)
                    EXPECT_EQ(b.Dump(kind), Nothing(kind)) << "kind " << kind;
            }
        }
    }
}

TEST(BadInputTest, StoredFilesThatAreNoRegularFilesAreNotRead) {
    // A good copy of each file outside the backup, for links that lead out of its folder.
    testing_support::TempDir outside;
    const std::string good =
        gen::HistoryPlist({{"https://example.com/", "Example", "400000000.5"}});
    gen::WriteFile(outside / "good", good);
    struct Special {
        const char* what;
        std::function<int(const std::string&)> make;
    } specials[] = {
        {"a FIFO", [](const std::string& p) { return mkfifo(p.c_str(), 0600); }},
        {"a link to /dev/zero",
         [](const std::string& p) { return symlink("/dev/zero", p.c_str()); }},
        {"a link out of the folder",
         [&](const std::string& p) { return symlink((outside / "good").c_str(), p.c_str()); }},
    };
    for (const DeviceFile& file : kFiles) {
        for (const Special& special : specials) {
            SCOPED_TRACE(std::string(file.path) + ": " + special.what);
            KindBackup b;
            const std::string stored = b.Builder().AddFile(file.domain, file.path, "", true, false);
            ASSERT_EQ(special.make(stored), 0);
            // A blocking open of a FIFO, or a read of the endless device, would never end.
            const auto run = testing_support::RunInChild(
                [&] {
                    std::string report;
                    for (std::uint32_t kind : file.kinds) {
                        const std::string got = b.Dump(kind);
                        if (got != Nothing(kind)) report += got;
                    }
                    return report;
                },
                testing_support::kHangGuard);
            EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
            EXPECT_EQ(run.report, "");
        }
    }
}

TEST(BadInputTest, DamagedDatabasesKeepWhatWasReadBeforeTheFailure) {
    gen::SampleOptions options;
    options.filler = 0;
    options.contacts = 400;
    options.calls = 2000;
    options.namedCalls = 0;
    options.chats = 50;
    options.messages = 2000;
    options.notes = 600;
    options.bookmarks = 1500;
    options.calendarItems = 1500;
    options.photos = 1500;
    options.memos = 800;
    options.attachments = 0;
    options.smallMedia = true;
    testing_support::TempDir dir;
    gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options);
    // Whole first, for the counts.
    std::vector<int> whole(kKindCount);
    {
        KindBackup unused;  // sets the zone
    }
    BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
    ASSERT_NE(head, nullptr);
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        plist_t data = GetKindData(head, k);
        whole[k] = data ? static_cast<int>(plist_array_get_size(data)) : -1;
        plist_free(data);
    }
    FreeBackupList(head);
    // Then the last 40% of every file's pages lost (zeros, as a damaged disk gives them back):
    // a scan meets the damage after the rows of the first pages.
    for (const DeviceFile& file : kFiles) {
        const std::string stored =
            dir.Path() + "/Backup/udid/" + gen::StoredName(file.domain, file.path);
        std::string bytes = gen::ReadFile(stored);
        const std::size_t keep = bytes.size() * 6 / 10 / 4096 * 4096;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(keep), bytes.end(), '\0');
        gen::WriteFile(stored, bytes);
    }
    head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
    ASSERT_NE(head, nullptr);
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        SCOPED_TRACE("kind " + std::to_string(k));
        plist_t data = GetKindData(head, k);
        const int n = data ? static_cast<int>(plist_array_get_size(data)) : -1;
        EXPECT_LE(n, whole[k]);
        if (k == KIND_CALL_HISTORY) {
            // Rows before the failure stay; the names are not filled in from a failed read.
            ASSERT_GT(n, 0);
            EXPECT_LT(n, whole[k]);
            EXPECT_EQ(kindtest::Render(data).find(R"("name":"A)"), std::string::npos);
            EXPECT_EQ(head->callHistory->Calls().size(), static_cast<std::size_t>(n));
            for (const Call* call : head->callHistory->Calls()) EXPECT_EQ(call->name, "");
        }
        plist_free(data);
    }
    FreeBackupList(head);
}

TEST(BadInputTest, NullsAndWrongTypesEverywhere) {
    // Every column the readers read, as NULL, as a blob and as text where numbers belong.
    const char* const kValues[] = {
        "NULL", "x'00ff10'", "'not a number'", "'9999999999999999999999'",
        "-1",   "1e300",     "'  42abc'"};
    for (const char* v : kValues) {
        SCOPED_TRACE(v);
        const std::string all = std::string(v);
        gen::SqlDb calls, book, sms, notes, marks, cal, memos, photos;
        calls.Exec(
            "CREATE TABLE call (name, address, date, flags, duration, country_code, network_code);"
            "INSERT INTO call VALUES (" +
            all + "," + all + "," + all + "," + all + "," + all + "," + all + "," + all + ");");
        book.Exec(
            "CREATE TABLE ABPerson (First, Middle, Last, Organization, Department, Note, Birthday, "
            "JobTitle, Nickname, CreationDate);"
            "INSERT INTO ABPerson VALUES (" +
            all + "," + all + "," + all + "," + all + "," + all + "," + all + "," + all + "," +
            all + "," + all + "," + all +
            ");"
            "CREATE TABLE ABMultiValue (record_id, label, value); CREATE TABLE ABMultiValueLabel "
            "(value);"
            "INSERT INTO ABMultiValue VALUES (1, 1, " +
            all + "), (" + all + ", " + all + ", " + all +
            ");"
            "INSERT INTO ABMultiValueLabel VALUES (" +
            all + ");");
        sms.Exec(
            "CREATE TABLE chat (x); INSERT INTO chat VALUES (1);"
            "CREATE TABLE handle (country, service, uncanonicalized_id);"
            "INSERT INTO handle (rowid, country, service, uncanonicalized_id) VALUES (1, " +
            all + "," + all + "," + all +
            ");"
            "CREATE TABLE message (handle_id, text, date, is_from_me); INSERT INTO message VALUES "
            "(1, " +
            all + "," + all + "," + all +
            ");"
            "CREATE TABLE chat_handle_join (chat_id, handle_id); INSERT INTO chat_handle_join "
            "VALUES (" +
            all +
            ", 1), (0, 1);"
            "CREATE TABLE attachment (filename, mime_type); INSERT INTO attachment VALUES (" +
            all + "," + all + ");");
        notes.Exec(
            "CREATE TABLE ZNOTE (ZCREATIONDATE, ZMODIFICATIONDATE, ZTITLE, ZBODY);"
            "CREATE TABLE ZNOTEBODY (Z_PK, ZCONTENT);"
            "INSERT INTO ZNOTE VALUES (" +
            all + "," + all + "," + all + ", 1); INSERT INTO ZNOTEBODY VALUES (1, " + all + ");");
        marks.Exec("CREATE TABLE bookmarks (title, url); INSERT INTO bookmarks VALUES (" + all +
                   "," + all + ");");
        cal.Exec(
            "CREATE TABLE Calendar (title); CREATE TABLE Location (title);"
            "CREATE TABLE CalendarItem (summary, location_id, description, url, start_date, "
            "end_date, start_tz, all_day, calendar_id, status);"
            "INSERT INTO Calendar (rowid, title) VALUES (1, " +
            all +
            ");"
            "INSERT INTO CalendarItem VALUES (" +
            all + "," + all + "," + all + "," + all + "," + all + "," + all + "," + all + "," +
            all + "," + all + "," + all + ");");
        memos.Exec(
            "CREATE TABLE ZRECORDING (ZDATE, ZDURATION, ZPATH); INSERT INTO ZRECORDING VALUES (" +
            all + "," + all + "," + all + ");");
        photos.Exec(
            "CREATE TABLE ZGENERICASSET (ZDIRECTORY, ZFILENAME); INSERT INTO ZGENERICASSET VALUES "
            "(" +
            all + "," + all + ");");
        KindBackup b;
        b.Builder().AddFile("WirelessDomain", "Library/CallHistory/call_history.db", calls.Bytes());
        b.Builder().AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", book.Bytes());
        b.Builder().AddFile("HomeDomain", "Library/SMS/sms.db", sms.Bytes());
        b.Builder().AddFile("HomeDomain", "Library/Notes/notes.sqlite", notes.Bytes());
        b.Builder().AddFile("HomeDomain", "Library/Safari/Bookmarks.db", marks.Bytes());
        b.Builder().AddFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", cal.Bytes());
        b.Builder().AddFile("MediaDomain", "Media/Recordings/Recordings.db", memos.Bytes());
        b.Builder().AddFile("CameraRollDomain", "Media/PhotoData/Photos.sqlite", photos.Bytes());
        const bool isNull = std::string(v) == "NULL";
        for (std::uint32_t k = 0; k < kKindCount; ++k) {
            const std::string out = b.Dump(k);
            // Every kind has one row, except where a NULL leaves the row out.
            // The item's calendar id names no calendar: an ordinary item, no reminder.
            if (k == KIND_CAMERA_ROLL || k == KIND_PHOTOS || k == KIND_SMS_ATTACHMENTS) continue;
            if (k == KIND_REMINDERS) {
                EXPECT_EQ(out, "[]");
                continue;
            }
            // A url that is NULL, or a blob whose text ends at its first zero byte, is no url.
            if ((isNull || v[0] == 'x') && k == KIND_SAFARI) {
                EXPECT_EQ(out, "[]");
                continue;
            }
            EXPECT_NE(out, "null") << k;
            EXPECT_NE(out, "[]") << k;
        }
        if (isNull) {
            EXPECT_EQ(
                b.Dump(KIND_CALL_HISTORY),
                R"([{"name":"","address":"","date":"1970-01-01 00:00:00","type":"Unknown","duration":"00:00:00","country_code":"","network_code":""}])");
            EXPECT_EQ(
                b.Dump(KIND_VOICE_MEMOS),
                R"([{"date":"2001-01-01 00:00:00","duration":"00:00:00","name":"","path":"","size":0}])");
        }
    }
}

TEST(BadInputTest, ViewsInADeviceDatabaseAreRefused) {
    // A view in place of the table would run the file's own query (here an endless one).
    gen::SqlDb db;
    db.Exec(
        "CREATE VIEW call AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) "
        "SELECT 'a' AS name, x AS address, 0 AS date, 4 AS flags, 0 AS duration, '' AS "
        "country_code, '' AS network_code FROM n;");
    KindBackup b;
    b.Builder().AddFile("WirelessDomain", "Library/CallHistory/call_history.db", db.Bytes());
    EXPECT_EQ(b.Dump(KIND_CALL_HISTORY), "null");
}

}  // namespace
