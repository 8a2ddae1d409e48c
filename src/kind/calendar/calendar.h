// The calendar database of a backup, serving two kinds: the items of ordinary calendars
// (KIND_CALENDAR, filter 1) and those of the birthday and task calendars (KIND_REMINDERS, 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class CalendarItem : public WzBase {
  public:
    std::string title;
    std::int32_t type = 1;  // 1 an ordinary calendar, 0 a special one
    std::string location;
    std::string description;
    std::string url;
    std::string start_date;
    std::string end_date;
    std::string area;     // the start time zone as stored
    std::string all_day;  // "YES" or "NO"
    std::string status;   // "Completed" (by status, or a reminder ticked off) or "Uncompleted"
};

class Calendar : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    Calendar() = default;
    ~Calendar() override;
    Calendar(const Calendar&) = delete;
    Calendar& operator=(const Calendar&) = delete;

    // The items whose type equals typeFilter, or null when no item row was read. The database is
    // read once; the second kind is answered from what the first read. An item is a reminder
    // (type 0) by its calendar (one of the special ones) or, where the database says, by its
    // kind (entity_type 3) in a list of any name.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    // True for "Birthdays", "Facebook Birthdays", "DEFAULT_TASK_CALENDAR_NAME" and "Reminders"
    // (exact, case-sensitive); false for null or empty.
    static bool IsSpecialCalendar(const char* title);

    const std::vector<CalendarItem*>& Items() const { return items_; }

  private:
    void Load(const std::string& path);
    static int OnItemRow(void* context, const SqliteDb::Row& row);
    plist_t ToPlist(int typeFilter) const;

    std::vector<CalendarItem*> items_;
    Mbdb* mbdb_ = nullptr;
};

}  // namespace ib
