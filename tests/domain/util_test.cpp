// Paths, product identity, the per-user folder, and the string and file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "common/app_info.h"
#include "common/app_util.h"
#include "common/file_util.h"
#include "common/string_util.h"
#include "domain_test_env.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"
#include "support/toolkit_start.h"
#include "util/wz_tool.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;

TEST(Paths, DirNameTakesTheTextBeforeTheLastSlash) {
    struct Row {
        const char* path;
        const char* dir;
    } rows[] = {
        {"/opt/bv/bin/backupview", "/opt/bv/bin"},
        {"/opt/bv/bin", "/opt/bv"},
        {"/backupview", ""},
        {"backupview", ""},
        {"", ""},
        {"/opt/bv/bin/", "/opt/bv/bin"},
        {"C:/Program Files/Tavrenmoss/bin/app.exe", "C:/Program Files/Tavrenmoss/bin"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(AppUtil::DirName(wxString::FromUTF8(r.path)), wxString::FromUTF8(r.dir))
            << r.path;
}

TEST(Paths, RootIsTheParentOfTheProgramsFolder) {
    char buffer[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", buffer, sizeof buffer - 1), 0);
    const wxFileName exe(wxString::FromUTF8(buffer));
    EXPECT_EQ(AppUtil::GetExeDir(), exe.GetPath());
    EXPECT_EQ(AppUtil::GetAppRoot(), AppUtil::DirName(exe.GetPath()));
    // The test program lives in <build>/tests: its root is the build folder.
    EXPECT_TRUE(AppUtil::GetExeDir().EndsWith(wxS("/tests")));
    EXPECT_EQ(AppInfo::GetOptionFilePath(), AppUtil::GetAppRoot() + wxS("/option.cfg"));
}

TEST(Identity, NameBrandVersion) {
    EXPECT_EQ(AppInfo::GetBrand(), wxS("Tavrenmoss"));
    EXPECT_EQ(AppInfo::GetProductName(), wxS("Tavrenmoss Quellstone"));
    EXPECT_EQ(AppInfo::GetProductNameRaw(), AppInfo::GetProductName());
    EXPECT_EQ(AppInfo::GetProductName().Find('+'), wxNOT_FOUND);
    EXPECT_EQ(AppInfo::GetVersion(), wxS("2.1.5"));
}

// The documents folder comes from the XDG user directories, else the home folder.
class UserFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        gen::MakeDirs(home_ / "config");
        gen::MakeDirs(home_ / "My Documents");
        gen::WriteFile(home_ / "config/user-dirs.dirs",
                       "XDG_DOCUMENTS_DIR=\"$HOME/My Documents\"\n");
    }
    TempDir home_;
    ScopedEnv homeEnv_{"HOME", home_.Path().c_str()};
    ScopedEnv configEnv_{"XDG_CONFIG_HOME", (home_ / "config").c_str()};
};

TEST_F(UserFolder, CreatedOnceUnderTheDocumentsFolder) {
    const wxString docs = wxString::FromUTF8(home_ / "My Documents");
    ASSERT_EQ(AppInfo::GetDocumentsDir(), docs);
    const wxString expected = docs + wxS("/Tavrenmoss files/Tavrenmoss Quellstone");
    EXPECT_FALSE(wxDir::Exists(expected));
    EXPECT_EQ(AppInfo::GetUserDataDir(), expected);
    EXPECT_TRUE(wxDir::Exists(expected));
    EXPECT_EQ(AppInfo::GetUserDataDir(), expected);  // again: same text, nothing new
    EXPECT_EQ(AppInfo::GetLanguageFilePath(), expected + wxS("/language.txt"));
    EXPECT_EQ(AppInfo::GetUserDir(), docs + wxS("/Tavrenmoss/Tavrenmoss Quellstone"));
    EXPECT_EQ(expected.Find('\\'), wxNOT_FOUND);
}

TEST(FormatSize, StepsOf1024WithOneDecimal) {
    struct Row {
        std::uint64_t bytes;
        const char* text;
    } rows[] = {
        {0, "0.0 B"},
        {1, "1.0 B"},
        {1023, "1023.0 B"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {1024 * 1024 - 1, "1024.0 KB"},
        {1024 * 1024, "1.0 MB"},
        {5 * 1024 * 1024 + 512 * 1024, "5.5 MB"},
        {1024ull * 1024 * 1024, "1.0 GB"},
        {3ull * 1024 * 1024 * 1024 * 1024, "3072.0 GB"},
        {UINT64_MAX, "17179869184.0 GB"},
    };
    for (const Row& r : rows) EXPECT_EQ(FileUtil::FormatSize(r.bytes), wxString(r.text)) << r.bytes;
}

TEST(FormatSize, DecimalPointDoesNotFollowTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    // Locales whose decimal separator is a comma (scripts/setup.sh generates them).
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8"}) {
        SCOPED_TRACE(name);
        if (std::setlocale(LC_NUMERIC, name) == nullptr) {
            if (testing_support::InCi()) {
                ADD_FAILURE() << "the locale is not generated (scripts/setup.sh makes it)";
                continue;
            }
            GTEST_SKIP() << "the locale is not generated (scripts/setup.sh makes it)";
        }
        char plain[16];
        std::snprintf(plain, sizeof plain, "%.1f", 1.5);
        EXPECT_STREQ(plain, "1,5") << "the locale does not write a decimal comma";
        EXPECT_EQ(FileUtil::FormatSize(1536), wxS("1.5 KB"));
        EXPECT_EQ(FileUtil::FormatSize(5 * 1024 * 1024 + 512 * 1024), wxS("5.5 MB"));
        std::setlocale(LC_NUMERIC, saved.c_str());
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(StringUtil, FromUtf8) {
    EXPECT_TRUE(StringUtil::FromUtf8(nullptr).empty());
    EXPECT_TRUE(StringUtil::FromUtf8("").empty());
    EXPECT_EQ(StringUtil::FromUtf8("iPhone"), wxS("iPhone"));
    EXPECT_EQ(StringUtil::FromUtf8("J\xC3\xBCrgens iPhone \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC"),
              wxString(L"J\u00FCrgens iPhone \u2014 \u65E5\u672C"));
    EXPECT_EQ(StringUtil::FromUtf8("a\x80"
                                   "b"),
              wxString(L"a\uFFFDb"));
    EXPECT_EQ(StringUtil::FromUtf8("ab\0cd", 5).length(), 5u);
    // A long text, then a short one: nothing of the first shows in the second.
    EXPECT_EQ(StringUtil::FromUtf8(std::string(70000, 'x').c_str()), wxString(70000, 'x'));
    EXPECT_EQ(StringUtil::FromUtf8("\xC3\xBCy"), wxString(L"\u00FCy"));
}

// The one UTF-8 conversion, both ways: the program's (StringUtil) and the utility library's
// (WZUnicode2Utf8) agree, broken input is replaced piece by piece as browsers do, and a NUL is
// carried in neither direction (U+FFFD, so nothing after it is lost).
TEST(StringUtil, Utf8ConversionOfBrokenInputNulAndEveryLength) {
    struct Decoded {
        std::string bytes;
        const wchar_t* text;
    } decoded[] = {
        {std::string("ab\0cd", 5), L"ab\uFFFDcd"},  // NUL
        {std::string("\0", 1), L"\uFFFD"},
        // Long runs of ASCII, taken eight bytes at a time, up to a NUL or a longer character.
        {std::string("0123456789\0abcdefgh\xC3\xA9xyz01234567", 32),
         L"0123456789\uFFFDabcdefgh\u00E9xyz01234567"},
        {"\x80\xBF", L"\uFFFD\uFFFD"},                      // stray continuation bytes
        {"\xC0\x80", L"\uFFFD\uFFFD"},                      // overlong NUL
        {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},            // overlong slash
        {"\xF0\x80\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong, four bytes
        {"\xED\xA0\x80\xED\xBF\xBF", L"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // surrogates
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},                      // above U+10FFFF
        {"\xF5\xFF", L"\uFFFD\uFFFD"},
        {"\xE6\x97", L"\uFFFD"},                        // cut off at the end
        {"\xF0\x9F\x98x", L"\uFFFDx"},                  // broken off in the middle
        {"\x7F\xC2\x80\xDF\xBF", L"\x7F\u0080\u07FF"},  // edges of one and two bytes
        {"\xE0\xA0\x80\xEF\xBF\xBF", L"\u0800\uFFFF"},  // three bytes
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", L"\U00010000\U0010FFFF"},  // four bytes
    };
    for (const Decoded& d : decoded) {
        SCOPED_TRACE(testing::PrintToString(d.bytes));
        EXPECT_EQ(StringUtil::FromUtf8(d.bytes.data(), d.bytes.size()), wxString(d.text));
    }

    struct Encoded {
        std::wstring text;
        std::string bytes;
    } encoded[] = {
        // Long runs of ASCII, taken four characters at a time, up to a NUL or a wider character.
        {std::wstring(L"abcdefg\0hijk\u00E9lmnopqrs", 21),
         "abcdefg\xEF\xBF\xBDhijk\xC3\xA9lmnopqrs"},
        {std::wstring(L"ab\0cd", 5),
         "ab\xEF\xBF\xBD"
         "cd"},  // NUL
        {std::wstring(1, wchar_t(0xD800)) + L"B",
         "\xEF\xBF\xBD"
         "B"},  // lone surrogate
        {L"A" + std::wstring(1, wchar_t(0xDC00)), "A\xEF\xBF\xBD"},
        {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "\xF0\x9F\x98\x80"},  // a UTF-16 pair
        {std::wstring(1, wchar_t(0x110000)), "\xEF\xBF\xBD"},                  // above U+10FFFF
        {L"Zo\u00EB \u07FF \u738B \uFFFF \U0001F600 \U0010FFFF",
         "Zo\xC3\xAB \xDF\xBF \xE7\x8E\x8B \xEF\xBF\xBF \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"},
    };
    for (const Encoded& e : encoded) {
        SCOPED_TRACE(testing::PrintToString(e.bytes));
        const wxString text(e.text.data(), e.text.size());
        EXPECT_EQ(StringUtil::ToUtf8(text), e.bytes);
        std::string appended = "x";
        StringUtil::AppendUtf8(appended, text);
        EXPECT_EQ(appended, "x" + e.bytes);
        // The utility library's form takes a zero-terminated text: it ends at a NUL.
        const std::wstring upToNul(e.text.c_str());
        char* library = WZUnicode2Utf8(upToNul.c_str());
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(std::string(library), StringUtil::ToUtf8(wxString(upToNul)));
        std::free(library);
    }
    // Valid text of every length comes back as it went.
    const wxString every(L"Zo\u00EB \u07FF \u738B \uFFFF \U0001F600 \U0010FFFF");
    const std::string bytes = StringUtil::ToUtf8(every);
    EXPECT_EQ(StringUtil::FromUtf8(bytes.data(), bytes.size()), every);
    EXPECT_EQ(WZUnicode2Utf8(nullptr), nullptr);
}

// The year of the build date ("Mmm dd yyyy"): four digits, no later than today and not before
// this code was written, the year that this file's own build date gives.
TEST(StringUtil, BuildYearIsFourDigits) {
    const std::string year = StringUtil::GetBuildYear();
    ASSERT_EQ(year.size(), 4u) << year;
    for (char c : year) EXPECT_TRUE(c >= '0' && c <= '9') << year;
    const int value = std::atoi(year.c_str());
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    ASSERT_NE(gmtime_r(&now, &today), nullptr);
    EXPECT_GE(value, 2024);
    EXPECT_LE(value, today.tm_year + 1900 + 1);  // a build just before midnight in another zone
    char month[4] = {};
    int day = 0, built = 0;
    ASSERT_EQ(std::sscanf(__DATE__, "%3s %d %d", month, &day, &built), 3);
    EXPECT_EQ(value, built);
}

TEST(StringUtil, ReplaceAll) {
    EXPECT_EQ(StringUtil::ReplaceAll("a+b+c", "+", " "), "a b c");
    EXPECT_EQ(StringUtil::ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // goes on after the insert
    EXPECT_EQ(StringUtil::ReplaceAll("abc", "", "x"), "abc");       // empty pattern: unchanged
    EXPECT_EQ(StringUtil::ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(StringUtil::ReplaceAll("xyxy", "xy", ""), "");
}

TEST(StringUtil, FindInvalidFileNameChar) {
    struct Row {
        const char* text;
        bool found;
        const char* ch;
    } rows[] = {{"IMG_0001.JPG", false, ""}, {"a/b", true, "/"}, {"a\\b", true, "\\"},
                {"what?*", true, "?"},       {"x:y", true, ":"}, {"\"q\"", true, "\""},
                {"<a>", true, "<"},          {"a|b", true, "|"}, {"", false, ""}};
    for (const Row& r : rows) {
        wxString out = wxS("pre");
        EXPECT_EQ(StringUtil::FindInvalidFileNameChar(wxString::FromUTF8(r.text), out), r.found)
            << r.text;
        EXPECT_EQ(out, wxS("pre") + wxString::FromUTF8(r.ch)) << r.text;
    }
}

TEST(FileUtil, DirectoriesAndFiles) {
    TempDir dir;
    const wxString base = wxString::FromUTF8(dir.Path());
    EXPECT_TRUE(FileUtil::MakeDir(base + wxS("/one"), 0777));
    EXPECT_FALSE(FileUtil::MakeDir(base + wxS("/one"), 0777));  // exists: unchanged
    EXPECT_FALSE(FileUtil::MakeDir(base + wxS("/a/b"), 0777));  // one level only
    EXPECT_TRUE(FileUtil::Exists(base + wxS("/one")));
    EXPECT_FALSE(FileUtil::FileExists(base + wxS("/one")));

    gen::WriteFile(dir / "one/x.JPG", "12345");
    gen::WriteFile(dir / "one/y.jpg", "1");
    gen::WriteFile(dir / "one/z.png", "1");
    gen::WriteFile(dir / "one/noext", "1");
    EXPECT_EQ(FileUtil::GetFileSize(base + wxS("/one/x.JPG")), 5);
    EXPECT_EQ(FileUtil::GetFileSize(base + wxS("/one/none")), -1);
    wxArrayString found;
    FileUtil::ListFilesByExtension(base + wxS("/one"), found, wxS("*.jpg"));
    found.Sort();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], base + wxS("/one/x.JPG"));
    EXPECT_EQ(found[1], base + wxS("/one/y.jpg"));
    wxArrayString none;
    FileUtil::ListFilesByExtension(base + wxS("/missing"), none, wxS("jpg"));
    EXPECT_TRUE(none.empty());

    EXPECT_TRUE(FileUtil::RemoveDir(base + wxS("/one"), wxPATH_RMDIR_RECURSIVE));
    EXPECT_FALSE(FileUtil::Exists(base + wxS("/one")));
}

TEST_F(UserFolder, DailyLogAppendsEntries) {
    const wxString path = FileUtil::GetLogFilePath();
    EXPECT_TRUE(path.StartsWith(AppInfo::GetUserDataDir() + wxS("/Log/")));
    EXPECT_TRUE(path.EndsWith(wxS(".log")));
    EXPECT_EQ(path.AfterLast('/').length(), 12u);  // yyyymmdd.log
    FileUtil::WriteLog(wxS("scan started"));
    FileUtil::WriteLog(wxEmptyString);
    const std::string text = gen::ReadFile(path.ToStdString());
    EXPECT_EQ(text.substr(0, 2), "# ");
    EXPECT_NE(text.find(" scan started# "), std::string::npos);
    EXPECT_NE(text.find("# " + std::string(45, '.') + "\n"), std::string::npos);
}

}  // namespace
