#include "kind/safari/history.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "ib/plist_guard.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "mbdb/mbdb.h"

namespace ib {

namespace key = ib::keys::safari;

namespace {

const char kHistoryPath[] = "Library/Safari/History.plist";
const char kBookmarksPath[] = "Library/Safari/Bookmarks.db";
const char kBookmarkColumns[] = "bookmarks: title url";
struct BookmarkQuery {
    static constexpr char kSql[] = "select title,url from bookmarks";
    enum Column { kTitle, kUrl, kCount };
    static constexpr const char* kNames[] = {"title", "url"};
};
// The history file's own names: its list of visits and the keys of one visit.
const char kHistoryDates[] = "WebHistoryDates";
const char kVisitTitle[] = "title";
const char kVisitDate[] = "lastVisitedDate";
const char kVisitCount[] = "visitCount";
const char kHistoryType[] = "history";
const char kBookmarkType[] = "bookmark";

// The seconds of a "lastVisitedDate" value: the device writes a string of seconds with a
// fraction; other shapes are read where they carry a number. False when the value has none;
// *shown is cleared for a date that cannot be shown.
bool VisitSeconds(plist_t node, std::int64_t* seconds, bool* shown) {
    switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            char* text = PlistStringValue(node);
            *shown = KindUtil::DateSeconds(text != nullptr ? text : "", seconds);
            std::free(text);
            return true;
        }
        case PLIST_UINT: {
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            *seconds = v > static_cast<uint64_t>(INT64_MAX) ? 0 : static_cast<std::int64_t>(v);
            return true;
        }
        case PLIST_REAL: {
            double v = 0;
            plist_get_real_val(node, &v);
            *seconds = std::isfinite(v) && std::fabs(v) < 9.0e15 ? static_cast<std::int64_t>(v) : 0;
            return true;
        }
        case PLIST_DATE: {
            int32_t sec = 0;
            *shown = PlistDateSeconds(node, &sec);
            *seconds = sec;
            return true;
        }
        default:
            return false;
    }
}

struct BookmarkRows {
    plist_t array;
};

void AddHistoryEntry(plist_t element, plist_t array) {
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(element, &it);
    if (it == nullptr) return;
    plist_t dict = nullptr;
    for (;;) {
        char* name = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(element, it, &name, &value);
        if (value == nullptr) {
            std::free(name);
            break;
        }
        if (dict == nullptr) {
            // The first entry, whatever its key, is the page address; an address that is no
            // text gives no entry.
            std::free(name);
            if (plist_get_node_type(value) != PLIST_STRING) break;
            dict = plist_new_dict();
            char* url = PlistStringValue(value);
            DictInsertString(dict, key::kUrl, url);
            std::free(url);
            plist_dict_set_item(dict, key::kType, plist_new_string(kHistoryType));
            continue;
        }
        const plist_type type = plist_get_node_type(value);
        if (std::strcmp(name, kVisitTitle) == 0) {
            if (type == PLIST_STRING) {
                char* title = PlistStringValue(value);
                DictInsertString(dict, key::kTitle, title);
                std::free(title);
            }
        } else if (std::strcmp(name, kVisitDate) == 0) {
            std::int64_t seconds = 0;
            bool shown = true;
            if (VisitSeconds(value, &seconds, &shown)) {
                DictInsertString(dict, key::kLastVisitedDate,
                                 shown ? KindUtil::AppleTime(seconds).c_str() : "");
            }
        } else if (std::strcmp(name, kVisitCount) == 0) {
            if (type == PLIST_UINT) plist_dict_set_item(dict, key::kVisitCount, plist_copy(value));
        }
        std::free(name);
    }
    std::free(it);
    if (dict != nullptr) plist_array_append_item(array, dict);
}

}  // namespace

plist_t History::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    plist_t array = plist_new_array();
    if (mbdb == nullptr) return array;
    const Mbdb* manifest = CheckedPtr(mbdb);
    // The phone's own history and bookmarks, each read once (the first record of its path in
    // the phone's domain), in the order of their records.
    bool history = false;
    bool bookmarks = false;
    for (const Mbdb::MBFileRecord* rec : *manifest->GetRecords()) {
        CheckedPtr(rec);
        if (!history && rec->path == kHistoryPath && Mbdb::IsPhoneFile(rec)) {
            ReadHistoryPlist(manifest->StoredPath(rec), array);
            history = true;
        } else if (!bookmarks && rec->path == kBookmarksPath && Mbdb::IsPhoneFile(rec)) {
            ReadBookmarks(manifest->StoredPath(rec), array);
            bookmarks = true;
        }
        if (history && bookmarks) break;
    }
    return array;
}

void History::ReadHistoryPlist(const std::string& path, plist_t array) {
    plist_t root = ReadPlistFile(path.c_str());
    if (root == nullptr) return;
    if (plist_get_node_type(root) == PLIST_DICT) {
        plist_t dates = plist_dict_get_item(root, kHistoryDates);
        if (dates != nullptr && plist_get_node_type(dates) == PLIST_ARRAY) {
            // An iterator walks the array once; fetching by index would walk it from the start
            // for every element.
            plist_array_iter it = nullptr;
            plist_array_new_iter(dates, &it);
            for (;;) {
                plist_t element = nullptr;
                plist_array_next_item(dates, it, &element);
                if (element == nullptr) break;
                if (plist_get_node_type(element) == PLIST_DICT) AddHistoryEntry(element, array);
            }
            std::free(it);
        }
    }
    plist_free(root);
}

void History::ReadBookmarks(const std::string& path, plist_t array) {
    SqliteDb db(path, {kBookmarkColumns});
    BookmarkRows rows{array};
    db.ExecRows(BookmarkQuery::kSql, &History::OnBookmarkRow, &rows);
}

std::vector<ReaderQuery> History::Queries() {
    return {ReaderQuery::Fixed<BookmarkQuery>("BookmarkQuery", kBookmarksPath, kBookmarkColumns)};
}

int History::OnBookmarkRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<BookmarkRows*>(context);
    const char* url = row.Text(BookmarkQuery::kUrl);
    if (url == nullptr || *url == 0 || std::strcmp(url, "NULL") == 0) return 0;
    plist_t dict = plist_new_dict();
    DictInsertString(dict, key::kUrl, url);
    DictInsertString(dict, key::kType, kBookmarkType);
    DictInsertString(dict, key::kTitle, row.Text(BookmarkQuery::kTitle));
    // A bookmark has no visit of its own: its date stays empty rather than show the time of
    // reading as if it were one.
    DictInsertString(dict, key::kLastVisitedDate, "");
    plist_dict_set_item(dict, key::kVisitCount, plist_new_uint(1));
    plist_array_append_item(rows->array, dict);
    return 0;
}

}  // namespace ib
