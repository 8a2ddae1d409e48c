// Media copies: stored files of a generated backup copied under the records' names, byte for
// byte; names from the backup that try to leave the folder; failed copies that leave nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "domain/domain_export.h"
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
        photo->path = W(path.c_str());
        photos.push_back(photo);
        return photo;
    }

    VoiceMemos* AddMemo(const std::string& name, const std::string& contents) {
        const std::string path =
            builder_.AddFile("MediaDomain", "Media/Recordings/" + name + ".m4a", contents);
        auto* memo = new VoiceMemos();
        memo->name = W(name.c_str());
        memo->path = W(path.c_str());
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
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(files.at("IMG_0001.JPG"), big);
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

TEST(ExportMedia, TwoRecordsWithOneNameLeaveTheLaterCopy) {
    MediaBackup backup;
    backup.AddPhoto("Library/SMS/Attachments/0a/10/IMG_0001.JPG", "IMG_0001.JPG", "first");
    backup.AddPhoto("Library/SMS/Attachments/3f/11/IMG_0001.JPG", "IMG_0001.JPG", "second");
    backup.Write();
    TempDir out;
    gen::WriteFile(out / "IMG_0001.JPG", "an older file of that name");
    export_test::RunExport(KIND_SMS_ATTACHMENTS, &backup.photos, {0, 1}, out.Path());
    const auto files = SnapshotTree(out.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.at("IMG_0001.JPG"), "second");
}

TEST(ExportMedia, NamesFromTheBackupStayInsideTheFolder) {
    struct NameCase {
        const char* name;
        const char* copy;
    };
    const NameCase cases[] = {
        {"IMG_0001.JPG", "IMG_0001.JPG"},
        {"..", "__"},
        {".", "_"},
        {"", "_"},
        {"../escape.jpg", ".._escape.jpg"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"/abs.jpg", "_abs.jpg"},
        {"dir/", "dir_"},
        {"a\\b.jpg", "a\\b.jpg"},
        {"...", "..."},
        {".hidden", ".hidden"},
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
    export_test::RunExport(KIND_CAMERA_ROLL, &backup.photos, All(backup.photos.size()), out);

    // Nothing appeared beside the chosen folder, and it is still a folder.
    const auto everything = SnapshotTree(root.Path());
    for (const auto& entry : everything) {
        EXPECT_EQ(entry.first.rfind("chosen/", 0), 0u) << entry.first;
    }
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    const auto files = SnapshotTree(out);
    i = 0;
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        // "" and "." both become "_": the later one wins, as with any two equal names.
        if (std::string(c.name) != ".") {
            ASSERT_EQ(files.count(c.copy), 1u);
            if (std::string(c.copy) != "_") {
                EXPECT_EQ(files.at(c.copy), std::string("content ") + std::to_string(i));
            }
        }
        ++i;
    }
    EXPECT_EQ(files.at("_"), "content 3");
}

TEST(ExportMedia, SafeFileNameKeepsOrdinaryNames) {
    for (const char* name : {"IMG_0001.JPG", "Caf\xC3\xA9.png", "a b (1).m4a", "...", "x..y"}) {
        EXPECT_EQ(DomainExport::SafeFileName(name), name);
    }
}

TEST(CopyFile, CopiesAndOverwrites) {
    TempDir dir;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{254}, std::size_t{255},
                             std::size_t{256}, std::size_t{510}, std::size_t{5 * 1024 * 1024}}) {
        SCOPED_TRACE(size);
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        gen::WriteFile(dir / "src", data);
        gen::WriteFile(dir / "dst", "longer older contents that must go away entirely");
        EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), (dir / "dst").c_str()), 0);
        EXPECT_EQ(gen::ReadFile(dir / "dst"), data);
    }
}

TEST(CopyFile, FailuresLeaveNoTarget) {
    TempDir dir;
    gen::WriteFile(dir / "src", "data");
    gen::MakeDirs(dir / "folder");
    struct Case {
        const char* name;
        std::string source;
        std::string target;
    };
    const Case cases[] = {
        {"missing source", dir / "missing", dir / "t1"},
        {"source is a folder", dir / "folder", dir / "t2"},
        {"target folder missing", dir / "src", dir / "nope/t3"},
        {"target is a folder", dir / "src", dir / "folder"},
        {"null paths", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.source.empty()) {
            EXPECT_EQ(DomainExport::CopyFile(nullptr, (dir / "t").c_str()), -1);
            EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), nullptr), -1);
            continue;
        }
        EXPECT_EQ(DomainExport::CopyFile(c.source.c_str(), c.target.c_str()), -1);
    }
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

TEST(CopyFile, WriteErrorRemovesThePartialCopy) {
    if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    gen::WriteFile(dir / "src", RandomBytes(100000, 9));
    // The target is a link to a device that fails every write: the copy must fail and the
    // partial target must go.
    ASSERT_EQ(symlink("/dev/full", (dir / "copy.jpg").c_str()), 0);
    EXPECT_EQ(DomainExport::CopyFile((dir / "src").c_str(), (dir / "copy.jpg").c_str()), -1);
    EXPECT_FALSE(Exists(dir / "copy.jpg"));
}

TEST(CopyFile, ReadErrorRemovesThePartialCopy) {
    // The process's own memory file opens for reading, and reading at offset 0 (an address that
    // is never mapped) fails: a read error after both files were opened.
    TempDir dir;
    gen::WriteFile(dir / "copy", "an older copy");
    EXPECT_EQ(DomainExport::CopyFile("/proc/self/mem", (dir / "copy").c_str()), -1);
    EXPECT_FALSE(Exists(dir / "copy"));
}

}  // namespace
