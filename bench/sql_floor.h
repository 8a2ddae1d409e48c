// The SQL floor of a scan, shared by the benchmarks: the readers' own SQL texts through
// sqlite3_exec with an empty callback (nothing built from the rows), and one parse of the Safari
// history file. This is the least work any reader of the same databases must do.
#pragma once

#include <plist/plist.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_util.h"
#include "gen/backup_gen.h"

namespace bench {

struct Query {
    const char* domain;
    const char* path;
    const char* sql;
};

// The readers' SQL texts, per kind; kinds that share a reader carry its queries once.
inline const std::vector<std::vector<Query>> kFloorQueries = {
    {{"WirelessDomain", "Library/CallHistory/call_history.db",
      "select name,address,date,flags,duration,country_code,network_code from call"}},
    {{"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
      "select rowid as record_id, (ifnull(First,'')||' '|| ifnull(Middle,'')|| ' ' || "
      "ifnull(Last,'')) as name,Organization,Department,Note,Birthday,JobTitle,Nickname,"
      "CreationDate from ABPerson"},
     {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
      "select  m.record_id, l.value as type,m.value,m.UID,m.property from ABMultiValue m left "
      "join ABMultiValueLabel l on l.rowid=m.label;"},
     {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
      "select e.parent_id, k.value, e.value from ABMultiValueEntry e left join "
      "ABMultiValueEntryKey k on k.rowid = e.key"}},
    {{"HomeDomain", "Library/SMS/sms.db", "select rowid from chat"},
     {"HomeDomain", "Library/SMS/sms.db",
      "select chj.chat_id, coalesce(nullif(h.uncanonicalized_id,''),h.id) from "
      "chat_handle_join chj join handle h on h.ROWID = chj.handle_id order by chj.ROWID"},
     {"HomeDomain", "Library/SMS/sms.db",
      "select cmj.chat_id, case when h.ROWID is null then m.country else h.country end, case "
      "when h.ROWID is null then m.service else h.service end, "
      "coalesce(nullif(h.uncanonicalized_id,''),h.id), m.text, m.date, m.is_from_me from "
      "chat_message_join cmj join message m on m.ROWID = cmj.message_id left join handle h on "
      "h.ROWID = m.handle_id order by cmj.chat_id, m.date, m.ROWID"}},
    {{"HomeDomain", "Library/SMS/sms.db", "select filename,mime_type from attachment"}},
    {{"HomeDomain", "Library/Notes/notes.sqlite",
      "select t.ZCREATIONDATE,t.ZMODIFICATIONDATE,t.ztitle,b.ZCONTENT from ZNOTE t left join "
      "ZNOTEBODY b on t.zbody = b.Z_PK"}},
    {{"HomeDomain", "Library/Safari/Bookmarks.db", "select title,url from bookmarks"}},
    {{"HomeDomain", "Library/Calendar/Calendar.sqlitedb",
      "select c.title,ci.summary as title,l.title as location,ci.description,ci.url,"
      "ci.start_date,ci.end_date,ci.start_tz,ci.all_day,ci.status,ci.entity_type,"
      "ci.completion_date,ci.due_date,ci.due_tz from CalendarItem ci left join Location l  on "
      "ci.location_id = l.ROWID left join Calendar c on c.ROWID = ci.calendar_id"}},
    {},
    {{"MediaDomain", "Media/Recordings/Recordings.db",
      "select ZDATE,ZDURATION,ZPATH from ZRECORDING"}},
    {{"CameraRollDomain", "Media/PhotoData/Photos.sqlite",
      "select ZDIRECTORY || '/' || ZFILENAME,ZFILENAME from ZGENERICASSET where ZFILENAME is not "
      "null and ZDIRECTORY is not null"}},
    {},
};

inline int Empty(void*, int, char**, char**) {
    return 0;
}

// The floor of one kind (the best of five runs of each of its queries): uriOf turns a database
// file's path into the URI that opens it read-only and immutable, readPlist parses a property-list
// file and returns the new list.
template <class UriOf, class ReadPlist>
double FloorOf(const std::string& folder, std::uint32_t kind, UriOf uriOf, ReadPlist readPlist) {
    double total = 0;
    for (const Query& q : kFloorQueries[kind]) {
        const std::string uri = uriOf(folder + gen::StoredName(q.domain, q.path));
        total += Best(5, [&] {
            sqlite3* db = nullptr;
            sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
            sqlite3_exec(db, q.sql, Empty, nullptr, nullptr);
            sqlite3_close(db);
        });
    }
    if (kind == 5) {  // Safari
        const std::string history =
            folder + gen::StoredName("HomeDomain", "Library/Safari/History.plist");
        total += Best(5, [&] { plist_free(readPlist(history.c_str())); });
    }
    return total;
}

}  // namespace bench
