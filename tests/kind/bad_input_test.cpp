// Device files that are damaged, hostile or of the wrong shape: every kind gives the outcome it
// gives when nothing (or only the rows before a failure) could be read, and nothing crashes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "gen/device_db.h"
#include "gen/hostile_db.h"
#include "gen/media.h"
#include "gen/plist_gen.h"
#include "gen/sample.h"
#include "ib/plist_guard.h"
#include "kind/call/call_history.h"
#include "kind/sqlite_db.h"
#include "kind_fixture.h"
#include "support/test_support.h"

using namespace ib;

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

// A history whose entries after its one visit are one-byte references to one shared text: a
// file of a byte a node, each reference a text that libplist makes anew. Up to the node limit the
// checks let it through; one node more and it is refused before libplist builds any of it: the
// Safari kind shows the bookmarks alone, and reading it takes no more memory than the file.
TEST(BadInputTest, SharedReferencesBeyondTheLimitsAreRefusedBeforeAnyTreeIsBuilt) {
    // The root, its key, the array, the visit's dictionary with its key and address: six nodes.
    const std::size_t fits = kPlistMaxNodes - 6;
    const std::string atLimit = gen::SharedTextHistoryPlist(fits);
    EXPECT_TRUE(BinaryPlistIsSafe(atLimit.data(), atLimit.size()));
    const std::string beyond = gen::SharedTextHistoryPlist(fits + 1);
    EXPECT_LT(beyond.size(), 2u << 20);
    EXPECT_FALSE(BinaryPlistIsSafe(beyond.data(), beyond.size()));
    // A shared UTF-16 text costs, for every reference, the block libplist asks for to turn it into
    // UTF-8: four bytes a unit and four more. Ten units fit the limit of the tree's bytes at this
    // many references, eleven do not.
    auto utf16 = [](std::size_t units) {
        gen::BinaryPlist p;
        std::string text;
        for (std::size_t i = 0; i < units; ++i) text += "\xE6\x96\xB0";
        const std::size_t shared = p.Text(text);
        return p.Bytes(p.Array(std::vector<std::size_t>(kPlistMaxNodes - 1, shared)));
    };
    for (std::size_t units : {10, 11}) {
        const std::string bytes = utf16(units);
        EXPECT_EQ(BinaryPlistIsSafe(bytes.data(), bytes.size()), units == 10) << units;
    }
    KindBackup b;
    b.Builder().AddFile("HomeDomain", "Library/Safari/History.plist", beyond);
    b.Builder().AddFile("HomeDomain", "Library/Safari/Bookmarks.db",
                        gen::BookmarksDb({{2, 0, 0, "Example", "http://example.com/"}}));
    b.Dump(KIND_NOTES);  // the backup opened before the measure
    const auto run = testing_support::RunInChild([&] {
        bench::ResetPeak();
        const long before = bench::StatusKb("VmRSS");
        const std::string got = b.Dump(KIND_SAFARI);
        const long grew = bench::StatusKb("VmHWM") - before;
        std::string report;
        if (got !=
            R"([{"url":"http://example.com/","type":"bookmark","title":"Example","lastVisitedDate":"","visitCount":1}])")
            report += got + "\n";
        // The file is 1.5 MB; the tree it names would take some 200 MB.
        if (grew > 16 * 1024) report += "the reading grew by " + std::to_string(grew) + " KB\n";
        return report;
    });
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
}

TEST(BadInputTest, StoredFilesThatAreNoRegularFilesAreNotRead) {
    // A good copy of each file outside the backup, for links that lead out of its folder.
    testing_support::TempDir outside;
    const std::string good =
        gen::WebHistoryPlist({{"https://example.com/", "Example", "400000000.5"}});
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
            // A blocking open of a FIFO, or a read of the endless device, would never end (the
            // limit only
            // guards against a hang).
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
        // A date column holding no number (a text, a blob) has no date, never the first second
        // of a count.
        if (!isNull) {
            for (std::uint32_t k = 0; k < kKindCount; ++k) {
                const std::string out = b.Dump(k);
                EXPECT_EQ(out.find("1970-01-01"), std::string::npos) << k << ": " << out;
                EXPECT_EQ(out.find("2001-01-01"), std::string::npos) << k << ": " << out;
            }
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

// What the rows of a query handed out: their count and the bytes of their texts.
struct Handed {
    std::size_t rows = 0;
    std::size_t bytes = 0;
};

int CountRow(void* context, const SqliteDb::Row& row) {
    auto* handed = static_cast<Handed*>(context);
    ++handed->rows;
    for (int i = 0; i < row.Columns(); ++i) {
        std::size_t size = 0;
        row.Text(i, &size);
        handed->bytes += size;
    }
    return 0;
}

std::size_t MessagesOf(plist_t chats) {
    std::size_t n = 0;
    for (std::uint32_t i = 0; i < plist_array_get_size(chats); ++i) {
        plist_t messages = plist_dict_get_item(plist_array_get_item(chats, i), "message");
        n += messages ? plist_array_get_size(messages) : 0;
    }
    return n;
}

TEST(BadInputTest, WhatADatabaseCostsIsBoundedByItsSize) {
    const char kCalls[] = "Library/CallHistory/call_history.db";
    const char kSms[] = "Library/SMS/sms.db";
    {
        SCOPED_TRACE("a text whose overflow chain loops on one page");
        // 800 rows of about 150 KB each from a file of about 160 KB.
        KindBackup b;
        const std::string stored =
            b.Builder().AddFile("WirelessDomain", kCalls, gen::LoopedCallHistoryDb(800, 150000));
        {
            SqliteDb db(stored, {"call: name"});
            ASSERT_TRUE(db.IsOpen());
            Handed handed;
            EXPECT_FALSE(db.ExecRows("select name from call", &CountRow, &handed));
            EXPECT_GT(handed.rows, 0u);
            EXPECT_LT(handed.rows, 800u);
            // The row that crosses the allowance is the last one handed out.
            EXPECT_GT(handed.bytes, db.Allowed().bytes);
            EXPECT_LE(handed.bytes, db.Allowed().bytes + 160000);
            // A database that has used up its allowance answers no further query.
            handed = Handed();
            EXPECT_FALSE(db.ExecRows("select 1", &CountRow, &handed));
            EXPECT_EQ(handed.rows, 0u);
        }
        // The kind keeps the calls read before.
        plist_t calls = b.Get(KIND_CALL_HISTORY);
        ASSERT_NE(calls, nullptr);
        EXPECT_GT(plist_array_get_size(calls), 0u);
        EXPECT_LT(plist_array_get_size(calls), 800u);
        plist_free(calls);
    }
    {
        SCOPED_TRACE("3,000 chats of one handle and 3,000 messages of it, none joined");
        KindBackup b;
        const std::string stored =
            b.Builder().AddFile("HomeDomain", kSms, gen::OneHandleSmsDb(3000, 3000));
        {
            // Nine million rows by the handle: in the order of the chats they arrive until the
            // rows are used up; sorted otherwise, the sort stops before the first row arrives.
            const char kJoin[] =
                "select chj.chat_id, m.text from message m, handle h, chat_handle_join chj where "
                "m.handle_id = h.ROWID and h.ROWID = chj.handle_id order by ";
            SqliteDb db(stored, {});
            Handed handed;
            EXPECT_FALSE(db.ExecRows((std::string(kJoin) + "chj.chat_id, m.date, m.ROWID").c_str(),
                                     &CountRow, &handed));
            EXPECT_EQ(handed.rows, db.Allowed().rows);
            SqliteDb sorted(stored, {});
            handed = Handed();
            EXPECT_FALSE(sorted.ExecRows((std::string(kJoin) + "m.date, chj.chat_id").c_str(),
                                         &CountRow, &handed));
            EXPECT_EQ(handed.rows, 0u);
            EXPECT_GT(sorted.Spent().steps, sorted.Allowed().steps);
        }
        EXPECT_EQ(b.Dump(KIND_MESSAGES), "[]");
        // Within the bound a message still belongs to every chat that includes its handle.
        KindBackup small;
        small.Builder().AddFile("HomeDomain", kSms, gen::OneHandleSmsDb(30, 30));
        plist_t chats = small.Get(KIND_MESSAGES);
        EXPECT_EQ(plist_array_get_size(chats), 30u);
        EXPECT_EQ(MessagesOf(chats), 900u);
        plist_free(chats);
    }
    {
        SCOPED_TRACE("real databases far larger than the fixtures");
        gen::SampleOptions options;
        options.filler = 0;
        options.calls = 50000;
        options.chats = 1000;
        options.messages = 150000;
        options.smallMedia = true;
        testing_support::TempDir dir;
        gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options);
        BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
        ASSERT_NE(head, nullptr);
        plist_t calls = GetKindData(head, KIND_CALL_HISTORY);
        ASSERT_NE(calls, nullptr);
        EXPECT_EQ(plist_array_get_size(calls), options.calls);
        plist_free(calls);
        plist_t chats = GetKindData(head, KIND_MESSAGES);
        EXPECT_EQ(MessagesOf(chats), options.messages);
        plist_free(chats);
        FreeBackupList(head);
    }
}

// One table of a device database with the columns its reader uses and one row of literals; a
// column named ROWID is the row id.
struct ReadTable {
    const char* name;
    std::vector<std::pair<const char*, const char*>> columns;
    std::vector<std::uint32_t> kinds;  // the kinds whose reader reads the table
};

struct ReadDb {
    DeviceFile file;
    std::vector<ReadTable> tables;
    // A media file the rows name, so that the media kinds have an item to show.
    const char* mediaDomain;
    const char* mediaPath;
};

enum class Shape { kPlain, kView, kVirtualTable, kGenerated, kStoredGenerated, kHugeGenerated };

// The SQL of db, with the table named table (and its column column) in the given shape. A
// generated column computes the very value the plain table stores, so only a refusal tells the
// two apart.
std::string ReadDbSql(const ReadDb& db, const std::string& table, const std::string& column,
                      Shape shape) {
    std::string sql;
    for (const ReadTable& t : db.tables) {
        const Shape s = t.name == table ? shape : Shape::kPlain;
        // A column the reader does not read, as every real table has.
        std::string declared = "spare", names = "spare", values = "0";
        for (const auto& c : t.columns) {
            const bool rowid = std::string(c.first) == "ROWID";
            const bool computed = (s == Shape::kGenerated || s == Shape::kStoredGenerated ||
                                   s == Shape::kHugeGenerated) &&
                                  c.first == column;
            if (!rowid || computed) {
                declared += std::string(", ") + c.first;
                if (computed) {
                    declared +=
                        std::string(" GENERATED ALWAYS AS (") +
                        (s == Shape::kHugeGenerated ? "printf('%.*c', 100000000, 'x')" : c.second) +
                        (s == Shape::kStoredGenerated ? ") STORED" : ") VIRTUAL");
                }
            }
            if (computed) continue;
            names += std::string(", ") + (rowid ? "rowid" : c.first);
            values += std::string(", ") + c.second;
        }
        const std::string stored = s == Shape::kView ? std::string(t.name) + "_rows" : t.name;
        if (s == Shape::kVirtualTable) {
            sql += "CREATE VIRTUAL TABLE " + stored + " USING fts4(" + declared + ");";
        } else {
            sql += "CREATE TABLE " + stored + " (" + declared + ");";
        }
        sql += "INSERT INTO " + stored + " (" + names + ") VALUES (" + values + ");";
        if (s == Shape::kView)
            sql += "CREATE VIEW " + std::string(t.name) + " AS SELECT * FROM " + stored + ";";
    }
    return sql;
}

const std::vector<ReadDb>& ReadDbs() {
    static const std::vector<ReadDb> dbs = {
        {kFiles[0],
         {{"call",
           {{"name", "'Ann'"},
            {"address", "'5551234567'"},
            {"date", "400000000"},
            {"flags", "4"},
            {"duration", "60"},
            {"country_code", "'310'"},
            {"network_code", "'410'"}},
           {KIND_CALL_HISTORY}}},
         nullptr,
         nullptr},
        {kFiles[1],
         {{"ABPerson",
           {{"ROWID", "1"},
            {"First", "'Ann'"},
            {"Middle", "'M'"},
            {"Last", "'Lee'"},
            {"Organization", "'Org'"},
            {"Department", "'Dep'"},
            {"Note", "'note'"},
            {"Birthday", "'b'"},
            {"JobTitle", "'j'"},
            {"Nickname", "'k'"},
            {"CreationDate", "400000000"}},
           {KIND_CONTACTS}},
          {"ABMultiValue",
           {{"record_id", "1"}, {"label", "1"}, {"value", "'555-123-4567'"}},
           {KIND_CONTACTS}},
          {"ABMultiValueLabel", {{"ROWID", "1"}, {"value", "'_$!<Mobile>!$_'"}}, {KIND_CONTACTS}}},
         nullptr,
         nullptr},
        {kFiles[2],
         {{"chat", {{"ROWID", "1"}}, {KIND_MESSAGES}},
          {"handle",
           {{"ROWID", "1"},
            {"country", "'us'"},
            {"service", "'SMS'"},
            {"uncanonicalized_id", "'5551234567'"}},
           {KIND_MESSAGES}},
          {"message",
           {{"handle_id", "1"}, {"text", "'Hi'"}, {"date", "400000000"}, {"is_from_me", "0"}},
           {KIND_MESSAGES}},
          {"chat_handle_join", {{"chat_id", "1"}, {"handle_id", "1"}}, {KIND_MESSAGES}},
          {"attachment",
           {{"filename", "'~/Library/SMS/Attachments/a.jpg'"}, {"mime_type", "'image/jpeg'"}},
           {KIND_SMS_ATTACHMENTS}}},
         "MediaDomain",
         "Library/SMS/Attachments/a.jpg"},
        {kFiles[3],
         {{"ZNOTE",
           {{"ZCREATIONDATE", "0"},
            {"ZMODIFICATIONDATE", "400000000"},
            {"ZTITLE", "'Groceries'"},
            {"ZBODY", "1"}},
           {KIND_NOTES}},
          {"ZNOTEBODY", {{"Z_PK", "1"}, {"ZCONTENT", "'milk'"}}, {KIND_NOTES}}},
         nullptr,
         nullptr},
        {kFiles[5],
         {{"bookmarks", {{"title", "'Example'"}, {"url", "'http://example.com/'"}}, {KIND_SAFARI}}},
         nullptr,
         nullptr},
        {kFiles[6],
         {{"CalendarItem",
           {{"summary", "'Dinner'"},
            {"location_id", "1"},
            {"description", "'d'"},
            {"url", "'u'"},
            {"start_date", "400000000"},
            {"end_date", "400003600"},
            {"start_tz", "'UTC'"},
            {"all_day", "0"},
            {"status", "0"},
            {"calendar_id", "1"}},
           {KIND_CALENDAR}},
          {"Location", {{"ROWID", "1"}, {"title", "'Home'"}}, {KIND_CALENDAR}},
          {"Calendar", {{"ROWID", "1"}, {"title", "'Work'"}}, {KIND_CALENDAR}}},
         nullptr,
         nullptr},
        {kFiles[7],
         {{"ZRECORDING",
           {{"ZDATE", "400000000"},
            {"ZDURATION", "5"},
            {"ZPATH", "'/var/mobile/Media/Recordings/a.m4a'"}},
           {KIND_VOICE_MEMOS}}},
         nullptr,
         nullptr},
        {kFiles[8],
         {{"ZGENERICASSET",
           {{"ZDIRECTORY", "'DCIM/100APPLE'"}, {"ZFILENAME", "'IMG_0001.JPG'"}},
           {KIND_CAMERA_ROLL}}},
         "CameraRollDomain",
         "Media/DCIM/100APPLE/IMG_0001.JPG"},
    };
    return dbs;
}

// The kinds of the backup as text, read while the backup folder stays byte for byte the same.
std::string DumpUnchanged(KindBackup& b, const std::vector<std::uint32_t>& kinds) {
    b.Open();
    const auto before = testing_support::SnapshotTree(b.Folder());
    std::string out;
    for (std::uint32_t kind : kinds) out += b.Dump(kind) + "\n";
    EXPECT_TRUE(testing_support::SnapshotTree(b.Folder()) == before) << "the backup changed";
    return out;
}

TEST(BadInputTest, TablesWhoseValuesTheFileComputesAreRefused) {
    // A view, a virtual table, or a generated column among the columns a reader uses would run
    // code of the file's choosing: a 120 KB sms.db whose message text is
    // printf('%.*c', 100000000, 'x') once took minutes and gigabytes. Such a database reads as an
    // unreadable one, whatever the code would compute.
    for (const ReadDb& db : ReadDbs()) {
        auto build = [&](const std::string& table, const std::string& column, Shape shape) {
            auto b = std::make_unique<KindBackup>();
            gen::SqlDb sql;
            sql.Exec(ReadDbSql(db, table, column, shape));
            b->Builder().AddFile(db.file.domain, db.file.path, sql.Bytes());
            if (db.mediaPath != nullptr)
                b->Builder().AddFile(db.mediaDomain, db.mediaPath, gen::MakeJpeg(8, 8, 1, 1));
            return b;
        };
        {
            SCOPED_TRACE(std::string(db.file.path) + " as the device writes it");
            auto b = build("", "", Shape::kPlain);
            for (const ReadTable& t : db.tables) {
                for (std::uint32_t kind : t.kinds) EXPECT_NE(b->Dump(kind), Nothing(kind));
            }
        }
        for (const ReadTable& t : db.tables) {
            std::vector<std::pair<std::string, Shape>> variants = {{"", Shape::kView},
                                                                   {"", Shape::kVirtualTable}};
            for (const auto& c : t.columns) {
                variants.emplace_back(c.first, Shape::kGenerated);
                variants.emplace_back(c.first, Shape::kStoredGenerated);
            }
            if (std::string(t.name) == "message")
                variants.emplace_back("text", Shape::kHugeGenerated);
            for (const auto& v : variants) {
                SCOPED_TRACE(std::string(db.file.path) + ": " + t.name + " " + v.first + " shape " +
                             std::to_string(static_cast<int>(v.second)));
                auto b = build(t.name, v.first, v.second);
                std::string expected;
                for (std::uint32_t kind : t.kinds) expected += std::string(Nothing(kind)) + "\n";
                EXPECT_EQ(DumpUnchanged(*b, t.kinds), expected);
            }
        }
    }
}

TEST(BadInputTest, AFileSwappedWhileItIsOpenedIsReadWholeOrNotAtAll) {
    // While a reader opens the call log, its name is swapped, again and again, for a FIFO and for
    // a link to another call log outside the backup. The reader gets the call log it checked or
    // nothing: never the other one, and never a wait on the FIFO (the limit only guards against
    // a hang).
    testing_support::TempDir outside;
    const std::string decoy = outside / "decoy.db";
    gen::WriteFile(decoy, gen::CallHistoryDb({{"5550000000", 0, 1, 4, "Decoy"}}));
    KindBackup b;
    const std::string stored =
        b.Builder().AddFile("WirelessDomain", "Library/CallHistory/call_history.db",
                            gen::CallHistoryDb({{"5551234567", 1370336587, 60, 4, "Ann"}}));
    BackupInfo* backup = b.Open();
    std::string expected;
    {
        CallHistory reader;
        plist_t data = reader.GetData(backup->mbdb, 0);
        expected = kindtest::Render(data);
        plist_free(data);
    }
    ASSERT_NE(expected.find("Ann"), std::string::npos);
    // The name always holds one of the three: each is made under a spare name and moved over it.
    const std::string real = stored + ".real";
    const std::string spare = stored + ".next";
    ASSERT_EQ(rename(stored.c_str(), real.c_str()), 0);
    const auto run = testing_support::RunInChild(
        [&] {
            std::atomic<bool> done{false};
            std::atomic<bool> broken{false};
            std::thread swapper([&] {
                for (unsigned i = 0; !done.load(); ++i) {
                    unlink(spare.c_str());
                    const int made = i % 3 == 0   ? link(real.c_str(), spare.c_str())
                                     : i % 3 == 1 ? mkfifo(spare.c_str(), 0600)
                                                  : symlink(decoy.c_str(), spare.c_str());
                    if (made != 0 || rename(spare.c_str(), stored.c_str()) != 0) {
                        broken = true;
                        return;
                    }
                }
            });
            std::map<std::string, int> seen;
            // Until the call log was read often enough, however the two threads take turns.
            for (int i = 0; !broken.load() && (i < 3000 || seen[expected] < 20); ++i) {
                CallHistory reader;
                plist_t data = reader.GetData(backup->mbdb, 0);
                ++seen[kindtest::Render(data)];
                plist_free(data);
            }
            done = true;
            swapper.join();
            std::string report = broken ? "the names could not be swapped\n" : "";
            for (const auto& entry : seen) {
                if (entry.first != expected && entry.first != "null")
                    report += entry.first + " read " + std::to_string(entry.second) + " times\n";
            }
            return report;
        },
        std::chrono::minutes(5));
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
}

TEST(BadInputTest, ACameraRollNameHoldingANulFindsItsFile) {
    // A name is all the bytes the library holds: the manifest names the file by the same bytes.
    // The name is shown with the NUL replaced, since a property-list text ends at a NUL.
    const std::string name("IMG\0_0001.JPG", 13);
    gen::SqlDb photos;
    photos.Exec("CREATE TABLE ZGENERICASSET (ZDIRECTORY, ZFILENAME);");
    photos.Insert("ZGENERICASSET", {"ZDIRECTORY", "ZFILENAME"}, {"DCIM/100APPLE", Sql::Blob(name)});
    photos.Exec("UPDATE ZGENERICASSET SET ZFILENAME = CAST(ZFILENAME AS TEXT);");
    KindBackup b;
    b.Builder().AddFile("CameraRollDomain", "Media/PhotoData/Photos.sqlite", photos.Bytes());
    const std::string picture = gen::MakeJpeg(8, 8, 1, 1);
    const std::string stored =
        b.Builder().AddFile("CameraRollDomain", "Media/DCIM/100APPLE/" + name, picture);
    const std::string out = DumpUnchanged(b, {KIND_CAMERA_ROLL});
    EXPECT_EQ(
        out, "[{\"file_name\":\"IMG\xEF\xBF\xBD_0001.JPG\",\"path\":\"" + stored +
                 "\",\"size\":" + std::to_string(picture.size()) +
                 ",\"type\":1,\"query_path\":\"Media/DCIM/100APPLE/IMG\xEF\xBF\xBD_0001.JPG\"}]\n");
}

}  // namespace
