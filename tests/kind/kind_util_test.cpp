// The readers' date texts are exactly those of the shared date helpers, in zones with and without
// daylight saving time, and every kind shows one instant as the call log does; the name matcher
// finds exactly what a substring search finds; every reader query selects the columns it names.
#include "kind/kind_util.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/media.h"
#include "gen/plist_gen.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "ib/ib_util.h"
#include "ib/wz_ib.h"
#include "kind/reader_query.h"
#include "kind/recording/name_matcher.h"
#include "kind/sqlite_db.h"
#include "kind_fixture.h"
#include "support/test_support.h"

using namespace ib;

namespace {

std::string Take(char* text) {
    std::string out = text ? text : "";
    free(text);
    return out;
}

TEST(KindUtilTest, DateTextsMatchTheSharedHelpers) {
    const std::int64_t values[] = {0,
                                   1,
                                   -1,
                                   59,
                                   400000000,
                                   400000000,
                                   -978307200,
                                   -978307201,
                                   2147483647,
                                   2147483648LL,
                                   4102444800LL,
                                   252423993599LL,
                                   253402300800LL,
                                   -62167219200LL,
                                   INT64_MAX,
                                   INT64_MIN,
                                   INT64_MAX / 2,
                                   1362880800,
                                   1383440400,
                                   384915600,
                                   405479400,
                                   9007199254740993LL};
    for (const char* zone : {"UTC", "America/New_York", "Australia/Lord_Howe", "Asia/Kolkata",
                             "Europe/Berlin", "Pacific/Chatham"}) {
        testing_support::ScopedEnv tz("TZ", zone);
        tzset();
        for (std::int64_t v : values) {
            SCOPED_TRACE(std::string(zone) + " " + std::to_string(v));
            EXPECT_EQ(KindUtil::AppleTime(v), Take(FormatAppleTime(v)));
            EXPECT_EQ(KindUtil::UnixTime(v), Take(FormatUnixTime(v)));
        }
        // Every hour over two years, across the changes of daylight saving time: a count from
        // 2001 shows the same instant as the count from 1970 that is 978307200 seconds larger.
        for (std::int64_t v = 350000000; v < 350000000 + 2 * 366 * 86400LL; v += 3599) {
            ASSERT_EQ(KindUtil::AppleTime(v), KindUtil::UnixTime(v + 978307200))
                << zone << " " << v;
        }
    }
    tzset();
}

// How often a quoted text occurs in a kind's dump.
int Occurrences(const std::string& dump, const std::string& text) {
    const std::string quoted = "\"" + text + "\"";
    int count = 0;
    for (std::size_t at = dump.find(quoted); at != std::string::npos;
         at = dump.find(quoted, at + 1))
        ++count;
    return count;
}

// One instant, stored in every kind that carries a date (the call log counting from 1970, the
// others from 2001, some as reals with a fraction), shows the same local text everywhere.
// A date stored as a real shows what its text as SQLite writes it shows: the fractions just below
// the next second, halves, negative, tiny, huge and infinite values, in zones with and without
// daylight saving time.
TEST(KindUtilTest, RealDateColumnsShowWhatTheirTextShows) {
    const double values[] = {0.0,
                             -0.0,
                             0.25,
                             -0.5,
                             1e-5,
                             -1e-7,
                             400000000.25,
                             400000000.5,
                             400000000.9,
                             400000000.95,
                             399999999.9999999,
                             400000000.999999,
                             -0.9999999,
                             -400000000.99,
                             412345678.0,
                             1e12 + 0.99,
                             9.9e12,
                             1e13,
                             1.5e14,
                             1e15 + 0.5,
                             3.0e18,
                             -9.5e18,
                             1e300,
                             -1e300};
    testing_support::TempDir dir;
    const std::string path = dir / "dates.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "create table t (d real)", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into t values (?1)", -1, &insert, nullptr);
    for (double v : values) {
        sqlite3_bind_double(insert, 1, v);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "insert into t values (9e999); insert into t values (-9e999)", nullptr,
                 nullptr, nullptr);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    struct Shown {
        std::vector<std::string> direct;
        std::vector<std::string> text;
    };
    for (const char* zone : {"UTC", "America/New_York", "Australia/Lord_Howe"}) {
        testing_support::ScopedEnv tz("TZ", zone);
        tzset();
        Shown shown;
        SqliteDb reader(path, {"t: d"});
        ASSERT_TRUE(reader.ExecRows(
            "select d, d from t",
            [](void* context, const SqliteDb::Row& row) {
                auto* out = static_cast<Shown*>(context);
                char date[20];
                out->direct.emplace_back(KindUtil::AppleDateInto(row, 0, date));
                out->text.emplace_back(KindUtil::AppleDateInto(row.Text(1), date));
                return 0;
            },
            &shown));
        ASSERT_EQ(shown.direct.size(), std::size(values) + 2);
        for (std::size_t i = 0; i < shown.direct.size(); ++i) {
            EXPECT_EQ(shown.direct[i], shown.text[i]) << zone << " row " << i;
        }
    }
    tzset();
}

TEST(KindUtilTest, EveryKindShowsAnInstantAsTheCallLogDoes) {
    struct Row {
        const char* zone;
        std::int64_t seconds;  // since 2001
        const char* text;
    } rows[] = {
        {"America/New_York", 400000000, "2013-09-04 11:06:40"},
        {"America/New_York", 410000000, "2013-12-29 03:53:20"},
        {"Europe/Berlin", 400000000, "2013-09-04 17:06:40"},
        {"Europe/Berlin", 410000000, "2013-12-29 09:53:20"},
        {"Asia/Kolkata", 400000000, "2013-09-04 20:36:40"},
        {"Australia/Sydney", 400000000, "2013-09-05 01:06:40"},
        {"Australia/Sydney", 410000000, "2013-12-29 19:53:20"},
        {"America/New_York", 0, "2000-12-31 19:00:00"},
        {"Asia/Kolkata", 0, "2001-01-01 05:30:00"},
    };
    testing_support::ScopedEnv keep("TZ", "UTC");
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.zone) + " " + std::to_string(r.seconds));
        const std::int64_t t = r.seconds;
        const double withFraction = static_cast<double>(t) + 0.25;
        kindtest::KindBackup b;
        auto& files = b.Builder();
        files.AddFile("WirelessDomain", "Library/CallHistory/call_history.db",
                      gen::CallHistoryDb({{"5551234567", t + 978307200, 61, 4, "Ann"}}));
        gen::AddressBook book;
        book.persons.resize(1);
        book.persons[0].first = "Ann";
        book.persons[0].creationDate = t;
        files.AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                      gen::AddressBookDb(book));
        gen::SmsData sms;
        sms.handles.resize(1);
        sms.handles[0].rowid = 1;
        sms.handles[0].id = "+15551234567";
        sms.chats.resize(1);
        sms.chats[0].rowid = 1;
        sms.chats[0].chat_identifier = "+15551234567";
        sms.chats[0].handles = {1};
        sms.messages.resize(1);
        sms.messages[0].handle_id = 1;
        sms.messages[0].text = "Hi";
        sms.messages[0].date = t;
        sms.messages[0].chats = {1};
        files.AddFile("HomeDomain", "Library/SMS/sms.db", gen::SmsDb(sms));
        files.AddFile("HomeDomain", "Library/Notes/notes.sqlite",
                      gen::NotesDb({{withFraction, t, "Note", "<div>x</div>", true}}));
        files.AddFile("HomeDomain", "Library/Safari/History.plist",
                      gen::WebHistoryPlist(
                          {{"http://example.com/", "Example", std::to_string(t) + ".5", 2, true}}));
        gen::CalendarData cal;
        cal.calendars = {{1, "Home"}, {2, "Reminders"}};
        cal.items.resize(2);
        for (int i = 0; i < 2; ++i) {
            cal.items[i].summary = i == 0 ? "Dinner" : "Pay rent";
            cal.items[i].calendar_id = i + 1;
            cal.items[i].start_date = withFraction;
            cal.items[i].end_date = t;
            cal.items[i].entity_type = i == 0 ? 2 : 3;
        }
        files.AddFile("HomeDomain", "Library/Calendar/Calendar.sqlitedb", gen::CalendarDb(cal));
        files.AddFile("MediaDomain", "Media/Recordings/Recordings.db",
                      gen::RecordingsDb({{withFraction, 5.0, "Memo",
                                          "/var/mobile/Media/Recordings/20130904 110640.m4a"}}));
        files.AddFile("MediaDomain", "Media/Recordings/20130904 110640.m4a",
                      gen::MakeVoiceMemo(5, 1));

        setenv("TZ", r.zone, 1);
        tzset();
        const struct {
            std::uint32_t kind;
            int dates;
        } kinds[] = {{KIND_CALL_HISTORY, 1}, {KIND_CONTACTS, 1},   {KIND_MESSAGES, 1},
                     {KIND_NOTES, 2},        {KIND_SAFARI, 1},     {KIND_CALENDAR, 2},
                     {KIND_REMINDERS, 2},    {KIND_VOICE_MEMOS, 1}};
        for (const auto& k : kinds) {
            const std::string dump = b.Dump(k.kind);
            EXPECT_EQ(Occurrences(dump, r.text), k.dates) << "kind " << k.kind << ": " << dump;
        }
    }
    tzset();
}

TEST(KindUtilTest, NumbersAndDurations) {
    struct Case {
        const char* text;
        std::int64_t number;
        std::int32_t number32;
    } cases[] = {{nullptr, 0, 0},
                 {"", 0, 0},
                 {"abc", 0, 0},
                 {"42", 42, 42},
                 {"  7x", 7, 7},
                 {"-3", -3, -3},
                 {"412345678.5", 412345678, 412345678},
                 {"4294967297", 4294967297LL, 0},
                 {"99999999999999999999", INT64_MAX, 0},
                 {"1e5", 1, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(KindUtil::Number(c.text), c.number) << (c.text ? c.text : "null");
        EXPECT_EQ(KindUtil::Number32(c.text), c.number32) << (c.text ? c.text : "null");
    }
    // A date in exponent form is read whole, also where the decimal separator is a comma.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    for (const char* numbers : {"C", "de_DE.UTF-8"}) {
        SCOPED_TRACE(numbers);
        if (std::setlocale(LC_NUMERIC, numbers) == nullptr) continue;
        std::int64_t seconds = 0;
        EXPECT_TRUE(KindUtil::DateSeconds("4.1e8", &seconds));
        EXPECT_EQ(seconds, 410000000);
        EXPECT_TRUE(KindUtil::DateSeconds(" +1.5E3 ", &seconds));
        EXPECT_EQ(seconds, 1500);
        EXPECT_FALSE(KindUtil::DateSeconds("1e400", &seconds));
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(KindUtil::Duration(3725), "01:02:05");
    EXPECT_EQ(KindUtil::Duration(0), "00:00:00");
    EXPECT_EQ(KindUtil::Duration(360000), "100:00:00");
    EXPECT_EQ(KindUtil::Duration(-5), "00:00:00");
    EXPECT_EQ(KindUtil::Duration(5000000000LL), "00:00:00");
}

// Every (id, end position) that a plain substring search finds.
std::vector<std::pair<std::size_t, std::size_t>> Plain(const std::vector<std::string>& names,
                                                       const std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t end = 1; end <= text.size(); ++end) {
        for (std::size_t id = 0; id < names.size(); ++id) {
            const std::string& n = names[id];
            if (!n.empty() && n.size() <= end && text.compare(end - n.size(), n.size(), n) == 0) {
                out.emplace_back(id, end);
            }
        }
    }
    return out;
}

// The columns SQLite gives for sql on the database at path: their names, in order. False when
// SQLite does not take the text there (a table that this database lacks).
bool SelectedColumns(const std::string& path, const std::string& sql,
                     std::vector<std::string>* names) {
    sqlite3* db = nullptr;
    const std::string uri = SqliteDb::ImmutableUri(path);
    bool taken = false;
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            stmt != nullptr) {
            taken = true;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const char* name = sqlite3_column_name(stmt, i);
                names->emplace_back(name != nullptr ? name : "");
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return taken;
}

// A column name as a select gives it for a column it reads plainly (not an expression, not the
// NULL that stands for a column the table lacks).
bool IsPlainName(const std::string& name) {
    if (name.empty() || strcasecmp(name.c_str(), "NULL") == 0) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

// The table as an older phone writes it: without columns.
void WithoutColumns(const std::string& path, const char* table,
                    std::initializer_list<const char*> columns) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    for (const char* column : columns) {
        // Indexes and constraints over the column go with it: the table is written again.
        std::string kept;
        sqlite3_stmt* stmt = nullptr;
        const std::string info = std::string("select name from pragma_table_info('") + table + "')";
        ASSERT_EQ(sqlite3_prepare_v2(db, info.c_str(), -1, &stmt, nullptr), SQLITE_OK);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const char* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            if (strcasecmp(name, column) == 0) continue;
            kept += (kept.empty() ? "" : ",") + std::string(name);
        }
        sqlite3_finalize(stmt);
        const std::string sql = std::string("create table rebuilt as select ") + kept + " from " +
                                table + "; drop table " + table +
                                "; alter table rebuilt rename to " + table + ";";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
    }
    sqlite3_close(db);
}

TEST(KindUtilTest, EveryQuerySelectsTheColumnsItNames) {
    const std::vector<ReaderQuery> queries = ReaderQueries();
    ASSERT_EQ(queries.size(), 20u);
    std::map<std::string, int> taken;
    testing_support::TempDir dir;
    // The sample of iOS 7 tables and that of the iOS 5 messages, each also as the older phones
    // write the tables whose columns a reader asks for before it names them.
    for (int variant = 0; variant < 4; ++variant) {
        gen::SampleOptions options;
        options.filler = 0;
        options.smallMedia = true;
        options.ios5Messages = variant % 2 == 1;
        const std::string root = dir.Path() + "/" + std::to_string(variant) + "/";
        const std::string folder = root + "udid";
        gen::WriteSampleBackup(folder, options);
        if (variant == 2) {
            const std::string book =
                folder + "/" +
                gen::StoredName("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb");
            const std::string calendar =
                folder + "/" + gen::StoredName("HomeDomain", "Library/Calendar/Calendar.sqlitedb");
            const std::string sms =
                folder + "/" + gen::StoredName("HomeDomain", "Library/SMS/sms.db");
            WithoutColumns(book, "ABMultiValue", {"UID", "property"});
            WithoutColumns(calendar, "CalendarItem",
                           {"entity_type", "completion_date", "due_date", "due_tz"});
            WithoutColumns(sms, "message", {"country", "service"});
            WithoutColumns(sms, "handle", {"id"});
        }
        if (variant == 3) {
            const std::string sms =
                folder + "/" + gen::StoredName("HomeDomain", "Library/SMS/sms.db");
            WithoutColumns(sms, "message", {"is_madrid", "madrid_flags", "madrid_handle"});
        }
        BackupInfo* head = ListBackupsIn(root.c_str());
        ASSERT_NE(head, nullptr);
        for (const ReaderQuery& query : queries) {
            const std::string path = KindUtil::LocateFirst(head->mbdb, query.devicePath);
            ASSERT_FALSE(path.empty()) << query.devicePath;
            std::string sql;
            {
                SqliteDb db(path, {query.uses});
                ASSERT_TRUE(db.IsOpen()) << query.name;
                sql = query.sql(db);
            }
            std::vector<std::string> names;
            if (!SelectedColumns(path, sql, &names)) continue;
            ++taken[query.name];
            EXPECT_EQ(names.size(), query.columns)
                << query.name << " in variant " << variant << ": " << sql;
            if (names.size() != query.columns) continue;
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (!IsPlainName(names[i])) continue;
                EXPECT_EQ(strcasecmp(names[i].c_str(), query.names[i]), 0)
                    << query.name << " column " << i << " is " << names[i] << ", named "
                    << query.names[i];
            }
        }
        FreeBackupList(head);
    }
    // Each query ran on the tables it was written for, in every shape they come in.
    for (const ReaderQuery& query : queries) EXPECT_GE(taken[query.name], 2) << query.name;
}

TEST(NameMatcherTest, FindsWhatASubstringSearchFinds) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> names(1 + rng() % 12);
        for (std::string& n : names) {
            const std::size_t len = rng() % 5;
            for (std::size_t i = 0; i < len; ++i) n += "ab.c\xc3"[rng() % 5];
        }
        std::string text;
        for (std::size_t i = 0, len = rng() % 40; i < len; ++i) text += "ab.cx\xc3\xa9"[rng() % 7];
        std::vector<std::pair<std::size_t, std::size_t>> found;
        NameMatcher matcher(names);
        std::size_t end = 0;
        // Scan reports in the order of the text; the end is found by scanning growing prefixes.
        for (end = 1; end <= text.size(); ++end) {
            std::size_t before = 0;
            matcher.Scan(std::string_view(text).substr(0, end - 1), [&](std::size_t) { ++before; });
            std::vector<std::size_t> ids;
            matcher.Scan(std::string_view(text).substr(0, end),
                         [&](std::size_t id) { ids.push_back(id); });
            std::vector<std::size_t> last(ids.begin() + static_cast<std::ptrdiff_t>(before),
                                          ids.end());
            std::sort(last.begin(), last.end());
            for (std::size_t id : last) found.emplace_back(id, end);
        }
        auto plain = Plain(names, text);
        std::sort(plain.begin(), plain.end(), [](auto a, auto b) {
            return a.second != b.second ? a.second < b.second : a.first < b.first;
        });
        ASSERT_EQ(found, plain) << "round " << round << " text " << text;
    }
}

}  // namespace
