#include "kind/calendar/calendar.h"

#include <cstring>

#include "ib/ib_util.h"
#include "kind/kind_util.h"
#include "kind/sqlite_db.h"

namespace {

const char kFile[] = "src/kind/calendar/calendar";
const char kDevicePath[] = "Library/Calendar/Calendar.sqlitedb";
const char kItemSql[] =
    "select c.title,ci.summary as title,l.title as location,ci.description,ci.url,"
    "ci.start_date,ci.end_date,ci.start_tz,ci.all_day,ci.status from CalendarItem ci left join "
    "Location l  on ci.location_id = l.ROWID left join Calendar c on c.ROWID = ci.calendar_id";

const char* const kSpecialCalendars[] = {"Birthdays", "Facebook Birthdays",
                                         "DEFAULT_TASK_CALENDAR_NAME", "Reminders"};

// A set flag: a value that is there, not empty and not "0".
bool IsSet(const char* value) {
    return value != nullptr && *value != 0 && std::strcmp(value, "0") != 0;
}

struct ItemRows {
    std::vector<CalendarItem*>* items;

    // A missing date stays empty: the time of reading would pass for the item's own date.
    static std::string Date(const char* value) {
        if (value == nullptr) return std::string();
        return KindUtil::AppleTime(KindUtil::Number(value));
    }
};

}  // namespace

Calendar::~Calendar() {
    for (CalendarItem*& item : items_) TrackedDelete(kFile, __LINE__, item);
}

bool Calendar::IsSpecialCalendar(const char* title) {
    if (title == nullptr || *title == 0) return false;
    for (const char* special : kSpecialCalendars) {
        if (std::strcmp(title, special) == 0) return true;
    }
    return false;
}

plist_t Calendar::GetData(Mbdb* mbdb, int typeFilter) {
    if (items_.empty()) {
        mbdb_ = mbdb;
        const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
        if (!path.empty()) Load(path);
    }
    return ToPlist(typeFilter);
}

void Calendar::Load(const std::string& path) {
    SqliteDb db(path);
    ItemRows rows{&items_};
    db.Exec(kItemSql, &Calendar::OnItemRow, &rows);
}

int Calendar::OnItemRow(void* context, int columns, char** values, char** /*names*/) {
    auto* rows = static_cast<ItemRows*>(context);
    auto* items = rows->items;
    auto* item = new CalendarItem;
    item->type = IsSpecialCalendar(KindUtil::Column(columns, values, 0)) ? 0 : 1;
    item->title = KindUtil::Text(KindUtil::Column(columns, values, 1));
    item->location = KindUtil::Text(KindUtil::Column(columns, values, 2));
    item->description = KindUtil::Text(KindUtil::Column(columns, values, 3));
    item->url = KindUtil::Text(KindUtil::Column(columns, values, 4));
    item->start_date = ItemRows::Date(KindUtil::Column(columns, values, 5));
    item->end_date = ItemRows::Date(KindUtil::Column(columns, values, 6));
    item->area = KindUtil::Text(KindUtil::Column(columns, values, 7));
    item->all_day = IsSet(KindUtil::Column(columns, values, 8)) ? "YES" : "NO";
    item->status = IsSet(KindUtil::Column(columns, values, 9)) ? "Completed" : "Uncompleted";
    items->push_back(item);
    return 0;
}

plist_t Calendar::ToPlist(int typeFilter) const {
    if (items_.empty()) return nullptr;
    plist_t array = plist_new_array();
    for (const CalendarItem* item : items_) {
        CheckedPtr(item);
        if (item->type != typeFilter) continue;
        plist_t dict = plist_new_dict();
        DictInsertString(dict, "title", item->title.c_str());
        plist_dict_set_item(dict, "type", plist_new_uint(static_cast<std::uint32_t>(item->type)));
        DictInsertString(dict, "location", item->location.c_str());
        DictInsertString(dict, "description", item->description.c_str());
        DictInsertString(dict, "url", item->url.c_str());
        DictInsertString(dict, "start_date", item->start_date.c_str());
        DictInsertString(dict, "end_date", item->end_date.c_str());
        DictInsertString(dict, "area", item->area.c_str());
        DictInsertString(dict, "all_day", item->all_day.c_str());
        DictInsertString(dict, "status", item->status.c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}
