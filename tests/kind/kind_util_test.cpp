// The readers' own date clocks give exactly the texts of the shared date helpers, in zones with
// and without daylight saving time; the name matcher finds exactly what a substring search finds.
#include "kind/kind_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "ib/ib_util.h"
#include "kind/recording/name_matcher.h"
#include "support/test_support.h"

namespace {

std::string Take(char* text) {
    std::string out = text ? text : "";
    free(text);
    return out;
}

TEST(KindUtilTest, ClocksMatchTheSharedDateTexts) {
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
        const KindUtil::AppleClock clock;
        for (std::int64_t v : values) {
            SCOPED_TRACE(std::string(zone) + " " + std::to_string(v));
            EXPECT_EQ(clock.Text(v), Take(FormatAppleTime(v)));
            EXPECT_EQ(KindUtil::UnixTime(v), Take(FormatUnixTime(v)));
        }
        // Every hour over two years, across the changes of daylight saving time.
        for (std::int64_t v = 350000000; v < 350000000 + 2 * 366 * 86400LL; v += 3599) {
            ASSERT_EQ(clock.Text(v), Take(FormatAppleTime(v))) << zone << " " << v;
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
