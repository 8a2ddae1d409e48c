// The floor of reading a backup's kinds, shared by the benchmarks: the least work that any correct
// reader of the same databases must do for the same rows, with nothing built from them.
//
// - SQL: only the columns a kind shows or needs to sort and classify its rows, only the joins its
//   rows need, no "distinct", run through sqlite3_prepare and sqlite3_step with each column
//   touched once as its type gives it (no number turned into text and back). Each database is
//   opened once for all the queries that read it.
// - Order: a result whose order the rows do not have as stored pays for ordering, but only the
//   least of it: the sort keys collected and sorted, and no sort at all when they already come in
//   order. Messages are the case: a conversation lists its messages by date, then by row id, and
//   the published tables have no index that gives that order, so any correct reader sorts them.
// - The manifest: every lookup a reader must make, on the manifest's paths as listing it left them
//   in memory, each taking only a record of the domain the phone keeps that file in (PhoneFile,
//   checked against the reader's own table by the kind tests): finding each database (the first
//   record with its path: a walk from the start until it is found), each attachment and picture
//   (the last record with its path: a walk from the end until every wanted path is found, one
//   hash and probe per record, or the whole manifest when one is missing), each voice memo (the
//   first record whose path holds the memo's name: a walk from the start up to the record where
//   the last memo is found, one probe of each path's last component), and the size of every
//   stored file found (one stat each).
// - The Safari history: one parse of its property-list file.
//
// A kind read alone pays for everything it needs; all kinds read together pay once for what they
// share (the address book that names calls and conversations, the calendar's table that holds
// events and reminders, the photo table of both picture kinds, one walk of the manifest for all
// attachments and pictures).
#pragma once

#include <plist/plist.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bench_util.h"
#include "gen/backup_gen.h"
#include "manifest_walk.h"

namespace bench {

class ScanFloor {
  public:
    // folder: the backup folder, ending with '/'. runs: each step's time is its best of runs.
    ScanFloor(const std::string& folder, int runs) : folder_(folder), runs_(runs) {
        ReadManifest();
        ReadMediaRows();
    }

    // The least work of one kind read alone, in seconds.
    double Kind(std::uint32_t kind) { return Sum(KindSteps(kind)); }

    // The least work of all eleven kinds read together, in seconds.
    double All() {
        return Sum({"locate calls", "locate address book", "locate messages", "locate notes",
                    "locate bookmarks", "locate history", "locate calendar", "locate memos",
                    "locate photos", "calls", "address book: contacts", "messages and attachments",
                    "notes", "safari", "calendar: all", "memos: rows", "memos: manifest",
                    "photos: all", "media: attachments and pictures"});
    }

    std::size_t Records() const { return paths_.size(); }

    // Does the work of one kind read alone once, untimed (to see which queries it runs).
    void RunKind(std::uint32_t kind) {
        for (const std::string& s : KindSteps(kind)) Work(s)();
    }

    // Whether a record of domain and path is the phone's own file: the phone keeps each of the
    // files the kinds read in one domain (the photo library in one of two), and a file of the
    // same path in an app's domain is not the phone's. The first rule that covers a path counts.
    static bool PhoneFile(std::string_view domain, std::string_view path) {
        struct Rule {
            std::string_view path;
            bool folder;
            std::string_view domains[2];
        };
        static const Rule kRules[] = {
            {"Library/SMS/sms.db", false, {"HomeDomain", {}}},
            {"Library/AddressBook/AddressBook.sqlitedb", false, {"HomeDomain", {}}},
            {"Library/Notes/notes.sqlite", false, {"HomeDomain", {}}},
            {"Library/Calendar/Calendar.sqlitedb", false, {"HomeDomain", {}}},
            {"Library/Safari/History.plist", false, {"HomeDomain", {}}},
            {"Library/Safari/Bookmarks.db", false, {"HomeDomain", {}}},
            {"Library/CallHistory/call_history.db", false, {"WirelessDomain", {}}},
            {"Library/SMS/Attachments/", true, {"MediaDomain", {}}},
            {"Library/SMS/Parts/", true, {"MediaDomain", {}}},
            {"Media/Recordings/", true, {"MediaDomain", {}}},
            {"Media/", true, {"CameraRollDomain", "MediaDomain"}},
        };
        for (const Rule& r : kRules) {
            const bool covers = r.folder ? path.size() > r.path.size() &&
                                               path.compare(0, r.path.size(), r.path) == 0
                                         : path == r.path;
            if (covers)
                return domain == r.domains[0] || (!r.domains[1].empty() && domain == r.domains[1]);
        }
        return false;
    }

    // The steps timed so far, with their times, one line each.
    void PrintSteps(const char* indent) const {
        for (const auto& step : times_)
            std::printf("%s%-32s %9.3f ms\n", indent, step.first.c_str(), step.second * 1e3);
    }

  private:
    static std::vector<std::string> KindSteps(std::uint32_t kind) {
        switch (kind) {
            case 0:
                return {"locate calls", "calls", "locate address book", "address book: names"};
            case 1:
                return {"locate address book", "address book: contacts"};
            case 2:
                return {"locate messages", "messages", "locate address book",
                        "address book: names"};
            case 3:
                return {"locate messages", "attachments", "media: attachments"};
            case 4:
                return {"locate notes", "notes"};
            case 5:
                return {"locate bookmarks", "locate history", "safari"};
            case 6:
                return {"locate calendar", "calendar: events"};
            case 7:
                return {"locate calendar", "calendar: reminders"};
            case 8:
                return {"locate memos", "memos: rows", "memos: manifest"};
            case 9:
                return {"locate photos", "photos: camera roll", "media: camera roll"};
            case 10:
                return {"locate photos", "photos: others", "media: other pictures"};
            default:
                return {};
        }
    }

    double Sum(const std::vector<std::string>& steps) {
        double total = 0;
        for (const std::string& s : steps) total += Step(s);
        return total;
    }

    // Each step is timed once, at its first use.
    double Step(const std::string& name) {
        auto it = times_.find(name);
        if (it != times_.end()) return it->second;
        const std::function<void()> work = Work(name);
        // One untimed run first: the files in the system's cache, the texts worked out once.
        work();
        const double t = Best(runs_, work);
        times_[name] = t;
        return t;
    }

    // ---- the manifest as listing leaves it: every record's domain and path, in file order ----

    void ReadManifest() {
        std::vector<std::pair<std::size_t, std::size_t>> at;
        WalkManifest(folder_ + "Manifest.mbdb",
                     [&](std::string_view domain, std::string_view path) {
                         at.emplace_back(text_.size(), domain.size());
                         text_.append(domain.data(), domain.size());
                         at.emplace_back(text_.size(), path.size());
                         text_.append(path.data(), path.size());
                     });
        for (std::size_t i = 0; i < at.size(); i += 2) {
            domains_.emplace_back(text_.data() + at[i].first, at[i].second);
            paths_.emplace_back(text_.data() + at[i + 1].first, at[i + 1].second);
        }
    }

    // The stored file of record i.
    std::string StoredPath(std::size_t i) const {
        return folder_ + gen::StoredName(std::string(domains_[i]), std::string(paths_[i]));
    }

    // The first record of the phone's own file at path: a walk from the start until it is found.
    std::size_t FirstWith(std::string_view path) const {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (paths_[i] == path && PhoneFile(domains_[i], path)) return i;
        }
        return paths_.size();
    }

    static std::string Uri(const std::string& file) { return "file:" + file + "?immutable=1"; }

    // The stored database of the first record with devicePath, empty when there is none.
    std::string Database(const char* devicePath) const {
        const std::size_t i = FirstWith(devicePath);
        return i < paths_.size() ? StoredPath(i) : std::string();
    }

    // ---- what the media lookups look for: read once before any timing ----

    void ReadMediaRows() {
        const std::string sms = Database("Library/SMS/sms.db");
        ForEachRow(sms, "select filename from attachment", [&](sqlite3_stmt* st) {
            const char* f = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            if (f == nullptr) return;
            // The device path: the filename without the home it is named under.
            const std::string_view name(f);
            for (const char* home : {"~/", "/var/mobile/", "/private/var/mobile/"}) {
                if (name.rfind(home, 0) == 0) {
                    attachmentPaths_.emplace_back(name.substr(std::strlen(home)));
                    return;
                }
            }
            if (!name.empty()) attachmentPaths_.emplace_back(name);
        });
        const std::string photos = Database("Media/PhotoData/Photos.sqlite");
        ForEachRow(photos,
                   "select ZDIRECTORY || '/' || ZFILENAME from ZGENERICASSET where ZFILENAME is "
                   "not null and ZDIRECTORY is not null",
                   [&](sqlite3_stmt* st) {
                       const std::string joined =
                           reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
                       (joined.find("DCIM") != std::string::npos ? cameraPaths_ : otherPaths_)
                           .push_back("Media/" + joined);
                   });
        const std::string memos = Database("Media/Recordings/Recordings.db");
        ForEachRow(memos, "select ZPATH from ZRECORDING", [&](sqlite3_stmt* st) {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const std::string stored = p ? p : "";
            const std::size_t slash = stored.rfind('/');
            if (slash != std::string::npos && slash + 1 < stored.size())
                memoNames_.push_back(stored.substr(slash + 1));
        });
    }

    template <class F>
    static void ForEachRow(const std::string& file, const char* sql, F&& row) {
        if (file.empty()) return;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(Uri(file).c_str(), &db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
                while (sqlite3_step(st) == SQLITE_ROW) row(st);
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
    }

    // Every column of the current row, touched once as its type gives it.
    void Touch(sqlite3_stmt* st) {
        const int n = sqlite3_column_count(st);
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    sink_ += static_cast<std::uint64_t>(sqlite3_column_int64(st, c));
                    break;
                case SQLITE_FLOAT:
                    sink_ += static_cast<std::uint64_t>(sqlite3_column_double(st, c));
                    break;
                case SQLITE_TEXT:
                case SQLITE_BLOB: {
                    const unsigned char* text = sqlite3_column_text(st, c);
                    sink_ += static_cast<std::uint64_t>(sqlite3_column_bytes(st, c)) +
                             (text != nullptr ? text[0] : 0);
                    break;
                }
                default:
                    break;
            }
        }
    }

    // Opens the database once and runs each query; a query whose text the database cannot take
    // (a table or column of another version) falls back to the next text of its group. A query
    // with a condition runs only where the condition holds when its turn comes.
    struct Query {
        std::vector<const char*> texts;  // the first one that prepares is run
        std::function<void(sqlite3_stmt*)> row;
        std::function<bool()> when;  // none: always
        int* chosen = nullptr;       // the index of the text run, -1 for none
    };
    void RunQueries(const std::string& file, const std::vector<Query>& queries) {
        if (file.empty()) return;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(Uri(file).c_str(), &db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK) {
            for (const Query& q : queries) {
                if (q.chosen != nullptr) *q.chosen = -1;
                if (q.when && !q.when()) continue;
                for (std::size_t i = 0; i < q.texts.size(); ++i) {
                    sqlite3_stmt* st = nullptr;
                    if (sqlite3_prepare_v2(db, q.texts[i], -1, &st, nullptr) != SQLITE_OK) {
                        sqlite3_finalize(st);
                        continue;
                    }
                    if (q.chosen != nullptr) *q.chosen = static_cast<int>(i);
                    while (sqlite3_step(st) == SQLITE_ROW) {
                        if (q.row) {
                            q.row(st);
                        } else {
                            Touch(st);
                        }
                    }
                    sqlite3_finalize(st);
                    break;
                }
            }
        }
        sqlite3_close(db);
    }

    Query Plain(std::vector<const char*> texts) { return Query{std::move(texts), nullptr, {}}; }

    // ---- the messages: conversations, their members and their messages in order ----

    struct MessageKey {
        std::int64_t chat;
        double date;
        std::int64_t row;
        bool operator<(const MessageKey& o) const {
            if (chat != o.chat) return chat < o.chat;
            if (date != o.date) return date < o.date;
            return row < o.row;
        }
    };

    // What the conversations' queries learn as they run: which tables the database has (0 those
    // of iOS 6 and later, 1 those of iOS 5, -1 neither) and whether chat_message_join has rows.
    struct MessageState {
        int version = -1;
        bool joined = false;
    };

    // The queries of the conversations, as a reader must run them. From iOS 6 on, messages belong
    // to the chats that chat_message_join gives them (the owner's own included, whose handle is
    // 0: hence the left join); only where that table is empty do they come through their
    // handle's chats, and only then is that query run. iOS 5 keeps a conversation per msg_group
    // and dates its iMessage rows from 2001, its SMS rows from 1970. The keys are sorted
    // afterwards.
    std::vector<Query> MessageQueries(std::vector<MessageKey>& keys, MessageState& state) {
        auto key = [this, &keys](sqlite3_stmt* st) {
            Touch(st);
            keys.push_back({sqlite3_column_int64(st, 0), sqlite3_column_double(st, 2),
                            sqlite3_column_int64(st, 1)});
        };
        auto groupKey = [this, &keys](sqlite3_stmt* st) {
            Touch(st);
            const double date = sqlite3_column_double(st, 2) +
                                (sqlite3_column_int64(st, 3) != 0 ? kUnixSecondsAt2001 : 0.0);
            keys.push_back({sqlite3_column_int64(st, 0), date, sqlite3_column_int64(st, 1)});
        };
        MessageState* s = &state;
        auto ios6 = [s] { return s->version == 0; };
        return {
            Query{{"select ROWID from chat", "select ROWID from msg_group"},
                  [this](sqlite3_stmt* st) { Touch(st); },
                  {},
                  &state.version},
            Query{{"select chj.chat_id,h.id,h.uncanonicalized_id from chat_handle_join chj join "
                   "handle h on h.ROWID = chj.handle_id order by chj.ROWID"},
                  nullptr,
                  ios6},
            Query{{"select 1 from chat_message_join limit 1"},
                  [s](sqlite3_stmt*) { s->joined = true; },
                  ios6},
            Query{{"select cmj.chat_id,m.ROWID,m.date,m.text,m.is_from_me,m.service,m.country,"
                   "h.service,h.country from chat_message_join cmj join message m on m.ROWID = "
                   "cmj.message_id left join handle h on h.ROWID = m.handle_id"},
                  key,
                  [s] { return s->version == 0 && s->joined; }},
            Query{{"select chj.chat_id,m.ROWID,m.date,m.text,m.is_from_me,h.service,h.country "
                   "from message m join handle h on h.ROWID = m.handle_id join chat_handle_join "
                   "chj on chj.handle_id = h.ROWID"},
                  key,
                  [s] { return s->version == 0 && !s->joined; }},
            Query{{"select group_id,address from group_member"},
                  nullptr,
                  [s] { return s->version == 1; }},
            Query{{"select group_id,ROWID,date,is_madrid,country,text,flags,madrid_flags,address,"
                   "madrid_handle from message"},
                  groupKey,
                  [s] { return s->version == 1; }},
        };
    }

    static void Order(std::vector<MessageKey>& keys) {
        if (!std::is_sorted(keys.begin(), keys.end())) std::sort(keys.begin(), keys.end());
    }

    // ---- the media lookups ----

    // The last record of each wanted path: a walk from the end that stops once every wanted path
    // was met; then the size of each stored file found.
    void FindLast(const std::vector<const std::vector<std::string>*>& lists) {
        std::unordered_map<std::string_view, std::size_t> wanted;
        for (const auto* list : lists) {
            for (const std::string& p : *list) wanted.emplace(p, wanted.size());
        }
        std::vector<std::size_t> found(wanted.size(), paths_.size());
        std::size_t count = 0;
        for (std::size_t i = paths_.size(); i-- > 0 && count < wanted.size();) {
            auto it = wanted.find(paths_[i]);
            if (it != wanted.end() && found[it->second] == paths_.size() &&
                PhoneFile(domains_[i], paths_[i])) {
                found[it->second] = i;
                ++count;
            }
        }
        Stat(found);
    }

    // Each found record's stored file, stat'ed. The names are the listing's (worked out there).
    void Stat(const std::vector<std::size_t>& found) {
        struct stat st;
        for (std::size_t i : found) {
            if (i >= paths_.size()) continue;
            const std::string& file = Stored(i);
            if (::stat(file.c_str(), &st) == 0) sink_ += static_cast<std::uint64_t>(st.st_size);
        }
    }

    const std::string& Stored(std::size_t i) {
        auto it = stored_.find(i);
        if (it == stored_.end()) it = stored_.emplace(i, StoredPath(i)).first;
        return it->second;
    }

    // The memos: the first record whose path holds each name. The point where the walk may stop
    // (the record of the last memo found) is worked out once, untimed, by plain substring search.
    void FindMemos() {
        if (memoStop_ == kUnknown) {
            // Every substring of a path as long as some name, probed in the set of names.
            std::unordered_map<std::string_view, std::size_t> ids;
            std::vector<std::size_t> lengths;
            for (std::size_t m = 0; m < memoNames_.size(); ++m) {
                const std::string& n = memoNames_[m];
                if (n.empty()) continue;
                ids.emplace(n, m);
                if (std::find(lengths.begin(), lengths.end(), n.size()) == lengths.end())
                    lengths.push_back(n.size());
            }
            std::vector<char> seen(memoNames_.size(), 0);
            std::size_t left = ids.size();
            memoStop_ = 0;
            for (std::size_t i = 0; i < paths_.size() && left > 0; ++i) {
                const std::string_view p = paths_[i];
                if (!PhoneFile(domains_[i], p)) continue;
                for (std::size_t len : lengths) {
                    for (std::size_t at = 0; at + len <= p.size(); ++at) {
                        auto it = ids.find(p.substr(at, len));
                        if (it != ids.end() && !seen[it->second]) {
                            seen[it->second] = 1;
                            --left;
                            memoStop_ = i + 1;
                        }
                    }
                }
            }
            if (left > 0) memoStop_ = paths_.size();
            for (const std::string& n : memoNames_) memoSet_.emplace(n);
        }
        std::vector<std::size_t> found;
        found.reserve(memoNames_.size());
        for (std::size_t i = 0; i < memoStop_; ++i) {
            const std::string_view p = paths_[i];
            const std::size_t slash = p.rfind('/');
            const std::string_view last = slash == std::string_view::npos ? p : p.substr(slash + 1);
            if (memoSet_.count(last) != 0 && PhoneFile(domains_[i], p)) found.push_back(i);
        }
        Stat(found);
    }

    // ---- the steps ----

    std::function<void()> Work(const std::string& name) {
        static const std::map<std::string, const char*> kLocate = {
            {"locate calls", "Library/CallHistory/call_history.db"},
            {"locate address book", "Library/AddressBook/AddressBook.sqlitedb"},
            {"locate messages", "Library/SMS/sms.db"},
            {"locate notes", "Library/Notes/notes.sqlite"},
            {"locate bookmarks", "Library/Safari/Bookmarks.db"},
            {"locate history", "Library/Safari/History.plist"},
            {"locate calendar", "Library/Calendar/Calendar.sqlitedb"},
            {"locate memos", "Media/Recordings/Recordings.db"},
            {"locate photos", "Media/PhotoData/Photos.sqlite"},
        };
        auto locate = kLocate.find(name);
        if (locate != kLocate.end()) {
            const std::string path = locate->second;
            return [this, path] { sink_ += FirstWith(path); };
        }
        const std::string calls = Database("Library/CallHistory/call_history.db");
        const std::string book = Database("Library/AddressBook/AddressBook.sqlitedb");
        const std::string sms = Database("Library/SMS/sms.db");
        const std::string calendar = Database("Library/Calendar/Calendar.sqlitedb");
        const std::string photos = Database("Media/PhotoData/Photos.sqlite");
        // Calendar items: the calendar's title and the item's kind tell events from reminders.
        const char* const itemColumns =
            "select c.title,ci.entity_type,ci.summary,l.title,ci.description,ci.url,"
            "ci.start_date,ci.end_date,ci.due_date,ci.due_tz,ci.completion_date,ci.start_tz,"
            "ci.all_day,ci.status from CalendarItem ci left join Location l on ci.location_id = "
            "l.ROWID "
            "left join Calendar c on c.ROWID = ci.calendar_id";
        const char* const oldItemColumns =
            "select c.title,ci.summary,l.title,ci.description,ci.url,ci.start_date,ci.end_date,"
            "ci.start_tz,ci.all_day,ci.status from CalendarItem ci left join Location l on "
            "ci.location_id = l.ROWID left join Calendar c on c.ROWID = ci.calendar_id";
        const std::string reminder =
            "(c.title in ('Birthdays','Facebook Birthdays','DEFAULT_TASK_CALENDAR_NAME',"
            "'Reminders') or ci.entity_type = 3)";
        const std::string oldReminder =
            "c.title in ('Birthdays','Facebook Birthdays','DEFAULT_TASK_CALENDAR_NAME',"
            "'Reminders')";
        auto items = [=](const std::string& where, const std::string& oldWhere) {
            auto texts = std::make_shared<std::vector<std::string>>(std::vector<std::string>{
                std::string(itemColumns) + where, std::string(oldItemColumns) + oldWhere});
            return [this, calendar, texts] {
                RunQueries(calendar, {Plain({(*texts)[0].c_str(), (*texts)[1].c_str()})});
            };
        };
        const char* const assets =
            "select ZDIRECTORY,ZFILENAME from ZGENERICASSET where ZFILENAME is not null and "
            "ZDIRECTORY is not null";
        auto pictures = [=](const std::string& where) {
            auto text = std::make_shared<std::string>(std::string(assets) + where);
            return [this, photos, text] { RunQueries(photos, {Plain({text->c_str()})}); };
        };
        const char* const person =
            "select ROWID,First,Middle,Last,Organization,Department,Note,Birthday,JobTitle,"
            "Nickname,CreationDate from ABPerson";
        const char* const values =
            "select m.record_id,m.UID,m.property,l.value,m.value from ABMultiValue m left join "
            "ABMultiValueLabel l on l.rowid = m.label";
        // The parts of values stored without a value of their own (postal addresses).
        const char* const entries =
            "select e.parent_id,k.value,e.value from ABMultiValueEntry e left join "
            "ABMultiValueEntryKey k on k.rowid = e.key";

        if (name == "calls") {
            return [this, calls] {
                RunQueries(calls, {Plain({"select name,address,date,flags,duration,country_code,"
                                          "network_code from call"})});
            };
        }
        if (name == "address book: names") {
            return [this, book] {
                RunQueries(book, {Plain({"select ROWID,First,Middle,Last from ABPerson"}),
                                  Plain({"select record_id,value from ABMultiValue"})});
            };
        }
        if (name == "address book: contacts") {
            return [=] { RunQueries(book, {Plain({person}), Plain({values}), Plain({entries})}); };
        }
        if (name == "messages" || name == "attachments" || name == "messages and attachments") {
            const bool messages = name != "attachments";
            const bool attachments = name != "messages";
            return [this, sms, messages, attachments] {
                std::vector<MessageKey> keys;
                MessageState state;
                std::vector<Query> queries;
                if (messages) queries = MessageQueries(keys, state);
                // iOS 5 keeps the attachments of iMessages and the parts of MMS messages apart.
                int attachmentTable = -1;
                if (attachments) {
                    Query all = Plain({"select filename,mime_type from attachment"});
                    all.chosen = &attachmentTable;
                    queries.push_back(all);
                    auto older = [&attachmentTable] { return attachmentTable < 0; };
                    queries.push_back(Query{
                        {"select filename,mime_type from madrid_attachment"}, nullptr, older});
                    queries.push_back(
                        Query{{"select message_id,part_id,content_type from msg_pieces"},
                              nullptr,
                              older});
                }
                RunQueries(sms, queries);
                Order(keys);
                sink_ += keys.size();
            };
        }
        if (name == "notes") {
            const std::string notes = Database("Library/Notes/notes.sqlite");
            return [this, notes] {
                RunQueries(notes, {Plain({"select t.ZCREATIONDATE,t.ZMODIFICATIONDATE,t.ZTITLE,"
                                          "b.ZCONTENT from ZNOTE t left join ZNOTEBODY b on "
                                          "t.ZBODY = b.Z_PK"})});
            };
        }
        if (name == "safari") {
            const std::string bookmarks = Database("Library/Safari/Bookmarks.db");
            const std::string history = Database("Library/Safari/History.plist");
            return [this, bookmarks, history] {
                RunQueries(bookmarks, {Plain({"select title,url from bookmarks"})});
                const std::string bytes = history.empty() ? std::string() : gen::ReadFile(history);
                plist_t list = nullptr;
                if (bytes.rfind("bplist", 0) == 0) {
                    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &list);
                } else if (!bytes.empty()) {
                    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &list);
                }
                plist_free(list);
            };
        }
        if (name == "calendar: all") return items("", "");
        if (name == "calendar: events")
            return items(" where not " + reminder, " where not " + oldReminder);
        if (name == "calendar: reminders")
            return items(" where " + reminder, " where " + oldReminder);
        if (name == "memos: rows") {
            const std::string memos = Database("Media/Recordings/Recordings.db");
            return [this, memos] {
                RunQueries(memos, {Plain({"select ZDATE,ZDURATION,ZPATH from ZRECORDING"})});
            };
        }
        if (name == "memos: manifest") return [this] { FindMemos(); };
        if (name == "photos: all") return pictures("");
        if (name == "photos: camera roll")
            return pictures(" and instr(ZDIRECTORY || '/' || ZFILENAME,'DCIM') > 0");
        if (name == "photos: others")
            return pictures(" and instr(ZDIRECTORY || '/' || ZFILENAME,'DCIM') = 0");
        if (name == "media: attachments") return [this] { FindLast({&attachmentPaths_}); };
        if (name == "media: camera roll") return [this] { FindLast({&cameraPaths_}); };
        if (name == "media: other pictures") return [this] { FindLast({&otherPaths_}); };
        if (name == "media: attachments and pictures")
            return [this] { FindLast({&attachmentPaths_, &cameraPaths_, &otherPaths_}); };
        std::fprintf(stderr, "scan floor: no step named %s\n", name.c_str());
        std::exit(2);
    }

    static constexpr std::size_t kUnknown = ~std::size_t(0);
    // 2001-01-01 in seconds since 1970: the start of iMessage dates.
    static constexpr double kUnixSecondsAt2001 = 978307200.0;

    std::string folder_;
    int runs_;
    std::string text_;
    std::vector<std::string_view> domains_, paths_;
    std::vector<std::string> attachmentPaths_, cameraPaths_, otherPaths_, memoNames_;
    std::unordered_set<std::string_view> memoSet_;
    std::size_t memoStop_ = kUnknown;
    std::unordered_map<std::size_t, std::string> stored_;
    std::map<std::string, double> times_;
    volatile std::uint64_t sink_ = 0;
};

}  // namespace bench
