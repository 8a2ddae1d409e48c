#include "ib/ib_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "support/test_support.h"

using namespace ib;

namespace {

// Owns a malloc'd text.
std::string Take(char* text) {
    if (text == nullptr) return "(null)";
    std::string s(text);
    std::free(text);
    return s;
}

class TimeZone {
  public:
    explicit TimeZone(const char* tz) : env_("TZ", tz) { tzset(); }
    ~TimeZone() { tzset(); }

  private:
    testing_support::ScopedEnv env_;
};

TEST(IbUtilTest, Durations) {
    EXPECT_EQ(Take(FormatDuration(0)), "00:00:00");
    EXPECT_EQ(Take(FormatDuration(3725)), "01:02:05");
    EXPECT_EQ(Take(FormatDuration(59)), "00:00:59");
    EXPECT_EQ(Take(FormatDuration(100 * 3600 + 61)), "100:01:01");
    EXPECT_EQ(Take(FormatDuration(4294967295u)), "1193046:28:15");
}

TEST(IbUtilTest, UnixAndAppleTimesInLocalTime) {
    TimeZone utc("UTC");
    EXPECT_EQ(Take(FormatUnixTime(0)), "1970-01-01 00:00:00");
    EXPECT_EQ(Take(FormatUnixTime(1367658187)), "2013-05-04 09:03:07");
    // Past the 32-bit range the 64-bit conversion still gives the real date.
    EXPECT_EQ(Take(FormatUnixTime(4102444800LL)), "2100-01-01 00:00:00");
    // Times no calendar text can hold give the empty text, never garbage.
    EXPECT_EQ(Take(FormatUnixTime(INT64_MAX)), "");
    EXPECT_EQ(Take(FormatUnixTime(INT64_MIN)), "");
    EXPECT_EQ(Take(FormatUnixTime(400000000000000LL)), "");

    EXPECT_EQ(Take(FormatAppleTime(0)), "2001-01-01 00:00:00");
    EXPECT_EQ(Take(FormatAppleTime(400000000)), "2013-09-04 15:06:40");
    EXPECT_EQ(Take(FormatAppleTime(-978307200)), "1970-01-01 00:00:00");
    EXPECT_EQ(Take(FormatAppleTime(INT64_MAX)), "");
}

// The device counts from 2001-01-01 00:00:00 UTC; the text is that instant in the local zone,
// the same text as the count from 1970 gives, in summer and in winter.
TEST(IbUtilTest, AppleTimesCountFromMidnightUtc) {
    struct Row {
        const char* zone;
        std::int64_t seconds;
        const char* text;
    } rows[] = {
        {"America/New_York", 0, "2000-12-31 19:00:00"},
        {"America/New_York", 400000000, "2013-09-04 11:06:40"},
        {"America/New_York", 410000000, "2013-12-29 03:53:20"},
        {"Europe/Berlin", 0, "2001-01-01 01:00:00"},
        {"Europe/Berlin", 400000000, "2013-09-04 17:06:40"},
        {"Europe/Berlin", 410000000, "2013-12-29 09:53:20"},
        {"Asia/Kolkata", 0, "2001-01-01 05:30:00"},
        {"Asia/Kolkata", 400000000, "2013-09-04 20:36:40"},
        {"Australia/Sydney", 0, "2001-01-01 11:00:00"},
        {"Australia/Sydney", 400000000, "2013-09-05 01:06:40"},
        {"Australia/Sydney", 410000000, "2013-12-29 19:53:20"},
        {"Asia/Tokyo", 0, "2001-01-01 09:00:00"},
    };
    for (const Row& r : rows) {
        TimeZone zone(r.zone);
        EXPECT_EQ(Take(FormatAppleTime(r.seconds)), r.text) << r.zone << " " << r.seconds;
        EXPECT_EQ(Take(FormatUnixTime(r.seconds + 978307200)), r.text) << r.zone;
    }
    // The 64-bit range rule of the Unix texts holds here too.
    TimeZone utc("UTC");
    EXPECT_EQ(Take(FormatAppleTime(4102444800LL - 978307200)), "2100-01-01 00:00:00");
    EXPECT_EQ(Take(FormatAppleTime(INT64_MIN)), "");
    EXPECT_EQ(Take(FormatAppleTime(INT64_MAX - 978307200)), "");
}

TEST(IbUtilTest, NowPadsTheDayWithASpace) {
    const std::string now = Take(FormatNow());
    ASSERT_EQ(now.size(), 19u);
    const time_t t = time(nullptr);
    struct tm lt;
    localtime_r(&t, &lt);
    char day[3];
    snprintf(day, sizeof day, "%2d", lt.tm_mday);
    EXPECT_EQ(now.substr(8, 2), day);
    EXPECT_EQ(now[4], '-');
    EXPECT_EQ(now[10], ' ');
}

TEST(IbUtilTest, ColumnTextsToIntegers) {
    struct Row {
        const char* text;
        long long value;
    } rows[] = {{nullptr, 0}, {"", 0},   {"abc", 0},    {"412345678.5", 412345678},
                {"-12", -12}, {" 7", 7}, {"12abc", 12}, {"99999999999", 99999999999LL},
                {"0x10", 0},  {"1e3", 1}};
    for (const Row& r : rows) {
        EXPECT_EQ(ColumnToInt(r.text), r.value) << (r.text ? r.text : "(null)");
    }
}

TEST(IbUtilTest, SplitJoin) {
    struct Row {
        const char* text;
        const char* delimiters;
        const char* separator;
        const char* expected;
    } rows[] = {
        {"  Ann   Lee ", " ", " ", "Ann Lee"},
        {"Ann  Lee", " ", " ", "Ann Lee"},
        {"   ", " ", " ", nullptr},
        {"", " ", " ", nullptr},
        {"555-123-4567", "-", nullptr, "5551234567"},
        {"---", "-", nullptr, nullptr},
        {"a-b_c", "-_", "+", "a+b+c"},
        {nullptr, " ", " ", nullptr},
    };
    for (const Row& r : rows) {
        char* got = SplitJoin(r.text, r.delimiters, r.separator);
        if (r.expected == nullptr) {
            EXPECT_EQ(got, nullptr) << (r.text ? r.text : "(null)");
        } else {
            ASSERT_NE(got, nullptr) << r.text;
            EXPECT_STREQ(got, r.expected);
        }
        std::free(got);
    }
}

TEST(IbUtilTest, TextPredicatesAndPaths) {
    EXPECT_TRUE(IsDigitsOr("", '-'));
    EXPECT_TRUE(IsDigitsOr("555-1234", '-'));
    EXPECT_FALSE(IsDigitsOr("+1 555", ' '));
    EXPECT_TRUE(IsDigitsOr("1 555 0100", ' '));
    EXPECT_FALSE(IsDigitsOr(nullptr, '-'));

    const char* path = "Library/SMS/Attachments/a.b/photo";
    EXPECT_STREQ(GetExtension(path), ".b/photo");
    EXPECT_STREQ(GetExtension("IMG_0001.JPG"), ".JPG");
    EXPECT_EQ(GetExtension("noext"), nullptr);
    EXPECT_EQ(GetExtension(nullptr), nullptr);
    EXPECT_STREQ(GetLastPathComponent("Media/Recordings/walk.m4a"), "walk.m4a");
    EXPECT_STREQ(GetLastPathComponent("walk.m4a"), "walk.m4a");

    EXPECT_EQ(Take(JoinPath("a/b", "c")), "a/b/c");
    EXPECT_EQ(Take(JoinPath("a/", "c")), "a/c");
    EXPECT_EQ(Take(JoinPath("ab", "c")), "abc");
    EXPECT_EQ(Take(ReplaceAll("aXbXc", "X", "XX")), "aXXbXXc");
    EXPECT_EQ(Take(ReplaceChar("a/b/c", '_', '/')), "a_b_c");
    EXPECT_EQ(ReplaceChar(nullptr, '_', '/'), nullptr);
    EXPECT_TRUE(Contains("hello", "ll"));
    EXPECT_FALSE(Contains(nullptr, "ll"));
    EXPECT_EQ(MakeString(nullptr), "");
    EXPECT_EQ(MakeString(""), "");
    EXPECT_EQ(HexValue('f'), 15);
    EXPECT_EQ(HexValue('G'), 0);
    EXPECT_EQ(HexDigitLower(0xAB), 'b');
}

TEST(IbUtilTest, HexDumpGroups) {
    unsigned char zeros[40] = {0};
    const int widths[] = {2, 4, 4, 4, 4, 4, 4, 4, 8, 1, 1};
    const std::string hex = HexDump(zeros, 40, widths, 11);
    EXPECT_EQ(hex,
              "0000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 "
              "0000000000000000 00 00");
    EXPECT_EQ(hex.size(), 90u);
    const unsigned char bytes[] = {0x0f, 0xa0, 0xff};
    EXPECT_EQ(HexDump(bytes, 3, nullptr, 0), "0FA0FF");
}

TEST(IbUtilTest, DictInsertStringNeverLeavesTheKeyOut) {
    plist_t dict = plist_new_dict();
    DictInsertString(dict, "name", nullptr);
    DictInsertString(dict, "title", "x");
    DictInsertStringOrNone(dict, "other", "");
    char* value = nullptr;
    plist_get_string_val(plist_dict_get_item(dict, "name"), &value);
    EXPECT_STREQ(value, "");
    std::free(value);
    plist_get_string_val(plist_dict_get_item(dict, "other"), &value);
    EXPECT_STREQ(value, "(None)");
    std::free(value);
    EXPECT_EQ(plist_dict_get_size(dict), 3u);
    plist_free(dict);
}

}  // namespace
