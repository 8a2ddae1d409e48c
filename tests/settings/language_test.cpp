// The saved language (language.txt) and the installing of a locale with the program's catalogs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "common/app_info.h"
#include "domain/language_file.h"
#include "domain/language_locale.h"
#include "support/test_support.h"
#include "wx_environment.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::SnapshotTree;
using testing_support::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The staged application root of the build, where the catalogs are.
std::string StagedRoot() {
    const char* root = std::getenv("BV_ROOT");
    return root != nullptr ? root : BV_ROOT_DIR;
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(LanguageFileTest, FirstRunCreatesTheFileWithEnglish) {
    TempDir dir;
    const std::string path = dir / "language.txt";
    EXPECT_EQ(LanguageFile::Read(wxString::FromUTF8(path)), 58);
    EXPECT_EQ(ReadAll(path), "58");
}

TEST(LanguageFileTest, ReadsTheLeadingNumberOfTheFirstEightBytes) {
    struct Case {
        std::string content;
        int expected;
    } cases[] = {
        {"110\n", 110},
        {"123456789", 12345678},
        {"46", 46},
        {"  89", 89},
        {"\t-7x", -7},
        {"+112", 112},
        {"", 0},
        {"abc", 0},
        {"12ab34", 12},
        {"       1", 1},
        {"        2", 0},  // ninth byte unread
        {std::string("8\0"
                     "9",
                     3),
         8},
        {"\xEF\xBB\xBF"
         "80",
         0},
        {"99999999999999", 99999999},
    };
    TempDir dir;
    const std::string path = dir / "language.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        WriteAll(path, c.content);
        EXPECT_EQ(LanguageFile::Read(wxString::FromUTF8(path)), c.expected);
        // A file that holds no usable number is left as it is.
        EXPECT_EQ(ReadAll(path), c.content);
    }
}

TEST(LanguageFileTest, WriteStoresOnlyTheDigits) {
    TempDir dir;
    const std::string path = dir / "language.txt";
    WriteAll(path, "1234567890 old content");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    // A second name of the old file: a write in place would change what it reads.
    ASSERT_EQ(::link(path.c_str(), (dir / "before").c_str()), 0);
    LanguageFile::Write(46, wxString::FromUTF8(path));
    EXPECT_EQ(ReadAll(path), "46");
    // The new content came in whole, by a rename: the old file is untouched, no temporary file
    // is left beside it, and the permissions stay.
    EXPECT_EQ(ReadAll(dir / "before"), "1234567890 old content");
    EXPECT_EQ(SnapshotTree(dir.Path()).size(), 2u);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    LanguageFile::Write(-3, wxString::FromUTF8(path));
    EXPECT_EQ(ReadAll(path), "-3");
    EXPECT_EQ(LanguageFile::Read(wxString::FromUTF8(path)), -3);
}

TEST(LanguageFileTest, UnwritableFileKeepsNothingAndDoesNotCrash) {
    TempDir dir;
    const std::string path = dir / "missing-folder/language.txt";
    RecordingLog log;  // the failed open is logged, not shown
    LanguageFile::Write(80, wxString::FromUTF8(path));
    EXPECT_FALSE(wxFileExists(wxString::FromUTF8(path)));
    EXPECT_FALSE(log.Messages().empty());
}

TEST(LanguageFileTest, DefaultPathIsInThePerUserFolder) {
    TempDir home;
    ScopedEnv homeEnv("HOME", home.Path().c_str());
    ScopedEnv configEnv("XDG_CONFIG_HOME", (home / ".config").c_str());
    const wxString path = AppInfo::GetLanguageFilePath();
    ASSERT_TRUE(path.StartsWith(wxString::FromUTF8(home.Path())))
        << path.ToStdString() << " not under " << home.Path();
    EXPECT_TRUE(path.EndsWith("/Tavrenmoss files/Tavrenmoss Quellstone/language.txt"));
    EXPECT_EQ(LanguageFile::Read(), 58);
    EXPECT_EQ(ReadAll(path.ToStdString()), "58");
    LanguageFile::Write(112);
    EXPECT_EQ(LanguageFile::Read(), 112);
}

TEST(LanguageLocaleTest, MenuNumbersMapToToolkitLanguages) {
    struct Case {
        int number;
        wxLanguage language;
    } cases[] = {
        {46, wxLANGUAGE_CHINESE_SIMPLIFIED},
        {47, wxLANGUAGE_CHINESE_TRADITIONAL},
        {58, wxLANGUAGE_ENGLISH},
        {80, wxLANGUAGE_FRENCH},
        {89, wxLANGUAGE_GERMAN},
        {110, wxLANGUAGE_ITALIAN},
        {112, wxLANGUAGE_JAPANESE},
        {0, wxLANGUAGE_DEFAULT},
        {-1, wxLANGUAGE_DEFAULT},
        {12345678, wxLANGUAGE_DEFAULT},
        {wxLANGUAGE_GERMAN, wxLANGUAGE_DEFAULT},  // the toolkit's own numbers are not ours
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(LanguageLocale::ToWxLanguage(c.number), c.language);
    }
    size_t count = 0;
    const LanguageLocale::Entry* entries = LanguageLocale::Languages(&count);
    ASSERT_EQ(count, 7u);
    const int menuOrder[] = {46, 47, 89, 58, 80, 110, 112};
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(entries[i].number, menuOrder[i]);
}

// Every catalog is found where the program looks for it and translates the program's texts;
// installing never logs (GTK would show the message in a box) and never changes how numbers
// are written.
TEST(LanguageLocaleTest, InstallsEachCatalogQuietlyWithCNumbers) {
    const wxString catalogs = wxString::FromUTF8(StagedRoot()) + "/Language";
    ASSERT_TRUE(wxFileExists(catalogs + "/de/language.mo"))
        << "no catalogs under " << catalogs.ToStdString() << ": build the target \"catalogs\"";
    struct Case {
        int number;
        const char* recover;
        const char* page;
    } cases[] = {
        {46, "恢复", "/通话记录.html"},
        {47, "復原", "/通話記錄.html"},
        {89, "Wiederherstellen", "/Anrufliste.html"},
        {80, "Récupérer", "/Historique des appels.html"},
        {110, "Recupera", "/Cronologia chiamate.html"},
        {112, "復元", "/通話履歴.html"},
        {58, "Recover", "/Call History.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        RecordingLog log;
        wxLocale* locale = LanguageLocale::Install(c.number, catalogs);
        EXPECT_EQ(wxGetTranslation("Recover"), wxString::FromUTF8(c.recover));
        EXPECT_EQ(wxGetTranslation("/Call History.html"), wxString::FromUTF8(c.page));
        EXPECT_EQ(wxGetTranslation("not a catalog text"), "not a catalog text");
        char number[32];
        std::snprintf(number, sizeof number, "%.1f", 1.5);
        EXPECT_STREQ(number, "1.5");
        EXPECT_EQ(wxString::Format("%.2f", 2.25), "2.25");
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        delete locale;
        EXPECT_TRUE(log.Messages().empty()) << log.Messages().front().ToStdString();
    }
}

// 0 and unknown numbers follow the system's language; for an English (or C) system there is no
// catalog and the literals show.
TEST(LanguageLocaleTest, SystemLanguageWithoutCatalogShowsTheLiterals) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", "C");
    for (int number : {0, 999}) {
        SCOPED_TRACE(number);
        RecordingLog log;
        wxLocale* locale =
            LanguageLocale::Install(number, wxString::FromUTF8(StagedRoot()) + "/Language");
        EXPECT_EQ(wxGetTranslation("Recover"), "Recover");
        delete locale;
        EXPECT_TRUE(log.Messages().empty());
    }
}

}  // namespace
