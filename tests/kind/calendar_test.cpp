// Calendar and reminders: one read serving two kinds, the special calendars, flags and dates.
#include "kind/calendar/calendar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "kind_fixture.h"
#include "support/test_support.h"

using namespace ib;

namespace {

using gen::Sql;
using kindtest::KindBackup;

const char kCalendarPath[] = "Library/Calendar/Calendar.sqlitedb";

gen::CalendarItemRow Item(Sql summary, Sql calendar, Sql start, Sql end, Sql allDay, Sql status) {
    gen::CalendarItemRow i;
    i.summary = summary;
    i.calendar_id = calendar;
    i.start_date = start;
    i.end_date = end;
    i.all_day = allDay;
    i.status = status;
    return i;
}

std::string Row(const std::string& title, int type, const std::string& location,
                const std::string& description, const std::string& url, const std::string& start,
                const std::string& end, const std::string& area, const char* allDay,
                const char* status) {
    return R"({"title":")" + title + R"(","type":)" + std::to_string(type) + R"(,"location":")" +
           location + R"(","description":")" + description + R"(","url":")" + url +
           R"(","start_date":")" + start + R"(","end_date":")" + end + R"(","area":")" + area +
           R"(","all_day":")" + allDay + R"(","status":")" + status + R"("})";
}

TEST(CalendarTest, EventsAndRemindersFromOneRead) {
    gen::CalendarData cal;
    cal.calendars = {{1, "Home"},
                     {2, "Birthdays"},
                     {3, "reminders"},
                     {4, "DEFAULT_TASK_CALENDAR_NAME"},
                     {5, "Facebook Birthdays"},
                     {6, "Reminders"},
                     {7, Sql()}};
    cal.locations = {{1, "Café ☕"}};
    cal.items.push_back(Item("Dinner", 1, 0, 3600.5, 0, 0));
    cal.items.back().location_id = 1;
    cal.items.back().description = "Bring \"wine\"";
    cal.items.back().url = "http://example.com/?a=1&b=2";
    cal.items.back().start_tz = "Europe/Berlin";
    cal.items.push_back(Item("Ann’s Birthday", 2, 400000000, 400086400, 1, Sql()));
    cal.items.push_back(Item("lower", 3, 400000000, 400000000, 0, 0));
    cal.items.push_back(Item("Task", 4, Sql(), Sql(), 0, 1));
    cal.items.push_back(Item("No calendar", 99, 400000000, 400003600, Sql(), Sql()));
    cal.items.back().location_id = 42;
    cal.items.push_back(Item("Pay rent", 6, 400000000, 400000000, "", 3));
    cal.items.push_back(Item(Sql(), 7, 400000000, 400000000, "0", "2"));
    cal.items.back().start_tz = Sql();
    cal.items.push_back(Item("FB", 5, 400000000, 400000000, 0, 0));
    KindBackup b;
    const std::string db = b.Builder().AddFile("HomeDomain", kCalendarPath, gen::CalendarDb(cal));
    const std::string t = "2013-09-04 15:06:40";
    const std::string calendar =
        "[" +
        Row("Dinner", 1, "Café ☕", "Bring \\\"wine\\\"", "http://example.com/?a=1&b=2",
            "2001-01-01 00:00:00", "2001-01-01 01:00:00", "Europe/Berlin", "NO", "Uncompleted") +
        "," + Row("lower", 1, "", "", "", t, t, "America/Los_Angeles", "NO", "Uncompleted") + "," +
        Row("No calendar", 1, "", "", "", t, "2013-09-04 16:06:40", "America/Los_Angeles", "NO",
            "Uncompleted") +
        "," + Row("", 1, "", "", "", t, t, "", "NO", "Completed") + "]";
    EXPECT_EQ(b.Dump(KIND_CALENDAR), calendar);
    // One read serves both kinds.
    ASSERT_EQ(std::remove(db.c_str()), 0);
    const std::string reminders = b.Dump(KIND_REMINDERS);
    const std::string birthday = Row("Ann’s Birthday", 0, "", "", "", t, "2013-09-05 15:06:40",
                                     "America/Los_Angeles", "YES", "Uncompleted");
    ASSERT_EQ(reminders.find("[" + birthday + R"(,{"title":"Task","type":0,)"), 0u) << reminders;
    // An item without dates shows no date, never the time it was read.
    EXPECT_NE(reminders.find(R"("start_date":"","end_date":"")"), std::string::npos) << reminders;
    EXPECT_NE(
        reminders.find(
            R"("all_day":"NO","status":"Completed"},)" +
            Row("Pay rent", 0, "", "", "", t, t, "America/Los_Angeles", "NO", "Completed") + "," +
            Row("FB", 0, "", "", "", t, t, "America/Los_Angeles", "NO", "Uncompleted") + "]"),
        std::string::npos)
        << reminders;
}

TEST(CalendarTest, RemindersByKindTickedOffDueAndFloatingDates) {
    gen::CalendarData cal;
    cal.calendars = {{1, "Home"}, {2, "Groceries"}, {3, "Reminders"}};
    auto task = [](Sql summary, Sql calendar, Sql start) {
        gen::CalendarItemRow i = Item(summary, calendar, start, Sql(), 0, 0);
        i.entity_type = 3;
        return i;
    };
    // A list of the user's own: its items are reminders by their kind.
    cal.items.push_back(task("Milk", 2, Sql()));
    cal.items.back().due_date = 400000000;
    cal.items.push_back(task("Eggs", 2, 400000000));
    cal.items.back().completion_date = 400000500;
    // An all-day event: midnight of 5 September as if in UTC, the same day everywhere.
    cal.items.push_back(Item("Holiday", 1, 400032000, 400118399, 1, 0));
    cal.items.back().start_tz = "_float";
    // Due on a day: floating too.
    cal.items.push_back(task("Pay rent", 3, Sql()));
    cal.items.back().due_date = 400032000;
    cal.items.back().start_tz = "_float";
    cal.items.push_back(Item("Meeting", 1, 400000000, 400003600, 0, 0));
    cal.items.push_back(task("Call mum", 1, 400000000));
    cal.items.push_back(task("Unticked", 2, 400000000));
    struct Zone {
        const char* tz;
        const char* start;  // 400000000 in the zone
        const char* end;    // 400003600 in the zone
    } zones[] = {{"UTC", "2013-09-04 15:06:40", "2013-09-04 16:06:40"},
                 {"America/New_York", "2013-09-04 11:06:40", "2013-09-04 12:06:40"}};
    for (const Zone& z : zones) {
        SCOPED_TRACE(z.tz);
        KindBackup b;
        testing_support::ScopedEnv tz("TZ", z.tz);
        tzset();
        b.Builder().AddFile("HomeDomain", kCalendarPath, gen::CalendarDb(cal));
        const std::string la = "America/Los_Angeles";
        EXPECT_EQ(b.Dump(KIND_CALENDAR),
                  "[" +
                      Row("Holiday", 1, "", "", "", "2013-09-05 00:00:00", "2013-09-05 23:59:59",
                          "_float", "YES", "Uncompleted") +
                      "," + Row("Meeting", 1, "", "", "", z.start, z.end, la, "NO", "Uncompleted") +
                      "]");
        EXPECT_EQ(b.Dump(KIND_REMINDERS),
                  "[" + Row("Milk", 0, "", "", "", z.start, "", la, "NO", "Uncompleted") + "," +
                      Row("Eggs", 0, "", "", "", z.start, "", la, "NO", "Completed") + "," +
                      Row("Pay rent", 0, "", "", "", "2013-09-05 00:00:00", "", "_float", "NO",
                          "Uncompleted") +
                      "," + Row("Call mum", 0, "", "", "", z.start, "", la, "NO", "Uncompleted") +
                      "," + Row("Unticked", 0, "", "", "", z.start, "", la, "NO", "Uncompleted") +
                      "]");
    }
    tzset();
}

TEST(CalendarTest, OnlyRemindersGiveAnEmptyCalendarAndNoRowsNull) {
    gen::CalendarData cal;
    cal.calendars = {{1, "Birthdays"}};
    cal.items.push_back(Item("B", 1, 0, 0, 1, 0));
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kCalendarPath, gen::CalendarDb(cal));
    EXPECT_EQ(b.Dump(KIND_CALENDAR), "[]");
    EXPECT_EQ(b.Count(KIND_REMINDERS), 1);
    KindBackup empty;
    empty.Builder().AddFile("HomeDomain", kCalendarPath, gen::CalendarDb({}));
    EXPECT_EQ(empty.Dump(KIND_CALENDAR), "null");
    EXPECT_EQ(empty.Dump(KIND_REMINDERS), "null");
}

TEST(CalendarTest, SpecialCalendars) {
    struct Case {
        const char* title;
        bool special;
    } cases[] = {{"Birthdays", true},
                 {"Facebook Birthdays", true},
                 {"DEFAULT_TASK_CALENDAR_NAME", true},
                 {"Reminders", true},
                 {"reminders", false},
                 {"Birthdays ", false},
                 {"", false},
                 {nullptr, false},
                 {"Work", false}};
    for (const Case& c : cases)
        EXPECT_EQ(Calendar::IsSpecialCalendar(c.title), c.special) << (c.title ? c.title : "null");
}

}  // namespace
