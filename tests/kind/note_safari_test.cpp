// Notes and Safari: whole results, the order of the two Safari files, history files of every
// shape.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/plist_gen.h"
#include "ib/plist_guard.h"
#include "ib/wz_ib.h"
#include "ib/xml_plist_check.h"
#include "kind_fixture.h"
#include "support/test_support.h"

namespace {

using gen::Sql;
using kindtest::KindBackup;

const char kNotesPath[] = "Library/Notes/notes.sqlite";
const char kHistoryPath[] = "Library/Safari/History.plist";
const char kBookmarksPath[] = "Library/Safari/Bookmarks.db";

std::string Serialize(plist_t root, bool binary) {
    char* data = nullptr;
    uint32_t len = 0;
    if (binary) {
        plist_to_bin(root, &data, &len);
    } else {
        plist_to_xml(root, &data, &len);
    }
    std::string out(data ? data : "", len);
    free(data);
    plist_free(root);
    return out;
}

TEST(NoteTest, WholeResultWithTheNotesWhoseBodyIsGone) {
    std::vector<gen::NoteRow> notes(4);
    notes[0] = {0, 400000000, "Groceries", "<div>milk &amp; eggs</div>", true};
    notes[1] = {400000000.75, Sql(), "No body", "lost", false};
    notes[2] = {Sql(), "400000100", Sql(), Sql(), true};
    notes[3] = {"text", Sql::Blob("\x01\x02"), "日記 ✍️", "שלום\nעולם", true};
    // A note whose body row is missing is listed with an empty body. In two time zones.
    struct Zone {
        const char* tz;
        const char* epoch;  // 2001-01-01 00:00:00 UTC
        const char* day;    // 2013-09-04 15:0x:xx UTC, less the minutes and seconds
    } zones[] = {{"UTC", "2001-01-01 00:00:00", "2013-09-04 15:"},
                 {"America/New_York", "2000-12-31 19:00:00", "2013-09-04 11:"}};
    for (const Zone& z : zones) {
        SCOPED_TRACE(z.tz);
        KindBackup b;
        testing_support::ScopedEnv tz("TZ", z.tz);
        tzset();
        b.Builder().AddFile("HomeDomain", kNotesPath, gen::NotesDb(notes));
        const std::string e = z.epoch;
        const std::string d = z.day;
        const std::string expected =
            R"([{"create_date":")" + e + R"(","modify_date":")" + d + "06:40" +
            R"(","title":"Groceries","body":"<div>milk &amp; eggs</div>"},)" +
            R"({"create_date":")" + d + "06:40" + R"(","modify_date":")" + e +
            R"(","title":"No body","body":""},)" + R"({"create_date":")" + e +
            R"(","modify_date":")" + d + "08:20" + R"(","title":"","body":""},)" +
            R"({"create_date":"","modify_date":"","title":"日記 ✍️","body":"שלום\nעולם"}])";
        EXPECT_EQ(b.Dump(KIND_NOTES), expected);
    }
    tzset();
}

TEST(NoteTest, MissingDatabaseIsAnEmptyArray) {
    KindBackup b;
    EXPECT_EQ(b.Dump(KIND_NOTES), "[]");
}

std::vector<gen::WebHistoryItem> TwoPages() {
    std::vector<gen::WebHistoryItem> entries(2);
    entries[0] = {"http://example.com/a?x=1&y=2", "Page <A>", "400000000.5", 3, true};
    entries[1] = {"https://例子.测试/", "", "400000100", 1, false};
    return entries;
}

const char kTwoPages[] =
    R"({"url":"http://example.com/a?x=1&y=2","type":"history","lastVisitedDate":"2013-09-04 15:06:40","title":"Page <A>","visitCount":3},)"
    R"({"url":"https://例子.测试/","type":"history","lastVisitedDate":"2013-09-04 15:08:20","visitCount":1})";

TEST(SafariTest, HistoryKeysFollowTheFileAndBookmarksComeInManifestOrder) {
    std::vector<gen::BookmarkRow> marks = {
        {1, 0, 1, "BookmarksBar", Sql()},
        {2, 1, 0, "Example", "http://example.com/"},
        {3, 1, 0, Sql(), "http://untitled.example/"},
        {4, 1, 0, "Empty", ""},
        {5, 1, 0, "Null text", "NULL"},
    };
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kHistoryPath, gen::WebHistoryPlist(TwoPages(), true));
    b.Builder().AddFile("HomeDomain", kBookmarksPath, gen::BookmarksDb(marks));
    plist_t data = b.Get(KIND_SAFARI);
    ASSERT_EQ(plist_array_get_size(data), 4u);
    const std::string all = kindtest::Render(data);
    plist_free(data);
    EXPECT_EQ(all.substr(0, std::string(kTwoPages).size() + 1), std::string("[") + kTwoPages);
    // A bookmark has no visit date: it stays empty, never the time of reading.
    EXPECT_NE(
        all.find(
            R"({"url":"http://example.com/","type":"bookmark","title":"Example","lastVisitedDate":"","visitCount":1})"),
        std::string::npos)
        << all;
    EXPECT_NE(
        all.find(
            R"({"url":"http://untitled.example/","type":"bookmark","title":"","lastVisitedDate":"","visitCount":1})"),
        std::string::npos);
}

TEST(SafariTest, BookmarksFirstWhenTheirFileStandsFirst) {
    std::vector<gen::BookmarkRow> marks = {{2, 0, 0, "Example", "http://example.com/"}};
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookmarksPath, gen::BookmarksDb(marks));
    b.Builder().AddFile("HomeDomain", kHistoryPath, gen::WebHistoryPlist(TwoPages(), false));
    const std::string all = b.Dump(KIND_SAFARI);
    EXPECT_EQ(all.find(R"([{"url":"http://example.com/","type":"bookmark")"), 0u) << all;
    EXPECT_NE(all.find(kTwoPages), std::string::npos);
}

// Histories as a phone keeps them: WebKit's items with their daily and weekly counts, binary as
// CoreFoundation writes it (every recurring text and number stored once, so one to three bytes
// name a node) and as XML. Every visit is shown, in the file's order, with what it stores.
TEST(SafariTest, WebKitHistoriesAreReadWhole) {
    testing_support::ScopedEnv tz("TZ", "UTC");
    tzset();
    for (std::size_t items : {1000, 20000}) {
        const std::vector<gen::WebHistoryItem> history = gen::BrowsedHistory(items);
        for (bool binary : {true, false}) {
            SCOPED_TRACE(std::to_string(items) + (binary ? " items, binary" : " items, XML"));
            KindBackup b;
            b.Builder().AddFile("HomeDomain", kHistoryPath, gen::WebHistoryPlist(history, binary));
            plist_t data = b.Get(KIND_SAFARI);
            ASSERT_EQ(plist_array_get_size(data), items);
            // By the iterator: libplist 2.2 finds an item of a long array by walking to it.
            std::size_t differ = 0;
            std::size_t i = 0;
            plist_t visit = nullptr;
            plist_array_iter it = nullptr;
            plist_array_new_iter(data, &it);
            for (plist_array_next_item(data, it, &visit); visit != nullptr;
                 plist_array_next_item(data, it, &visit), ++i) {
                char* url = nullptr;
                plist_get_string_val(plist_dict_get_item(visit, "url"), &url);
                plist_t title = plist_dict_get_item(visit, "title");
                char* text = nullptr;
                if (title != nullptr) plist_get_string_val(title, &text);
                uint64_t count = 0;
                plist_get_uint_val(plist_dict_get_item(visit, "visitCount"), &count);
                const gen::WebHistoryItem& e = history[i];
                if (url == nullptr || e.url != url || (title != nullptr) != e.hasTitle ||
                    (text != nullptr && e.title != text) || count != uint64_t(e.visitCount))
                    ++differ;
                free(url);
                free(text);
            }
            free(it);
            EXPECT_EQ(differ, 0u);
            plist_t last = plist_array_get_item(data, static_cast<uint32_t>(items - 1));
            const std::string lastDate =
                items == 1000 ? "2014-08-15 01:50:35" : "2014-06-23 07:10:40";
            EXPECT_EQ(kindtest::Render(last),
                      R"({"url":")" + history[items - 1].url +
                          R"(","type":"history","lastVisitedDate":")" + lastDate +
                          R"(","title":")" + history[items - 1].title + R"(","visitCount":)" +
                          std::to_string(history[items - 1].visitCount) + "}");
            plist_free(data);
        }
    }
    tzset();
    // WebKit's 50,000 items, some 1,250,000 nodes, pass the checks of both forms.
    const std::vector<gen::WebHistoryItem> most = gen::BrowsedHistory(50000);
    const std::string bin = gen::WebHistoryPlist(most, true);
    EXPECT_TRUE(ib::BinaryPlistIsSafe(bin.data(), bin.size()));
    const std::string xml = gen::WebHistoryPlist(most, false);
    EXPECT_TRUE(ib::XmlPlistCheck(xml.data(), xml.size()).Run());
}

TEST(SafariTest, NeitherFileIsAnEmptyArray) {
    KindBackup b;
    b.Builder().AddFiller(300);
    EXPECT_EQ(b.Dump(KIND_SAFARI), "[]");
}

// History files of unexpected shapes: each row is a root built in the test and what the
// history gives (bookmarks absent).
TEST(SafariTest, HistoryFilesOfEveryShape) {
    auto element = [](plist_t first, const char* key2, plist_t second) {
        plist_t d = plist_new_dict();
        plist_dict_set_item(d, "", first);
        if (key2) plist_dict_set_item(d, key2, second);
        return d;
    };
    auto root = [](plist_t dates) {
        plist_t r = plist_new_dict();
        if (dates) plist_dict_set_item(r, "WebHistoryDates", dates);
        return r;
    };
    auto array = [](std::vector<plist_t> items) {
        plist_t a = plist_new_array();
        for (plist_t i : items) plist_array_append_item(a, i);
        return a;
    };
    struct Case {
        std::string what;
        std::string file;
        std::string expected;
    };
    std::vector<Case> cases;
    cases.push_back({"no WebHistoryDates", Serialize(root(nullptr), true), "[]"});
    cases.push_back({"dates not an array", Serialize(root(plist_new_string("x")), true), "[]"});
    cases.push_back({"root an array", Serialize(array({plist_new_string("x")}), true), "[]"});
    cases.push_back({"elements not dictionaries",
                     Serialize(root(array({plist_new_string("x"), plist_new_uint(3)})), true),
                     "[]"});
    cases.push_back({"an empty element", Serialize(root(array({plist_new_dict()})), true), "[]"});
    cases.push_back(
        {"address not a text",
         Serialize(root(array({element(plist_new_uint(5), "title", plist_new_string("t"))})), true),
         "[]"});
    cases.push_back({"first key is not empty",
                     Serialize(root(array({[] {
                                   plist_t d = plist_new_dict();
                                   plist_dict_set_item(d, "url", plist_new_string("http://a/"));
                                   plist_dict_set_item(d, "visitCount", plist_new_uint(2));
                                   return d;
                               }()})),
                               true),
                     R"([{"url":"http://a/","type":"history","visitCount":2}])"});
    cases.push_back(
        {"date as a real",
         Serialize(root(array({element(plist_new_string("http://b/"), "lastVisitedDate",
                                       plist_new_real(400000000.9))})),
                   true),
         R"([{"url":"http://b/","type":"history","lastVisitedDate":"2013-09-04 15:06:40"}])"});
    cases.push_back({"date as a text without digits",
                     Serialize(root(array({element(plist_new_string("http://c/"), "lastVisitedDate",
                                                   plist_new_string("soon"))})),
                               false),
                     R"([{"url":"http://c/","type":"history","lastVisitedDate":""}])"});
    cases.push_back({"date as a dictionary",
                     Serialize(root(array({element(plist_new_string("http://d/"), "lastVisitedDate",
                                                   plist_new_dict())})),
                               true),
                     R"([{"url":"http://d/","type":"history"}])"});
    cases.push_back({"title and count of other types",
                     Serialize(root(array({[] {
                                   plist_t d = plist_new_dict();
                                   plist_dict_set_item(d, "", plist_new_string("http://e/"));
                                   plist_dict_set_item(d, "title", plist_new_uint(1));
                                   plist_dict_set_item(d, "visitCount", plist_new_string("9"));
                                   plist_dict_set_item(d, "other", plist_new_string("x"));
                                   return d;
                               }()})),
                               true),
                     R"([{"url":"http://e/","type":"history"}])"});
    // Dates that libplist hands over as 32-bit seconds since 2001 (1932-12-13 to 2069-01-19):
    // beyond that it would give 1932-12-13 20:45:52, so the text stays empty.
    struct Date {
        const char* xml;
        double seconds;
        const char* shown;
    } dates[] = {{"0001-01-01T00:00:00Z", -63113904000.0, ""},
                 {"1900-01-01T00:00:00Z", -3187296000.0, ""},
                 {"2100-01-01T00:00:00Z", 3124137600.0, ""},
                 {"9999-12-31T23:59:59Z", 252423993599.0, ""},
                 {"2013-09-04T15:06:40Z", 400000000.0, "2013-09-04 15:06:40"}};
    for (const Date& d : dates) {
        gen::BinaryPlist bin;
        const std::size_t page = bin.Dict({{bin.String(""), bin.String("http://f/")},
                                           {bin.String("lastVisitedDate"), bin.Date(d.seconds)}});
        const std::size_t top = bin.Dict({{bin.String("WebHistoryDates"), bin.Array({page})}});
        const std::string xml =
            std::string(
                "<plist version=\"1.0\"><dict><key>WebHistoryDates</key><array><dict>"
                "<key></key><string>http://f/</string><key>lastVisitedDate</key><date>") +
            d.xml + "</date></dict></array></dict></plist>";
        const std::string expected = std::string(R"([{"url":"http://f/","type":"history",)") +
                                     R"("lastVisitedDate":")" + d.shown + R"("}])";
        cases.push_back({std::string("binary date ") + d.xml, bin.Bytes(top), expected});
        cases.push_back({std::string("XML date ") + d.xml, xml, expected});
    }
    cases.push_back({"not a property list", std::string("bplist00garbage\x01\x02", 17), "[]"});
    cases.push_back({"XML garbage", "<plist><dict><key>WebHistoryDates", "[]"});
    cases.push_back({"empty file", "", "[]"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KindBackup b;
        b.Builder().AddFile("HomeDomain", kHistoryPath, c.file);
        EXPECT_EQ(b.Dump(KIND_SAFARI), c.expected);
    }
}

}  // namespace
