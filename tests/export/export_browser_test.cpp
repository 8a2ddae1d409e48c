// Exported pages as a reader sees them: a headless Chromium loads each page from disk, runs its
// script, and the test reads the rendered table back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "domain/domain_export.h"
#include "export/export_fixture.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"

namespace {

using export_test::Browser;
using export_test::Grid;
using export_test::Records;
using export_test::RenderedTable;
using export_test::W;
using testing_support::TempDir;

class BrowserTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!Browser::Path().empty()) return;
        // In CI a missing browser is a broken setup, not a reason to pass.
        const char* ci = std::getenv("CI");
        if (ci != nullptr && *ci != '\0') {
            FAIL() << "CI is set and no Chromium is installed (apt-get install chromium)";
        }
        GTEST_SKIP() << "no Chromium installed";
    }

    RenderedTable Render(const std::string& page, const std::string& fragment = "") {
        const std::string dom = Browser::DumpDom(export_test::FileUrl(page) + fragment);
        EXPECT_FALSE(dom.empty()) << "the browser rendered nothing for " << page;
        last_dom_ = dom;
        return export_test::ParseRendered(dom);
    }

    std::string last_dom_;
};

// Plays a reader's clicks and keystrokes: a copy of the page, beside it, with the script player
// run after the page's own; returns the document the browser left (timersMs as DumpDom takes).
std::string Play(const std::string& pagePath, const std::string& player, int timersMs = 0) {
    std::string page = gen::ReadFile(pagePath);
    const std::size_t end = page.rfind("</body>");
    if (end == std::string::npos) return "";
    page.replace(end, 7, "<script>\n(function () {\n" + player + "})();\n</script>\n</body>");
    const std::string played = pagePath + ".played.html";
    gen::WriteFile(played, page);
    return Browser::DumpDom(export_test::FileUrl(played), timersMs);
}

// What the player noted in the document as data-name.
std::string Noted(const std::string& dom, const std::string& name) {
    const std::string key = "data-" + name + "=\"";
    const std::size_t from = dom.find(key);
    if (from == std::string::npos) return "(missing)";
    const std::size_t start = from + key.size();
    return dom.substr(start, dom.find('"', start) - start);
}

struct PageKind {
    std::uint32_t kind;
    const char* file;
    bool grouped;
};

TEST_F(BrowserTest, EveryTableKindRendersItsRowsAsExported) {
    Records records;
    export_test::FillRecords(records, 11, 9);
    const std::vector<int> checked = {8, 0, 1, 3, 4, 6};
    const PageKind kinds[] = {
        {KIND_CALL_HISTORY, "Call History.html", false},
        {KIND_CONTACTS, "Contacts.html", true},
        {KIND_MESSAGES, "Messages.html", true},
        {KIND_NOTES, "Notes.html", false},
        {KIND_SAFARI, "Safari.html", false},
        {KIND_CALENDAR, "Calendar.html", false},
        {KIND_REMINDERS, "Reminders.html", false},
    };
    TempDir out;
    for (const PageKind& k : kinds) {
        SCOPED_TRACE(k.file);
        export_test::RunExport(k.kind, export_test::ItemsOf(records, k.kind), checked, out.Path());
        const std::string page = out / k.file;
        const Grid data = export_test::ReadPageData(page);
        ASSERT_GT(data.size(), 1u);

        const RenderedTable table = Render(page);
        EXPECT_EQ(table.heading, export_test::ReadPageTitle(page));
        EXPECT_EQ(table.header, data[0]);
        ASSERT_EQ(table.rows.size(), data.size() - 1);
        std::size_t parents = 0;
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            const auto& row = table.rows[i];
            // Same cells in the same order, non-ASCII text and line breaks included.
            EXPECT_EQ(row.cells, data[i + 1]) << "row " << i;
            EXPECT_FALSE(row.hidden);
            if (k.grouped) {
                const bool parent = !data[i + 1][0].empty();
                EXPECT_EQ(row.cls, parent ? "parent" : "child") << "row " << i;
                if (parent) ++parents;
            } else {
                ++parents;
            }
        }
        EXPECT_EQ(parents, checked.size());
        EXPECT_EQ(table.count.rfind(std::to_string(checked.size()) + " rows", 0), 0u)
            << table.count;
        if (k.kind == KIND_CALL_HISTORY) {
            // Each call keeps its direction, after its duration, as the grid shows it.
            ASSERT_EQ(table.header.size(), 5u);
            EXPECT_EQ(table.header[3], "Duration");
            EXPECT_EQ(table.header[4], "Type");
            for (std::size_t i = 0; i < checked.size(); ++i) {
                EXPECT_EQ(table.rows[i].cells[4], records.calls[checked[i]]->type.utf8_string());
            }
        }
    }
}

TEST_F(BrowserTest, HostileCellsRenderAsPlainTextAndRunNothing) {
    const char* const hostile[] = {
        "</script><script>document.body.setAttribute('data-pwned','1')</script>",
        "<!--",
        "<img src=x onerror=\"document.body.setAttribute('data-pwned','2')\">",
        "<script>document.title='pwned'</script>",
        "]]></script><!-- <title>",
        "&lt;b&gt; stays &amp; as typed",
        "\xE2\x80\xA8 separators \xE2\x80\xA9",
    };
    // Owned by the records, so that an assertion that ends the test early leaks nothing.
    Records records;
    NoteList& notes = records.notes;
    for (const char* text : hostile) {
        auto* note = new Note();
        notes.push_back(note);
        note->create_date = W("2013-06-04 09:03:07");
        note->title = W(text);
        note->body = W(text);
    }
    TempDir out;
    std::vector<int> all;
    for (std::size_t i = 0; i < notes.size(); ++i) all.push_back(static_cast<int>(i));
    export_test::RunExport(KIND_NOTES, &notes, all, out.Path());
    const RenderedTable table = Render(out / "Notes.html");
    ASSERT_EQ(table.rows.size(), notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        ASSERT_EQ(table.rows[i].cells.size(), 3u);
        EXPECT_EQ(table.rows[i].cells[1], hostile[i]);
        EXPECT_EQ(table.rows[i].cells[2], hostile[i]);
    }
    EXPECT_EQ(table.heading, "Notes");
    // Nothing of the cells ran or became an element.
    EXPECT_EQ(last_dom_.find("data-pwned=\""), std::string::npos);
    EXPECT_EQ(last_dom_.find("<img"), std::string::npos);
    EXPECT_EQ(last_dom_.find("<title>pwned"), std::string::npos);
}

TEST_F(BrowserTest, SearchBoxFiltersRowsAndKeepsGroups) {
    Records records;
    SmsList& chats = records.chats;
    const char* const people[] = {"Ann", "Bo", "Zo\xC3\xAB"};
    const char* const texts[][2] = {
        {"lunch at noon?", "sure"},
        {"call me", "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E says hi"},
        {"running late", "no lunch today"},
    };
    for (int i = 0; i < 3; ++i) {
        auto* chat = new Sms();
        chats.push_back(chat);
        chat->another = W(people[i]);
        chat->phone = W("+1 555 0100");
        for (int m = 0; m < 2; ++m) {
            auto* message = new Message();
            chat->messages.push_back(message);
            message->date = W("2013-06-04 09:03:07");
            message->text = W(texts[i][m]);
            message->type = static_cast<std::uint64_t>(m);
        }
    }
    TempDir out;
    export_test::RunExport(KIND_MESSAGES, &chats, {0, 1, 2}, out.Path());
    const std::string page = out / "Messages.html";

    auto visible = [](const RenderedTable& t) {
        std::vector<std::string> shown;
        for (const auto& row : t.rows) {
            if (!row.hidden) shown.push_back(row.cells[0] + "|" + row.cells[6]);
        }
        return shown;
    };

    // A message text: its conversation row and only the matching messages.
    RenderedTable t = Render(page, "#search=LUNCH");
    EXPECT_EQ(visible(t),
              (std::vector<std::string>{"1|-", "|lunch at noon?", "3|-", "|no lunch today"}));
    EXPECT_EQ(t.count.rfind("Showing 2 of 3 rows", 0), 0u) << t.count;

    // A name: the whole conversation.
    t = Render(page, "#search=zo%C3%AB");
    EXPECT_EQ(visible(t), (std::vector<std::string>{"3|-", "|running late", "|no lunch today"}));

    // Non-ASCII text inside a message.
    t = Render(page, "#search=%E7%8E%8B%E5%B0%8F");
    EXPECT_EQ(visible(t),
              (std::vector<std::string>{"2|-", "|\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E says hi"}));

    // Nothing matches: every row hidden, the empty note shown.
    t = Render(page, "#search=nothing%20like%20this");
    EXPECT_TRUE(visible(t).empty());
    EXPECT_NE(last_dom_.find("<div id=\"empty\">"), std::string::npos);
}

// A reader's clicks and keystrokes, played by a script that the test adds to a copy of the page
// after the page's own script; what each step showed is left in the document for the test.
TEST_F(BrowserTest, ColumnsSortAndTypingFilters) {
    Records records;
    SmsList& chats = records.chats;
    const char* const people[] = {"Zed", "ann", "Bo"};
    const char* const dates[][2] = {
        {"2013-06-04 09:05:11", "2013-06-04 09:03:07"},
        {"2013-06-05 10:00:00", "2013-06-01 08:00:00"},
        {"2012-01-01 00:00:00", "2014-01-01 00:00:00"},
    };
    for (int i = 0; i < 3; ++i) {
        auto* chat = new Sms();
        chats.push_back(chat);
        chat->another = W(people[i]);
        chat->phone = W("+1 555 0100");
        for (int m = 0; m < 2; ++m) {
            auto* message = new Message();
            chat->messages.push_back(message);
            message->date = W(dates[i][m]);
            message->text = W((std::string(people[i]) + " " + std::to_string(m)).c_str());
        }
    }
    TempDir out;
    export_test::RunExport(KIND_MESSAGES, &chats, {0, 1, 2}, out.Path());
    const std::string dom = Play(out / "Messages.html", R"(  function shown() {
    return [].filter.call(document.querySelectorAll("tbody tr"), function (r) {
      return !r.hidden;
    }).map(function (r) { return r.cells[6].textContent === "-" ? r.cells[1].textContent
                                                                   : r.cells[6].textContent; })
      .join(",");
  }
  function note(name) { document.body.setAttribute("data-" + name, shown()); }
  var heads = document.querySelectorAll("thead button");
  heads[1].click(); note("name-up");
  heads[1].click(); note("name-down");
  heads[1].click(); note("name-off");
  heads[4].click(); note("date-up");
  var box = document.getElementById("search");
  box.value = "ann 1";
  box.dispatchEvent(new Event("input"));
  setTimeout(function () { note("typed"); document.body.setAttribute("data-hash", location.hash); }, 500);
)",
                                 3000);
    // Groups sort by the conversation's name, case aside, and keep their messages.
    EXPECT_EQ(Noted(dom, "name-up"), "ann,ann 0,ann 1,Bo,Bo 0,Bo 1,Zed,Zed 0,Zed 1");
    EXPECT_EQ(Noted(dom, "name-down"), "Zed,Zed 0,Zed 1,Bo,Bo 0,Bo 1,ann,ann 0,ann 1");
    EXPECT_EQ(Noted(dom, "name-off"), "Zed,Zed 0,Zed 1,ann,ann 0,ann 1,Bo,Bo 0,Bo 1");
    // A column that only the messages fill sorts the messages inside each conversation.
    EXPECT_EQ(Noted(dom, "date-up"), "Zed,Zed 1,Zed 0,ann,ann 1,ann 0,Bo,Bo 0,Bo 1");
    // Typing filters after a short pause and keeps the search in the address.
    EXPECT_EQ(Noted(dom, "typed"), "ann,ann 1");
    EXPECT_EQ(Noted(dom, "hash"), "#search=ann%201");
}

// A page of many rows shows them a stretch at a time, a cell of a megabyte without a space
// renders, and the page's own texts come in the language the recovery was asked in.
TEST_F(BrowserTest, LargePageShowsAStretchOfRowsInTheUsersLanguage) {
    std::string blob;
    std::mt19937 rng(5);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < (1 << 20); ++i) blob += alphabet[rng() % 64];
    Records records;
    NoteList& notes = records.notes;
    for (int i = 0; i < 1200; ++i) {
        auto* note = new Note();
        notes.push_back(note);
        note->create_date = W("2013-06-04 09:03:07");
        note->title = W(("Note " + std::to_string(i + 1)).c_str());
        note->body = W(i == 0 ? blob.c_str() : "a short note");
    }
    std::vector<int> all;
    for (int i = 0; i < 1200; ++i) all.push_back(i);
    TempDir out;
    RecoverRequest* request;
    {
        export_test::ScopedCatalog german({{"%1 rows", "%1 Zeilen"},
                                           {"Search", "Suchen"},
                                           {"Rows %1 to %2 of %3", "Zeilen %1 bis %2 von %3"},
                                           {"Next", "Weiter"}});
        request = export_test::MakeRequest(KIND_NOTES, &notes, all, out.Path());
    }
    DomainExport::ExportTask(request);
    EXPECT_EQ(gen::ReadFile(out / "Notes.html").find("{{"), std::string::npos);

    const RenderedTable table = Render(out / "Notes.html");
    ASSERT_EQ(table.rows.size(), 500u);
    ASSERT_EQ(table.rows[0].cells.size(), 3u);
    // The megabyte shows its beginning, and the whole of it on request.
    EXPECT_EQ(table.rows[0].cells[2].substr(0, 10000), blob.substr(0, 10000));
    EXPECT_NE(table.rows[0].cells[2].find("<button"), std::string::npos);
    EXPECT_LT(table.rows[0].cells[2].size(), 20000u);
    EXPECT_EQ(table.rows[499].cells[1], "Note 500");
    EXPECT_EQ(table.count, "1200 Zeilen");
    EXPECT_NE(last_dom_.find("placeholder=\"Suchen\""), std::string::npos);
    EXPECT_NE(last_dom_.find(">Zeilen 1 bis 500 von 1200<"), std::string::npos);
    EXPECT_NE(last_dom_.find(">Weiter<"), std::string::npos);

    // The next stretch, and the last one.
    const std::string dom = Play(out / "Notes.html", R"(  function note(name) {
    var rows = document.querySelectorAll("tbody tr");
    document.body.setAttribute("data-" + name, rows.length + "|" + rows[0].cells[1].textContent +
                               "|" + document.getElementById("range").textContent);
  }
  var cell = document.querySelector("tbody tr td button.more").parentNode;
  cell.querySelector("button").click();
  document.body.setAttribute("data-whole", String(cell.textContent.length));
  document.getElementById("next").click(); note("second");
  document.getElementById("next").click(); note("third");
  document.getElementById("next").click(); note("beyond");
)");
    EXPECT_EQ(Noted(dom, "whole"), std::to_string(blob.size()));
    EXPECT_EQ(Noted(dom, "second"), "500|Note 501|Zeilen 501 bis 1000 von 1200");
    EXPECT_EQ(Noted(dom, "third"), "200|Note 1001|Zeilen 1001 bis 1200 von 1200");
    EXPECT_EQ(Noted(dom, "beyond"), "200|Note 1001|Zeilen 1001 bis 1200 von 1200");
}

}  // namespace
