// The page writer: the two markers, templates that lack them or cannot be read, folders that
// cannot be written, and the shipped template.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/app_util.h"
#include "common/string_util.h"
#include "domain/domain_export.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

struct PageCase {
    const char* name;
    std::string templ;
    std::string page;  // expected; empty: no page is written
};

TEST(ExportPage, MarkersAreReplacedOnce) {
    const std::string json = R"([["Name"],["\u003c/title>"]])";
    const PageCase cases[] = {
        {"title before data", "<title></title>\n<script>var data = [];</script>\n",
         "<title>Notes</title>\n<script>var data = " + json + ";</script>\n"},
        {"title after data", "<script>var data = [];</script><title></title>",
         "<script>var data = " + json + ";</script><title>Notes</title>"},
        {"only the first of each", "var data = [];<title></title>var data = [];<title></title>",
         "var data = " + json + ";<title>Notes</title>var data = [];<title></title>"},
        {"no title marker: data still written", "<title>x</title>var data = [];",
         "<title>x</title>var data = " + json + ";"},
        {"no data marker: no page", "<title></title><script>var data=[];</script>", ""},
        {"empty template: no page", "", ""},
        {"marker split by a line break: no page", "var data =\n[];<title></title>", ""},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        gen::WriteFile(dir / "template.html", c.templ);
        const std::string page = dir / "Notes.html";
        DomainExport::WriteHtml((dir / "template.html").c_str(), page.c_str(), json.c_str(),
                                "Notes");
        if (c.page.empty()) {
            EXPECT_FALSE(Exists(page));
        } else {
            ASSERT_TRUE(Exists(page));
            EXPECT_EQ(gen::ReadFile(page), c.page);
        }
    }
}

TEST(ExportPage, TextsOfTheTemplateAreFilledInAsHtmlText) {
    TempDir dir;
    gen::WriteFile(dir / "template.html",
                   "<input placeholder=\"{{Search}}\">{{Next}}{{unknown}}{{open<title></title>"
                   "<script>var data = [];</script>");
    const PageTexts texts = {{"Search", "Se \"a\" <b>&"}, {"Next", "Weiter"}};
    const std::string json = R"([["{{Search}}"]])";
    ASSERT_TRUE(DomainExport::WriteHtml((dir / "template.html").c_str(), (dir / "p.html").c_str(),
                                        json.c_str(), "{{Next}}", &texts));
    // Only the template's own text is filled in, never the data or the title.
    EXPECT_EQ(gen::ReadFile(dir / "p.html"),
              "<input placeholder=\"Se &quot;a&quot; &lt;b&gt;&amp;\">Weiterunknown{{open"
              "<title>{{Next}}</title><script>var data = " +
                  json + ";</script>");
}

TEST(ExportPage, CellWithTitleMarkerDoesNotCatchTheTitle) {
    // The data stands before the title; a cell holding the title marker must not take the title,
    // which it could only do if "<" reached the page unescaped.
    TempDir dir;
    gen::WriteFile(dir / "template.html", "<script>var data = [];</script><title></title>");
    ExportTable table;
    DomainExport::AddRow(table, 1, "Title");
    DomainExport::AddRow(table, 1, "<title></title>");
    const std::string json = DomainExport::RowsToJson(table);
    DomainExport::WriteHtml((dir / "template.html").c_str(), (dir / "p.html").c_str(), json.c_str(),
                            "Notes");
    EXPECT_EQ(gen::ReadFile(dir / "p.html"),
              R"(<script>var data = [["Title"],["\u003ctitle>\u003c/title>"]];</script>)"
              "<title>Notes</title>");
}

TEST(ExportPage, LargeTemplateAndDataAreWrittenWhole) {
    TempDir dir;
    std::string templ(100000, ' ');
    templ += "<title></title>var data = [];";
    templ += std::string(70000, '\n');
    gen::WriteFile(dir / "t.html", templ);
    const std::string json = "[[\"" + std::string(5 * 1024 * 1024, 'x') + "\"]]";
    DomainExport::WriteHtml((dir / "t.html").c_str(), (dir / "p.html").c_str(), json.c_str(),
                            "Safari");
    const std::string page = gen::ReadFile(dir / "p.html");
    EXPECT_EQ(page.size(), templ.size() - 15 - 14 + 21 + json.size() + 12);
    EXPECT_EQ(page.substr(100000, 22), "<title>Safari</title>v");
}

TEST(ExportPage, UnreadableTemplateWritesNothing) {
    TempDir dir;
    const std::string page = dir / "Calendar.html";
    // Missing template.
    DomainExport::WriteHtml((dir / "missing.html").c_str(), page.c_str(), "[]", "Calendar");
    EXPECT_FALSE(Exists(page));
    // A folder where the template should be.
    gen::MakeDirs(dir / "folder.html");
    DomainExport::WriteHtml((dir / "folder.html").c_str(), page.c_str(), "[]", "Calendar");
    EXPECT_FALSE(Exists(page));
    // An existing page from an earlier export stays as it was.
    gen::WriteFile(page, "earlier");
    DomainExport::WriteHtml((dir / "missing.html").c_str(), page.c_str(), "[]", "Calendar");
    EXPECT_EQ(gen::ReadFile(page), "earlier");
}

TEST(ExportPage, UnwritableFolderWritesNothingAndDoesNotCrash) {
    TempDir dir;
    gen::WriteFile(dir / "template.html", "<title></title>var data = [];");
    // A folder that does not exist, and a page path that names a folder.
    DomainExport::WriteHtml((dir / "template.html").c_str(), (dir / "nope/Notes.html").c_str(),
                            "[]", "Notes");
    EXPECT_FALSE(Exists(dir / "nope"));
    gen::MakeDirs(dir / "Notes.html");
    DomainExport::WriteHtml((dir / "template.html").c_str(), (dir / "Notes.html").c_str(), "[]",
                            "Notes");
    struct stat st;
    ASSERT_EQ(stat((dir / "Notes.html").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // A folder without write permission (root ignores permissions, so only check without it).
    if (geteuid() != 0) {
        gen::MakeDirs(dir / "ro");
        chmod((dir / "ro").c_str(), 0555);
        DomainExport::WriteHtml((dir / "template.html").c_str(), (dir / "ro/Notes.html").c_str(),
                                "[]", "Notes");
        EXPECT_FALSE(Exists(dir / "ro/Notes.html"));
        chmod((dir / "ro").c_str(), 0755);
    }
}

TEST(ExportPage, PageNeverReplacesAFile) {
    TempDir dir;
    gen::WriteFile(dir / "template.html", "<title></title>var data = [];");
    // A page of an earlier recovery, and a link to a device, under the page's name.
    gen::WriteFile(dir / "Notes.html", "earlier");
    ASSERT_EQ(symlink("/dev/full", (dir / "Safari.html").c_str()), 0);
    ExportError error;
    EXPECT_FALSE(DomainExport::WriteHtml((dir / "template.html").c_str(),
                                         (dir / "Notes.html").c_str(), "[]", "Notes", nullptr,
                                         &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_FALSE(DomainExport::WriteHtml((dir / "template.html").c_str(),
                                         (dir / "Safari.html").c_str(), "[]", "Safari"));
    EXPECT_EQ(gen::ReadFile(dir / "Notes.html"), "earlier");
    char target[64] = {};
    ASSERT_GT(readlink((dir / "Safari.html").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/dev/full");
}

TEST(ExportPage, ShippedTemplateHoldsEachMarkerOnceAndNoExternalResource) {
    // The template the export reads: the one staged in the application root.
    std::string path;
    StringUtil::AppendUtf8(path, AppUtil::GetAppRoot() + "/template.html");
    ASSERT_TRUE(Exists(path)) << path;
    const std::string text = gen::ReadFile(path);
    auto count = [&](const std::string& needle) {
        std::size_t n = 0;
        for (std::size_t p = text.find(needle); p != std::string::npos;
             p = text.find(needle, p + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("var data = [];"), 1u);
    EXPECT_EQ(count("<title></title>"), 1u);
    EXPECT_LT(text.find("<title></title>"), text.find("var data = [];"));
    EXPECT_EQ(count("<meta charset=\"utf-8\">"), 1u);
    for (const char* external : {"http:", "https:", "//cdn", "src=", "@import", "url("}) {
        EXPECT_EQ(count(external), 0u) << external;
    }
    // Each of the page's own texts is one that the recovery translates.
    PageTexts texts;
    DomainExport::TranslatePageTexts(texts);
    std::size_t placeholders = 0;
    for (std::size_t p = text.find("{{"); p != std::string::npos; p = text.find("{{", p + 2)) {
        const std::string key = text.substr(p + 2, text.find("}}", p) - p - 2);
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const auto& t) {
            return t.first == key;
        })) << key;
        ++placeholders;
    }
    EXPECT_GE(placeholders, texts.size());
    // Cells go in as text, never as markup.
    EXPECT_EQ(count("innerHTML"), 0u);
    EXPECT_EQ(count("insertAdjacentHTML"), 0u);
    EXPECT_EQ(count("document.write"), 0u);
}

}  // namespace
