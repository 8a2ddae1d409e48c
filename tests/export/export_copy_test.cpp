// Media copies: stored files of a generated backup copied under the records' names, byte for
// byte; names from the backup that try to leave the folder; failed copies that leave nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/app_util.h"
#include "domain/domain_export.h"
#include "domain/export_free_names.h"
#include "domain/language_locale.h"
#include "export/export_fixture.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"

namespace {

using export_test::W;
using testing_support::SnapshotTree;
using testing_support::TempDir;

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

// A backup whose camera roll, attachments and recordings hold the given files.
class MediaBackup {
  public:
    MediaBackup() : builder_(dir_ / "backup/0123456789abcdef0123456789abcdef01234567", 3) {}

    Photo* AddPhoto(const std::string& devicePath, const std::string& name,
                    const std::string& contents, bool stored = true) {
        const std::string path =
            builder_.AddFile("CameraRollDomain", devicePath, contents, true, stored);
        auto* photo = new Photo();
        photo->file_name = W(name.c_str());
        photo->path = path;
        photos.push_back(photo);
        return photo;
    }

    VoiceMemos* AddMemo(const std::string& name, const std::string& contents) {
        const std::string path =
            builder_.AddFile("MediaDomain", "Media/Recordings/" + name + ".m4a", contents);
        auto* memo = new VoiceMemos();
        memo->name = W(name.c_str());
        memo->path = path;
        memos.push_back(memo);
        return memo;
    }

    void Write() { builder_.Write(); }
    std::map<std::string, std::string> Snapshot() { return SnapshotTree(dir_.Path()); }

    ~MediaBackup() {
        for (Photo* p : photos) delete p;
        for (VoiceMemos* m : memos) delete m;
    }

    PhotoList photos;
    VoiceMemosList memos;

  private:
    TempDir dir_;
    gen::BackupBuilder builder_;
};

std::vector<int> All(std::size_t n) {
    std::vector<int> all;
    for (std::size_t i = 0; i < n; ++i) all.push_back(static_cast<int>(i));
    return all;
}

TEST(ExportMedia, PictureKindsCopyTheStoredFilesUnderTheirNames) {
    MediaBackup backup;
    const std::string big = RandomBytes(3 * 1024 * 1024 + 17, 1);  // not a multiple of 255
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG", big);
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0002.MOV", "IMG_0002.MOV", "");
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0003.JPG", "IMG_0003.JPG", "gone", false);
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0004.PNG", "Caf\xC3\xA9 \xE7\x8E\x8B.png",
                    RandomBytes(255, 2));
    backup.Write();
    const auto before = backup.Snapshot();

    std::map<std::string, std::string> first;
    for (std::uint32_t kind : {KIND_CAMERA_ROLL, KIND_PHOTOS, KIND_SMS_ATTACHMENTS}) {
        SCOPED_TRACE(kind);
        TempDir out;
        export_test::RunExport(kind, &backup.photos, All(4), out.Path());
        const auto files = SnapshotTree(out.Path());
        ASSERT_EQ(files.size(), 4u);
        EXPECT_EQ(files.at("IMG_0001.JPG"), big);
        EXPECT_EQ(files.at("Not recovered.txt"), "IMG_0003.JPG\tnot in the backup\n");
        EXPECT_EQ(files.at("IMG_0002.MOV"), "");
        EXPECT_EQ(files.count("IMG_0003.JPG"), 0u);
        EXPECT_EQ(files.at("Caf\xC3\xA9 \xE7\x8E\x8B.png"), RandomBytes(255, 2));
        if (first.empty()) first = files;
        EXPECT_EQ(files, first);
    }
    // The backup is only read.
    EXPECT_EQ(backup.Snapshot(), before);
}

TEST(ExportMedia, VoiceMemosAreCopiedUnderTheirNames) {
    MediaBackup backup;
    backup.AddMemo("20130604 090307", RandomBytes(1000, 3));
    backup.AddMemo("Memo", "m4a");
    backup.Write();
    TempDir out;
    export_test::RunExport(KIND_VOICE_MEMOS, &backup.memos, {1, 0}, out.Path());
    const auto files = SnapshotTree(out.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at("20130604 090307"), RandomBytes(1000, 3));
    EXPECT_EQ(files.at("Memo"), "m4a");
}

TEST(ExportMedia, CopiesNeverReplaceAFile) {
    // A phone past 10,000 pictures has IMG_1000.JPG in DCIM/100APPLE and in DCIM/101APPLE; the
    // folder already holds a picture of the user's under that name and one numbered like a copy.
    MediaBackup backup;
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_1000.JPG", "IMG_1000.JPG", "first");
    backup.AddPhoto("Media/DCIM/101APPLE/IMG_1000.JPG", "IMG_1000.JPG", "second");
    backup.AddPhoto("Media/DCIM/101APPLE/IMG_1001.JPG", "IMG_1001.JPG", "other");
    backup.Write();
    TempDir out;
    gen::WriteFile(out / "IMG_1000.JPG", "the user's own picture");
    gen::WriteFile(out / "IMG_1000 (2).JPG", "another of the user's");

    ExportOutcome outcome =
        export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, {0, 1, 2}, out.Path());
    EXPECT_EQ(outcome.recovered, 3);
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_EQ(outcome.folder, out.Path());
    auto files = SnapshotTree(out.Path());
    EXPECT_EQ(files, (std::map<std::string, std::string>{
                         {"IMG_1000.JPG", "the user's own picture"},
                         {"IMG_1000 (2).JPG", "another of the user's"},
                         {"IMG_1000 (3).JPG", "first"},
                         {"IMG_1000 (4).JPG", "second"},
                         {"IMG_1001.JPG", "other"},
                     }));

    // The same recovery again keeps everything and adds numbered copies.
    outcome = export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, {0, 1, 2}, out.Path());
    EXPECT_EQ(outcome.recovered, 3);
    files = SnapshotTree(out.Path());
    EXPECT_EQ(files.size(), 8u);
    EXPECT_EQ(files.at("IMG_1000.JPG"), "the user's own picture");
    EXPECT_EQ(files.at("IMG_1000 (5).JPG"), "first");
    EXPECT_EQ(files.at("IMG_1000 (6).JPG"), "second");
    EXPECT_EQ(files.at("IMG_1001 (2).JPG"), "other");
}

// A recovery killed in the middle of a copy (the window closed, the process ended) leaves no file
// under the picture's own name: only the whole copy is ever given it. The temporary file says
// what it is, and the next recovery passes it by.
TEST(ExportMedia, ACopyCutShortLeavesNoFileUnderItsName) {
    MediaBackup backup;
    // A camera picture as the phone stores it: the JPEG start, then the image data.
    std::string picture = "\xFF\xD8\xFF\xE1" + RandomBytes(64 * 1024, 7);
    picture.resize(24 * 1024 * 1024, '\x5A');
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_1000.JPG", "IMG_1000.JPG", picture);
    backup.Write();
    TempDir out;
    const std::string partial = out / "IMG_1000.JPG.partial";

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        // Should the kill come late, a file grown past 8 MB ends the process all the same
        // (SIGXFSZ): the copy never completes.
        const rlimit size = {8 * 1024 * 1024, 8 * 1024 * 1024};
        setrlimit(RLIMIT_FSIZE, &size);
        signal(SIGXFSZ, SIG_DFL);
        export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, {0}, out.Path());
        _exit(0);
    }
    // Killed once the copy has grown past 1 MB.
    int status = 0;
    bool ended = false;
    for (;;) {
        struct stat st;
        if (stat(partial.c_str(), &st) == 0 && st.st_size >= 1024 * 1024) {
            kill(child, SIGKILL);
            break;
        }
        if (waitpid(child, &status, WNOHANG) == child) {
            ended = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!ended) {
        ASSERT_EQ(waitpid(child, &status, 0), child);
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was not cut short";

    auto files = SnapshotTree(out.Path());
    EXPECT_EQ(files.count("IMG_1000.JPG"), 0u);
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(files.count("IMG_1000.JPG.partial"), 1u);
    EXPECT_LT(files.at("IMG_1000.JPG.partial").size(), picture.size());

    // The next recovery leaves the piece alone and writes the picture whole under its name.
    const ExportOutcome again =
        export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, {0}, out.Path());
    EXPECT_EQ(again.recovered, 1);
    files = SnapshotTree(out.Path());
    EXPECT_EQ(files.size(), 2u);
    EXPECT_TRUE(files.at("IMG_1000.JPG") == picture);
    EXPECT_EQ(files.count("IMG_1000.JPG.partial"), 1u);
}

// The end of a recovery of copies counts the pictures the user checked, names the one that is
// missing and lists it in a file beside the copies, in the user's language.
TEST(ExportMedia, MessageCountsTheCheckedCopiesAndNamesTheFailed) {
    MediaBackup backup;
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "IMG_000" + std::to_string(i) + ".JPG";
        backup.AddPhoto("Media/DCIM/100APPLE/" + name, name, "picture " + std::to_string(i),
                        i != 5);
    }
    backup.Write();
    struct Language {
        int number;
        const char* message;  // %s: the folder
        const char* list;     // the list's file name
        const char* line;     // its line for the missing picture
    };
    const Language languages[] = {
        {58,
         "8 of 9 pictures were recovered into \"%s\".\n"
         "1 is not in the backup.\n"
         "- IMG_0005.JPG\n"
         "The items not recovered are listed in \"Not recovered.txt\".",
         "Not recovered.txt", "IMG_0005.JPG\tnot in the backup\n"},
        {89,
         "8 von 9 Bildern wurden in \xE2\x80\x9E%s\xE2\x80\x9C wiederhergestellt.\n"
         "1 ist nicht in der Sicherung.\n"
         "- IMG_0005.JPG\n"
         "Die nicht wiederhergestellten Elemente sind in \xE2\x80\x9E"
         "Nicht wiederhergestellt.txt\xE2\x80\x9C aufgef\xC3\xBChrt.",
         "Nicht wiederhergestellt.txt", "IMG_0005.JPG\tnicht in der Sicherung\n"},
    };
    for (const Language& l : languages) {
        SCOPED_TRACE(l.number);
        std::unique_ptr<wxLocale> locale(
            LanguageLocale::Install(l.number, AppUtil::GetAppRoot() + "/Language"));
        TempDir out;
        ExportOutcome outcome =
            export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(9), out.Path());
        EXPECT_EQ(outcome.checked, 9);
        EXPECT_EQ(outcome.recovered, 8);
        ASSERT_EQ(outcome.failures.size(), 1u);
        EXPECT_EQ(outcome.failures[0].name, "IMG_0005.JPG");
        std::string message = l.message;
        message.replace(message.find("%s"), 2, out.Path());
        EXPECT_EQ(outcome.Describe().utf8_string(), message);
        auto files = SnapshotTree(out.Path());
        EXPECT_EQ(files.size(), 9u);
        EXPECT_EQ(files[l.list], l.line);

        // Again into the same folder: the list, like every file of a recovery, replaces nothing.
        outcome = export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(9), out.Path());
        const std::string second = DomainExport::NumberedFileName(l.list, 2);
        EXPECT_EQ(outcome.listFile, second);
        files = SnapshotTree(out.Path());
        EXPECT_EQ(files.size(), 18u);
        EXPECT_EQ(files[l.list], l.line);
        EXPECT_EQ(files[second], l.line);
    }
    // All of them: no list, no failure lines.
    TempDir out;
    delete backup.photos[4];
    backup.photos.erase(backup.photos.begin() + 4);
    const ExportOutcome all =
        export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(8), out.Path());
    EXPECT_EQ(all.Describe().utf8_string(),
              "8 pictures were recovered into \"" + out.Path() + "\".");
    EXPECT_EQ(SnapshotTree(out.Path()).size(), 8u);
}

// The chosen folder's name is the system's bytes, whatever they are: the copies and the page go
// into exactly that folder, never into a sibling whose name was decoded and encoded again.
TEST(ExportMedia, FolderNamesThatAreNotUtf8StayAsTheyAre) {
    MediaBackup backup;
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG", "one");
    backup.Write();
    Note note;
    note.title = W("Shopping");
    NoteList notes = {&note};
    TempDir root;
    for (const std::string name : {"caf\xE9", "\xFF\xFE", "caf\xC3\xA9 \xE9"}) {
        SCOPED_TRACE(name);
        const std::string folder = root / name;
        gen::MakeDirs(folder);
        const ExportOutcome copies =
            export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, {0}, folder);
        EXPECT_EQ(copies.recovered, 1);
        EXPECT_EQ(copies.folder, folder);
        const ExportOutcome page = export_test::RunExport(KIND_NOTES, &notes, {0}, folder);
        EXPECT_EQ(page.recovered, 1);
        EXPECT_EQ(SnapshotTree(folder).size(), 2u);
        EXPECT_EQ(gen::ReadFile(folder + "/IMG_0001.JPG"), "one");
        EXPECT_FALSE(export_test::ReadPageData(folder + "/Notes.html").empty());
        // The message shows what it cannot decode as U+FFFD.
        EXPECT_NE(
            copies.Describe().utf8_string().find(ExportOutcome::DisplayPath(name).utf8_string()),
            std::string::npos);
    }
    // Nothing landed beside them.
    EXPECT_EQ(SnapshotTree(root.Path()).size(), 6u);
    EXPECT_EQ(ExportOutcome::DisplayPath("caf\xE9").utf8_string(), "caf\xEF\xBF\xBD");
    EXPECT_EQ(ExportOutcome::DisplayPath("caf\xC3\xA9").utf8_string(), "caf\xC3\xA9");
}

// A second recovery of many same-named items into a folder that holds many numbered copies
// already: each item is one try, not one per copy that exists.
TEST(FreeNames, ManyTakenNumbersAreTriedOnce) {
    TempDir out;
    // The count of tries shows the fault at any size; the issue met it with 10,000 and 10,009.
    const int kTaken = 2000;
    const int kItems = 2009;
    gen::WriteFile(out / "IMG_1000.JPG", "taken");
    for (int n = 2; n <= kTaken; ++n) {
        gen::WriteFile(out / DomainExport::NumberedFileName("IMG_1000.JPG", n), "taken");
    }
    ExportFolder folder;
    ASSERT_TRUE(folder.Open(out.Path()));
    ExportFreeNames names(folder);
    int fills = 0;
    const ExportFolder::Fill fill = [&fills](FILE*, ExportError*) {
        ++fills;
        return true;
    };
    std::string written;
    for (int i = 0; i < kItems; ++i) {
        ExportError error;
        ASSERT_TRUE(names.Write("IMG_1000.JPG", fill, &written, &error)) << i;
    }
    EXPECT_EQ(written, DomainExport::NumberedFileName("IMG_1000.JPG", kTaken + kItems));
    // Each file written once; the name itself, found taken, then one name per item.
    EXPECT_EQ(fills, kItems);
    EXPECT_EQ(names.NamesTried(), kItems + 1);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, static_cast<std::size_t>(kTaken + kItems));
}

TEST(ExportMedia, NamesFromTheBackupStayInsideTheFolder) {
    const std::string longAscii = std::string(296, 'a') + ".MOV";     // 300 bytes
    const std::string longCjk = "IMG " + std::string(98, 'x') + [] {  // 300 bytes, the
        std::string s;                                                // cut falls inside
        for (int i = 0; i < 66; ++i) s += "\xE7\x8E\x8B";             // a character
        return s;
    }() + ".JPG";
    struct NameCase {
        std::string name;
        std::string copy;  // empty: checked below
    };
    const NameCase cases[] = {
        {"IMG_0001.JPG", "IMG_0001.JPG"},
        {"..", "_.."},
        {".", "_."},
        {"", "_"},
        {"../escape.jpg", ".._escape.jpg"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"/abs.jpg", "_abs.jpg"},
        {"dir/", "dir_"},
        {"a\\b.jpg", "a\\b.jpg"},
        {"...", "..."},
        {".hidden", ".hidden"},
        {longAscii, ""},
        {longCjk, ""},
    };
    TempDir root;
    const std::string out = root / "chosen";
    gen::MakeDirs(out);
    MediaBackup backup;
    int i = 0;
    for (const NameCase& c : cases) {
        backup.AddPhoto("Media/DCIM/100APPLE/IMG_" + std::to_string(1000 + i) + ".JPG", c.name,
                        std::string("content ") + std::to_string(i));
        ++i;
    }
    backup.Write();
    const ExportOutcome outcome =
        export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(backup.photos.size()), out);
    EXPECT_EQ(outcome.recovered, static_cast<int>(backup.photos.size()));
    EXPECT_EQ(outcome.failed, 0) << outcome.reason;

    // Nothing appeared beside the chosen folder, and it is still a folder.
    const auto everything = SnapshotTree(root.Path());
    for (const auto& entry : everything) {
        EXPECT_EQ(entry.first.rfind("chosen/", 0), 0u) << entry.first;
    }
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // Every record has its own file: no two names met.
    const auto files = SnapshotTree(out);
    EXPECT_EQ(files.size(), backup.photos.size());
    std::map<std::string, std::string> byContent;
    for (const auto& f : files) byContent[f.second] = f.first;
    i = 0;
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string content = std::string("content ") + std::to_string(i++);
        ASSERT_EQ(byContent.count(content), 1u);
        const std::string& copy = byContent.at(content);
        if (!c.copy.empty()) {
            EXPECT_EQ(copy, c.copy);
            continue;
        }
        // A long name is cut to what a file system takes, between characters, keeping its
        // extension and its beginning.
        EXPECT_LE(copy.size(), 255u);
        EXPECT_GT(copy.size(), 240u);
        EXPECT_EQ(copy.substr(copy.size() - 4), c.name.substr(c.name.size() - 4));
        EXPECT_EQ(copy.substr(0, copy.size() - 4), c.name.substr(0, copy.size() - 4));
        EXPECT_FALSE(wxString::FromUTF8(copy.c_str()).empty()) << "cut inside a character";
    }
}

TEST(ExportMedia, SafeAndNumberedNames) {
    for (const char* name : {"IMG_0001.JPG", "Caf\xC3\xA9.png", "a b (1).m4a", "...", "x..y"}) {
        EXPECT_EQ(DomainExport::SafeFileName(name), name);
    }
    struct Numbered {
        const char* name;
        int n;
        const char* copy;
    };
    for (const Numbered& c : {Numbered{"IMG_1000.JPG", 2, "IMG_1000 (2).JPG"},
                              Numbered{"20130604 090307", 3, "20130604 090307 (3)"},
                              Numbered{".hidden", 2, ".hidden (2)"},
                              Numbered{"archive.tar.gz", 12, "archive.tar (12).gz"}}) {
        EXPECT_EQ(DomainExport::NumberedFileName(c.name, c.n), c.copy);
    }
    // A name of the longest length keeps its extension and its number.
    const std::string longest = std::string(251, 'z') + ".JPG";
    ASSERT_EQ(DomainExport::SafeFileName(longest), longest);
    const std::string numbered = DomainExport::NumberedFileName(longest, 10000);
    EXPECT_EQ(numbered.size(), 255u);
    EXPECT_EQ(numbered.substr(numbered.size() - 13), "z (10000).JPG");
}

TEST(ExportMedia, StoredFilesThatAreNotRegularAreNeitherCopiedNorRead) {
    // A backup whose stored files were replaced: by a FIFO (an open for reading would wait for a
    // writer for ever), a link to a device that never ends, a link to a file outside the backup,
    // a folder. The export must end, copy none of them and say why.
    TempDir elsewhere;
    gen::WriteFile(elsewhere / "secret.txt", "not from the phone");
    MediaBackup backup;
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG", "fifo");
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0002.JPG", "IMG_0002.JPG", "zero");
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0003.JPG", "IMG_0003.JPG", "outside");
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0004.JPG", "IMG_0004.JPG", "folder");
    backup.AddPhoto("Media/DCIM/100APPLE/IMG_0005.JPG", "IMG_0005.JPG", "a real picture");
    backup.Write();
    auto stored = [&](std::size_t i) { return backup.photos[i]->path; };
    for (std::size_t i = 0; i < 4; ++i) ASSERT_EQ(unlink(stored(i).c_str()), 0);
    ASSERT_EQ(mkfifo(stored(0).c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", stored(1).c_str()), 0);
    ASSERT_EQ(symlink((elsewhere / "secret.txt").c_str(), stored(2).c_str()), 0);
    gen::MakeDirs(stored(3));

    TempDir out;
    const auto run = testing_support::RunInChild(
        [&]() -> std::string {
            const ExportOutcome outcome =
                export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(5), out.Path());
            if (outcome.recovered != 1 || outcome.failed != 4) {
                return "recovered " + std::to_string(outcome.recovered) + ", failed " +
                       std::to_string(outcome.failed);
            }
            if (outcome.reason != "not a regular file") return "reason " + outcome.reason;
            return "";
        },
        testing_support::kHangGuard);
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
    EXPECT_EQ(SnapshotTree(out.Path()),
              (std::map<std::string, std::string>{
                  {"IMG_0005.JPG", "a real picture"},
                  {"Not recovered.txt",
                   "IMG_0001.JPG\tnot a regular file\nIMG_0002.JPG\tnot a regular file\n"
                   "IMG_0003.JPG\tnot a regular file\nIMG_0004.JPG\tnot a regular file\n"}}));
}

TEST(CopyFile, CopiesIntoNewFilesOnly) {
    TempDir dir;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{254}, std::size_t{255},
                             std::size_t{256}, std::size_t{510}, std::size_t{5 * 1024 * 1024}}) {
        SCOPED_TRACE(size);
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        const std::string target = dir / ("dst" + std::to_string(size));
        gen::WriteFile(dir / "src", data);
        EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), target.c_str()), 0);
        EXPECT_EQ(gen::ReadFile(target), data);
        // A second copy onto it is refused and leaves it as it is.
        gen::WriteFile(dir / "src", "other");
        ExportError error;
        EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), target.c_str(), &error), -1);
        EXPECT_EQ(error.code, EEXIST);
        EXPECT_EQ(error.place, ExportError::kTarget);
        EXPECT_EQ(gen::ReadFile(target), data);
    }
}

TEST(CopyFile, FailuresLeaveNoTargetAndSayWhy) {
    TempDir dir;
    gen::WriteFile(dir / "src", "data");
    gen::MakeDirs(dir / "folder");
    struct Case {
        const char* name;
        std::string source;
        std::string target;
        ExportError::Place place;
        int code;
        const char* reason;
    };
    const Case cases[] = {
        {"missing source", dir / "missing", dir / "t1", ExportError::kStored, ENOENT,
         "not in the backup"},
        {"source is a folder", dir / "folder", dir / "t2", ExportError::kStored,
         DomainExport::kNotRegular, "not a regular file"},
        {"target folder missing", dir / "src", dir / "nope/t3", ExportError::kTarget, ENOENT,
         "No such file or directory"},
        {"target is a folder", dir / "src", dir / "folder", ExportError::kTarget, EEXIST,
         "File exists"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExportError error;
        EXPECT_EQ(DomainExport::CopyFile(c.source.c_str(), c.target.c_str(), &error), -1);
        EXPECT_EQ(error.place, c.place);
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(ExportOutcome::ReasonText(error), c.reason);
    }
    EXPECT_EQ(DomainExport::CopyFile(nullptr, (dir / "t").c_str()), -1);
    EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), nullptr), -1);
    for (const char* name : {"t", "t1", "t2", "nope"}) EXPECT_FALSE(Exists(dir / name)) << name;
    EXPECT_EQ(gen::ReadFile(dir / "src"), "data");
}

TEST(CopyFile, SameFileIsRefusedAndKept) {
    TempDir dir;
    gen::WriteFile(dir / "stored", "evidence");
    ASSERT_EQ(symlink((dir / "stored").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(DomainExport::CopyFile((dir / "stored").c_str(), (dir / "stored").c_str()), -1);
    EXPECT_EQ(DomainExport::CopyFile((dir / "stored").c_str(), (dir / "link").c_str()), -1);
    EXPECT_EQ(gen::ReadFile(dir / "stored"), "evidence");
}

TEST(CopyFile, ReadErrorRemovesThePartialCopy) {
    // The process's own memory file opens for reading, and reading at offset 0 (an address that
    // is never mapped) fails: a read error after both files were opened.
    TempDir dir;
    ExportError error;
    EXPECT_EQ(DomainExport::CopyFile("/proc/self/mem", (dir / "copy").c_str(), &error), -1);
    EXPECT_EQ(error.place, ExportError::kStored);
    EXPECT_FALSE(Exists(dir / "copy"));
}

// Folders that take nothing, or not all: each item that is not written is counted, with the
// reason of the first, and no partial file stays.
class ExportFolderTrouble : public testing::Test {
  protected:
    void SetUp() override {
        backup_.AddPhoto("Media/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG",
                         RandomBytes(40 * 1024, 1));
        backup_.AddPhoto("Media/DCIM/100APPLE/IMG_0002.JPG", "IMG_0002.JPG",
                         RandomBytes(40 * 1024, 2));
        backup_.AddPhoto("Media/DCIM/100APPLE/IMG_0003.JPG", "IMG_0003.JPG",
                         RandomBytes(40 * 1024, 3));
        backup_.Write();
        note_.create_date = W("2013-06-04 09:03:07");
        note_.title = W("Shopping");
        note_.body = W(std::string(100 * 1024, 'n').c_str());
        notes_.push_back(&note_);
    }

    MediaBackup backup_;
    Note note_;
    NoteList notes_;
};

TEST_F(ExportFolderTrouble, FullFileSystem) {
    TempDir out;
    export_test::ScopedTmpfs small(out.Path(), 64 * 1024);
    std::string reason = "No space left on device";
    testing_support::ChildRun run;
    if (small.Mounted()) {
        ExportOutcome copies =
            export_test::RunExport(KIND_CAMERA_ROLL, &backup_.photos, All(3), out.Path());
        EXPECT_EQ(copies.recovered, 1);
        EXPECT_EQ(copies.failed, 2);
        EXPECT_EQ(copies.reason, reason);
        ExportOutcome page = export_test::RunExport(KIND_NOTES, &notes_, {0}, out.Path());
        EXPECT_EQ(page.recovered, 0);
        EXPECT_EQ(page.failed, 1);
        EXPECT_EQ(page.reason, reason);
    } else {
        // No mount here: a limit on the size of files written fails the writes the same way.
        run = testing_support::RunInChild(
            [&]() -> std::string {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit = {50 * 1024, 50 * 1024};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return "no limit";
                const ExportOutcome copies =
                    export_test::RunExport(KIND_CAMERA_ROLL, &backup_.photos, All(3), out.Path());
                const ExportOutcome page =
                    export_test::RunExport(KIND_NOTES, &notes_, {0}, out.Path());
                if (copies.recovered != 3 || copies.failed != 0) return "copies counted wrong";
                if (page.recovered != 0 || page.failed != 1) return "page counted wrong";
                return page.reason;
            },
            testing_support::kHangGuard);
        EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
        EXPECT_EQ(run.report, "File too large");
    }
    // What was written is whole; nothing cut short stays. The lists of what failed are small
    // enough to fit where the pictures did not.
    for (const auto& f : SnapshotTree(out.Path())) {
        if (f.first.rfind("Not recovered", 0) == 0) {
            EXPECT_EQ(f.second.back(), '\n') << f.first;
            continue;
        }
        EXPECT_EQ(f.second.size(), 40u * 1024) << f.first;
    }
}

// A picture missing from the backup and pictures the full folder cannot take fail for causes of
// their own: the message counts each, the larger first, in the user's language.
TEST_F(ExportFolderTrouble, FailuresOfTwoCausesAreCountedApart) {
    auto* gone = new Photo();
    gone->file_name = W("IMG_0000.JPG");
    gone->path = backup_.photos[0]->path + W(".gone");
    backup_.photos.insert(backup_.photos.begin(), gone);
    struct Language {
        int number;
        const char* message;  // %s: the folder
    };
    const Language languages[] = {
        {58,
         "1 of 4 pictures was recovered into \"%s\".\n"
         "2 could not be written: No space left on device; 1 is not in the backup.\n"
         "- IMG_0000.JPG\n- IMG_0002.JPG\n- IMG_0003.JPG\n"
         "The items not recovered are listed in \"Not recovered.txt\"."},
        {89,
         "1 von 4 Bildern wurde in \xE2\x80\x9E%s\xE2\x80\x9C wiederhergestellt.\n"
         "2 konnten nicht geschrieben werden: Kein Speicherplatz mehr auf dem Ger\xC3\xA4t; "
         "1 ist nicht in der Sicherung.\n"
         "- IMG_0000.JPG\n- IMG_0002.JPG\n- IMG_0003.JPG\n"
         "Die nicht wiederhergestellten Elemente sind in \xE2\x80\x9E"
         "Nicht wiederhergestellt.txt\xE2\x80\x9C aufgef\xC3\xBChrt."},
    };
    for (const Language& l : languages) {
        SCOPED_TRACE(l.number);
        TempDir out;
        export_test::ScopedTmpfs small(out.Path(), 64 * 1024);
        if (!small.Mounted()) GTEST_SKIP() << "no right to mount a small file system here";
        std::unique_ptr<wxLocale> locale(
            LanguageLocale::Install(l.number, AppUtil::GetAppRoot() + "/Language"));
        const ExportOutcome outcome =
            export_test::RunExport(KIND_CAMERA_ROLL, &backup_.photos, All(4), out.Path());
        EXPECT_EQ(outcome.recovered, 1);
        EXPECT_EQ(outcome.failed, 3);
        std::string message = l.message;
        message.replace(message.find("%s"), 2, out.Path());
        EXPECT_EQ(outcome.Describe().utf8_string(), message);
    }
}

TEST_F(ExportFolderTrouble, ReadOnlyFolder) {
    TempDir out;
    export_test::ScopedTmpfs mounted(out.Path(), 1024 * 1024);
    std::string reason;
    if (mounted.Mounted()) {
        ASSERT_TRUE(mounted.MakeReadOnly());
        reason = "Read-only file system";
    } else if (geteuid() != 0) {
        chmod(out.Path().c_str(), 0555);
        reason = "Permission denied";
    } else {
        GTEST_SKIP() << "root without the right to mount: no folder stops root from writing";
    }
    const ExportOutcome copies =
        export_test::RunExport(KIND_CAMERA_ROLL, &backup_.photos, All(3), out.Path());
    EXPECT_EQ(copies.recovered, 0);
    EXPECT_EQ(copies.failed, 3);
    EXPECT_EQ(copies.reason, reason);
    const ExportOutcome page = export_test::RunExport(KIND_NOTES, &notes_, {0}, out.Path());
    EXPECT_EQ(page.recovered, 0);
    EXPECT_EQ(page.failed, 1);
    EXPECT_EQ(page.reason, reason);
    EXPECT_TRUE(SnapshotTree(out.Path()).empty());
    chmod(out.Path().c_str(), 0755);
}

}  // namespace
