// The benchmarks' floor (bench/scan_floor.h) runs the queries the reader runs for the same backup,
// no more and no fewer: every statement that any connection of this process steps is traced,
// and the reader's kind and the floor's same kind must read the same tables with the same number
// of rows (the texts may differ). The schema checks (sqlite_master, the table_info pragmas) are
// the reader's guard against hostile files and are left out of the comparison.
#include "scan_floor.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "kind_fixture.h"
#include "mbdb/phone_files.h"
#include "support/test_support.h"

namespace {

// One statement run: the database file's name, the tables it reads (sorted, space-separated)
// and the rows it returned.
struct Run {
    std::string file;
    std::string tables;
    int rows = 0;
    bool operator<(const Run& o) const {
        if (file != o.file) return file < o.file;
        return tables != o.tables ? tables < o.tables : rows < o.rows;
    }
    bool operator==(const Run& o) const {
        return file == o.file && tables == o.tables && rows == o.rows;
    }
};

std::ostream& operator<<(std::ostream& out, const Run& r) {
    return out << "{" << r.tables << ": " << r.rows << " rows}";
}

// The runs on the database stored as file.
std::vector<Run> On(const std::vector<Run>& runs, const std::string& file) {
    std::vector<Run> out;
    for (const Run& r : runs) {
        if (r.file == file) out.push_back(r);
    }
    return out;
}

// Whether every table of the space-separated list part is in whole.
bool TablesWithin(const std::string& part, const std::string& whole) {
    std::size_t at = 0;
    while (at < part.size()) {
        std::size_t end = part.find(' ', at);
        if (end == std::string::npos) end = part.size();
        if ((" " + whole + " ").find(" " + part.substr(at, end - at) + " ") == std::string::npos)
            return false;
        at = end + 1;
    }
    return true;
}

// Whether every run of the floor has a run of the reader of its own, on the same database, that
// reads at least its tables and at least its rows: the floor may leave out what no correct
// program needs (columns, joins, rows another kind shows), never read what the reader does not.
bool Covered(const std::vector<Run>& floor, std::vector<Run> reader) {
    for (const Run& f : floor) {
        auto it = std::find_if(reader.begin(), reader.end(), [&f](const Run& r) {
            return r.file == f.file && r.rows >= f.rows && TablesWithin(f.tables, r.tables);
        });
        if (it == reader.end()) return false;
        reader.erase(it);
    }
    return true;
}

// The tables a statement reads: the name after "from" or "join", and after each comma of a
// "from" list, up to the clause that ends it. Empty for the schema's own statements.
std::string TablesOf(const char* sql) {
    std::vector<std::string> tokens;
    for (const char* p = sql; *p != 0;) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c) || c == '_') {
            const char* start = p;
            while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') ++p;
            std::string word(start, p);
            for (char& ch : word)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            tokens.push_back(word);
        } else if (c == '\'' || c == '"') {
            // A literal or a quoted name: kept whole.
            const char* start = p++;
            while (*p != 0 && *p != static_cast<char>(c)) ++p;
            if (*p != 0) ++p;
            tokens.emplace_back(start, p);
        } else {
            if (c == ',' || c == '(' || c == ')') tokens.emplace_back(1, static_cast<char>(c));
            ++p;
        }
    }
    static const std::set<std::string> kEnds = {"where", "order",  "group", "limit", "on",
                                                "union", "having", ")",     "select"};
    std::set<std::string> tables;
    bool inFrom = false, expectTable = false;
    for (const std::string& t : tokens) {
        if (t == "from" || t == "join") {
            inFrom = true;
            expectTable = true;
        } else if (kEnds.count(t) != 0) {
            inFrom = expectTable = false;
        } else if (t == "," && inFrom) {
            expectTable = true;
        } else if (expectTable && t != "(") {
            tables.insert(t);
            expectTable = false;
        }
    }
    std::string out;
    for (const std::string& t : tables) {
        if (t.rfind("sqlite_", 0) == 0 || t.rfind("pragma_", 0) == 0) return "";
        out += (out.empty() ? "" : " ") + t;
    }
    return out;
}

// Every statement stepped on any connection opened while a Trace is alive.
class Trace {
  public:
    Trace() {
        current_ = this;
        static bool registered = false;
        if (!registered) {
            sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Trace::OnOpen));
            registered = true;
        }
    }
    ~Trace() { current_ = nullptr; }

    // The data statements run so far, sorted, and forgotten.
    std::vector<Run> Take() {
        std::vector<Run> runs;
        for (const Run& r : runs_) {
            if (!r.tables.empty()) runs.push_back(r);
        }
        runs_.clear();
        open_.clear();
        std::sort(runs.begin(), runs.end());
        return runs;
    }

  private:
    static int OnOpen(sqlite3* db, char** /*error*/, const sqlite3_api_routines* /*api*/) {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, &Trace::OnEvent, nullptr);
        return SQLITE_OK;
    }

    static int OnEvent(unsigned event, void* /*context*/, void* statement, void* text) {
        Trace* t = current_;
        if (t == nullptr) return 0;
        auto* stmt = static_cast<sqlite3_stmt*>(statement);
        if (event == SQLITE_TRACE_STMT) {
            const char* sql = static_cast<const char*>(text);
            // A trigger's statements are announced as comments; none run here.
            if (sql != nullptr && sql[0] == '-' && sql[1] == '-') return 0;
            t->open_[stmt] = t->runs_.size();
            const char* path = sqlite3_db_filename(sqlite3_db_handle(stmt), "main");
            std::string file = path != nullptr ? path : "";
            file.erase(0, file.rfind('/') + 1);
            t->runs_.push_back({file, TablesOf(sqlite3_sql(stmt)), 0});
        } else if (event == SQLITE_TRACE_ROW) {
            auto it = t->open_.find(stmt);
            if (it != t->open_.end()) ++t->runs_[it->second].rows;
        }
        return 0;
    }

    static Trace* current_;
    std::vector<Run> runs_;
    std::map<sqlite3_stmt*, std::size_t> open_;
};

Trace* Trace::current_ = nullptr;

// The queries of the reader's kind, read from a freshly listed backup (so that it pays for all
// it needs, as the floor's kind alone does), and of the floor's same kind.
struct KindRuns {
    std::vector<Run> reader, floor;
};
KindRuns QueriesOf(const std::string& root, const std::string& folder, std::uint32_t kind) {
    KindRuns runs;
    bench::ScanFloor floor(folder, 1);
    Trace trace;
    BackupInfo* head = ib::ListBackupsIn(root.c_str());
    EXPECT_NE(head, nullptr);
    if (head == nullptr) return runs;
    trace.Take();
    plist_free(ib::GetKindData(head, kind));
    runs.reader = trace.Take();
    ib::FreeBackupList(head);
    floor.RunKind(kind);
    runs.floor = trace.Take();
    return runs;
}

const std::string kSmsFile = gen::StoredName("HomeDomain", "Library/SMS/sms.db");

// The messages: on the message database the floor runs the reader's queries, one for one, with
// their rows; on the address book that names the conversations it reads no more than the reader.
void ExpectMessageQueries(const std::string& root, const std::string& folder) {
    const KindRuns runs = QueriesOf(root, folder, KIND_MESSAGES);
    EXPECT_FALSE(On(runs.reader, kSmsFile).empty());
    EXPECT_EQ(On(runs.floor, kSmsFile), On(runs.reader, kSmsFile));
    EXPECT_TRUE(Covered(runs.floor, runs.reader))
        << testing::PrintToString(runs.floor) << " against " << testing::PrintToString(runs.reader);
}

TEST(ScanFloorTest, RunsTheReadersMessageQueries) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    gen::SampleOptions options;
    options.filler = 300;
    {
        SCOPED_TRACE("iOS 6, chat_message_join");
        const std::string root = dir.Path() + "/six/";
        gen::WriteSampleBackup(root + "udid/", options);
        ExpectMessageQueries(root, root + "udid/");
    }
    {
        SCOPED_TRACE("iOS 5");
        const std::string root = dir.Path() + "/five/";
        gen::SampleOptions ios5 = options;
        ios5.ios5Messages = true;
        gen::WriteSampleBackup(root + "udid/", ios5);
        ExpectMessageQueries(root, root + "udid/");
    }
    {
        // The same tables with chat_message_join empty: the messages come through the chats of
        // their handles.
        SCOPED_TRACE("iOS 6, chat_message_join empty");
        const std::string root = dir.Path() + "/empty/";
        gen::SmsData sms;
        for (std::int64_t h = 1; h <= 3; ++h) {
            sms.handles.push_back({h, "+1555000000" + std::to_string(h), "us", "SMS",
                                   "555000000" + std::to_string(h)});
            gen::ChatRow chat;
            chat.rowid = h;
            chat.handles = {h};
            sms.chats.push_back(chat);
        }
        sms.chats[2].style = 43;
        sms.chats[2].handles = {1, 2};
        for (std::int64_t m = 1; m <= 12; ++m) {
            gen::MessageRow row;
            row.rowid = m;
            row.handle_id = m % 4;  // the owner's own (handle 0) belong to no chat
            row.text = "text " + std::to_string(m);
            row.date = static_cast<long long>(400000000 + (m * 37) % 11 * 60);
            row.is_from_me = static_cast<int>(m % 2);
            sms.messages.push_back(row);
        }
        gen::BackupBuilder b(root + "udid/");
        b.AddFile("HomeDomain", "Library/SMS/sms.db", gen::SmsDb(sms));
        b.Write();
        ExpectMessageQueries(root, root + "udid/");
    }
}

TEST(ScanFloorTest, TakesThePhonesFilesFromTheDomainsTheReaderDoes) {
    const char* const paths[] = {"Library/SMS/sms.db",
                                 "Library/AddressBook/AddressBook.sqlitedb",
                                 "Library/Notes/notes.sqlite",
                                 "Library/Calendar/Calendar.sqlitedb",
                                 "Library/Safari/History.plist",
                                 "Library/Safari/Bookmarks.db",
                                 "Library/CallHistory/call_history.db",
                                 "Library/SMS/Attachments/0a/10/IMG_0001.JPG",
                                 "Library/SMS/Parts/2f/10/5-1.jpg",
                                 "Media/Recordings/20130904 150640.m4a",
                                 "Media/DCIM/100APPLE/IMG_0001.JPG",
                                 "Media/PhotoData/Photos.sqlite",
                                 "Media/",
                                 "Library/SMS/",
                                 "Library/Preferences/com.apple.mobilephone.plist"};
    const char* const domains[] = {"HomeDomain",
                                   "MediaDomain",
                                   "CameraRollDomain",
                                   "WirelessDomain",
                                   "AppDomain-com.example.chat",
                                   ""};
    for (const char* path : paths) {
        for (const char* domain : domains) {
            EXPECT_EQ(bench::ScanFloor::PhoneFile(domain, path),
                      ib::PhoneFiles::Holds(domain, path))
                << domain << " " << path;
        }
    }
}

TEST(ScanFloorTest, ReadsNoMoreThanTheReaderForEachKind) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    const std::string root = dir.Path() + "/Backup/";
    gen::SampleOptions options;
    options.filler = 300;
    gen::WriteSampleBackup(root + "udid/", options);
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        const KindRuns runs = QueriesOf(root, root + "udid/", kind);
        EXPECT_FALSE(runs.floor.empty());
        EXPECT_TRUE(Covered(runs.floor, runs.reader))
            << testing::PrintToString(runs.floor) << " against "
            << testing::PrintToString(runs.reader);
    }
}

}  // namespace
