#include "kind/calendar/calendar.h"

#include <cstring>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "kind/table_columns.h"

namespace ib {

namespace key = ib::keys::calendar;

namespace {

const char kFile[] = "src/kind/calendar/calendar";
const char kDevicePath[] = "Library/Calendar/Calendar.sqlitedb";
const char kItemColumns[] =
    "CalendarItem: summary location_id description url start_date end_date start_tz all_day "
    "status calendar_id entity_type completion_date due_date due_tz; Location: ROWID title; "
    "Calendar: ROWID title";
// The item's columns, then those of reminders where the database has them (iOS 6 and later):
// the kind of item (3 a reminder), when it was ticked off, when it is due and in which zone.
struct ItemQuery {
    static std::string Sql(SqliteDb& db) {
        static const char kSelect[] =
            "select c.title,ci.summary as title,l.title as location,ci.description,ci.url,"
            "ci.start_date,ci.end_date,ci.start_tz,ci.all_day,ci.status";
        static const char kFrom[] =
            " from CalendarItem ci left join Location l  on ci.location_id = l.ROWID left join "
            "Calendar c on c.ROWID = ci.calendar_id";
        const TableColumns item(db, "CalendarItem");
        return std::string(kSelect) + "," + item.Or("ci", "entity_type") + "," +
               item.Or("ci", "completion_date") + "," + item.Or("ci", "due_date") + "," +
               item.Or("ci", "due_tz") + kFrom;
    }
    enum Column {
        kCalendarTitle,
        kTitle,
        kLocation,
        kDescription,
        kUrl,
        kStartDate,
        kEndDate,
        kStartZone,
        kAllDay,
        kStatus,
        kEntityType,
        kCompletionDate,
        kDueDate,
        kDueZone,
        kCount
    };
    static constexpr const char* kNames[] = {
        "title",       "title",           "location", "description", "url",
        "start_date",  "end_date",        "start_tz", "all_day",     "status",
        "entity_type", "completion_date", "due_date", "due_tz"};
};
constexpr std::int64_t kReminderEntity = 3;
// A floating time zone: the time is the same wall-clock time wherever the phone is (all-day
// items, reminders due on a day).
const char kFloating[] = "_float";

const char* const kSpecialCalendars[] = {"Birthdays", "Facebook Birthdays",
                                         "DEFAULT_TASK_CALENDAR_NAME", "Reminders"};

// A set flag: a value that is there, not empty and not "0".
bool IsSet(const char* value) {
    return value != nullptr && *value != 0 && std::strcmp(value, "0") != 0;
}

struct ItemRows {
    std::vector<CalendarItem*>* items;

    // A missing date stays empty: the time of reading would pass for the item's own date. A
    // floating date shows its wall-clock time.
    static std::string Date(const char* value, const char* zone) {
        std::int64_t seconds = 0;
        if (value == nullptr || !KindUtil::DateSeconds(value, &seconds)) return std::string();
        if (zone != nullptr && std::strcmp(zone, kFloating) == 0)
            return KindUtil::AppleWallClock(seconds);
        return KindUtil::AppleTime(seconds);
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
    SqliteDb db(path, {kItemColumns});
    ItemRows rows{&items_};
    const std::string sql = ItemQuery::Sql(db);
    db.ExecRows(sql.c_str(), &Calendar::OnItemRow, &rows);
}

std::vector<ReaderQuery> Calendar::Queries() {
    return {ReaderQuery::Built<ItemQuery>("ItemQuery", kDevicePath, kItemColumns)};
}

int Calendar::OnItemRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<ItemRows*>(context);
    auto* items = rows->items;
    auto* item = new CalendarItem;
    // A reminder by its kind, whatever the user named its list; the special calendars' items too.
    const char* entity = row.Text(ItemQuery::kEntityType);
    const bool reminder = entity != nullptr && KindUtil::Number(entity) == kReminderEntity;
    item->type = reminder || IsSpecialCalendar(row.Text(ItemQuery::kCalendarTitle)) ? 0 : 1;
    item->title = KindUtil::Text(row.Text(ItemQuery::kTitle));
    item->location = KindUtil::Text(row.Text(ItemQuery::kLocation));
    item->description = KindUtil::Text(row.Text(ItemQuery::kDescription));
    item->url = KindUtil::Text(row.Text(ItemQuery::kUrl));
    const char* zone = row.Text(ItemQuery::kStartZone);
    const char* start = row.Text(ItemQuery::kStartDate);
    item->start_date = ItemRows::Date(start, zone);
    item->end_date = ItemRows::Date(row.Text(ItemQuery::kEndDate), zone);
    const char* due = row.Text(ItemQuery::kDueDate);
    if (start == nullptr && due != nullptr && item->type == 0) {
        // A reminder without a start date is shown on its due date, in the zone it is due in.
        const char* dueZone = row.Text(ItemQuery::kDueZone);
        item->start_date = ItemRows::Date(due, dueZone != nullptr ? dueZone : zone);
    }
    item->area = KindUtil::Text(zone);
    item->all_day = IsSet(row.Text(ItemQuery::kAllDay)) ? "YES" : "NO";
    const bool ticked = item->type == 0 && row.Text(ItemQuery::kCompletionDate) != nullptr;
    item->status = ticked || IsSet(row.Text(ItemQuery::kStatus)) ? "Completed" : "Uncompleted";
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
        DictInsertString(dict, key::kTitle, item->title.c_str());
        plist_dict_set_item(dict, key::kType,
                            plist_new_uint(static_cast<std::uint32_t>(item->type)));
        DictInsertString(dict, key::kLocation, item->location.c_str());
        DictInsertString(dict, key::kDescription, item->description.c_str());
        DictInsertString(dict, key::kUrl, item->url.c_str());
        DictInsertString(dict, key::kStartDate, item->start_date.c_str());
        DictInsertString(dict, key::kEndDate, item->end_date.c_str());
        DictInsertString(dict, key::kArea, item->area.c_str());
        DictInsertString(dict, key::kAllDay, item->all_day.c_str());
        DictInsertString(dict, key::kStatus, item->status.c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}

}  // namespace ib
