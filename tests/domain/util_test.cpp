// Paths, product identity, the per-user folder, and the string and file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "common/app_info.h"
#include "common/app_util.h"
#include "common/file_util.h"
#include "common/string_util.h"
#include "domain_test_env.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"
#include "support/toolkit_start.h"

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

TEST(StringUtil, BuildYearIsFourDigits) {
    const std::string year = StringUtil::GetBuildYear();
    ASSERT_EQ(year.size(), 4u);
    EXPECT_EQ(year, std::string(__DATE__).substr(7));
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
