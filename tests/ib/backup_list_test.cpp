#include "ib/backup_list.h"

#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "gen/backup_gen.h"
#include "mbdb/mbdb.h"
#include "support/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;

std::string Str(const char* s) {
    return s ? s : "(null)";
}

std::vector<BackupInfo*> Nodes(BackupInfo* head) {
    std::vector<BackupInfo*> nodes;
    for (BackupInfo* b = head; b != nullptr; b = b->next) nodes.push_back(b);
    return nodes;
}

class BackupListTest : public testing::Test {
  protected:
    BackupListTest() : tz_("TZ", "UTC") {
        tzset();
        root_ = dir_.Path() + "/Apple Computer/MobileSync/Backup/";
        gen::MakeDirs(root_);
    }
    ~BackupListTest() override {
        FreeBackupList(head_);
        tzset();
    }

    gen::BackupBuilder Builder(const std::string& name) { return gen::BackupBuilder(root_ + name); }

    BackupInfo* List() {
        FreeBackupList(head_);
        head_ = ListBackupsIn(root_.c_str());
        return head_;
    }

    BackupInfo* Find(const std::string& name) {
        for (BackupInfo* b : Nodes(head_)) {
            if (Str(b->folderPath) == root_ + name + "/") return b;
        }
        return nullptr;
    }

    ScopedEnv tz_;
    TempDir dir_;
    std::string root_;
    BackupInfo* head_ = nullptr;
};

TEST_F(BackupListTest, NoRootOrRootThatIsAFileGivesNull) {
    EXPECT_EQ(ListBackupsIn((dir_.Path() + "/missing/").c_str()), nullptr);
    gen::WriteFile(dir_.Path() + "/file", "x");
    EXPECT_EQ(ListBackupsIn((dir_.Path() + "/file/").c_str()), nullptr);
    EXPECT_EQ(ListBackupsIn(""), nullptr);
    EXPECT_EQ(ListBackupsIn(nullptr), nullptr);
    EXPECT_EQ(List(), nullptr);  // the root exists but holds no backup
    EXPECT_FALSE(FreeBackupList(nullptr));
}

TEST_F(BackupListTest, ListsCompleteBackupFoldersWithTheirProperties) {
    {
        auto b = Builder("0f3a9c2b");
        b.AddFile("HomeDomain", "Library/Notes/notes.sqlite", "x");
        b.Write();
    }
    {
        auto b = Builder("encrypted");
        b.Info().encrypted = true;
        b.Info().binaryInfo = true;
        b.Info().deviceName = "Bob's iPad";
        b.Write();
    }
    {
        auto b = Builder("no-date");
        b.Info().hasLastBackup = false;
        b.Write();
    }
    {
        auto b = Builder("no-mbdb");
        b.Write();
        std::remove((root_ + "no-mbdb/Manifest.mbdb").c_str());
    }
    {
        auto b = Builder("mbdb-is-a-folder");
        b.Write();
        std::remove((root_ + "mbdb-is-a-folder/Manifest.mbdb").c_str());
        gen::MakeDirs(root_ + "mbdb-is-a-folder/Manifest.mbdb");
    }
    gen::WriteFile(root_ + "stray-file", "not a folder");

    List();
    std::set<std::string> listed;
    for (BackupInfo* b : Nodes(head_)) listed.insert(Str(b->folderPath));
    EXPECT_EQ(listed, (std::set<std::string>{root_ + "0f3a9c2b/", root_ + "encrypted/",
                                             root_ + "no-date/"}));

    BackupInfo* plain = Find("0f3a9c2b");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Str(plain->deviceName), "Ann's iPhone");
    EXPECT_EQ(Str(plain->serialNumber), "C39KX0QZDTC1");
    EXPECT_EQ(Str(plain->lastBackupDate), "2013-06-04 09:03:07");
    EXPECT_EQ(plain->isEncrypted, 0);
    ASSERT_NE(plain->mbdb, nullptr);
    EXPECT_EQ(plain->mbdb->GetRecords()->size(), 1u);
    EXPECT_NE(plain->callHistory, nullptr);
    EXPECT_NE(plain->photo, nullptr);

    BackupInfo* enc = Find("encrypted");
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(enc->isEncrypted, 1);
    // A binary Info.plist gives the same fields as an XML one.
    EXPECT_EQ(Str(enc->deviceName), "Bob's iPad");
    EXPECT_EQ(Str(enc->lastBackupDate), "2013-06-04 09:03:07");
    EXPECT_EQ(Str(enc->serialNumber), "C39KX0QZDTC1");

    BackupInfo* noDate = Find("no-date");
    ASSERT_NE(noDate, nullptr);
    EXPECT_EQ(noDate->lastBackupDate, nullptr);
    EXPECT_EQ(Str(noDate->deviceName), "Ann's iPhone");
}

TEST_F(BackupListTest, KeepsTheOrderOfTheFolderListing) {
    for (int i = 0; i < 12; ++i) Builder("backup" + std::to_string(i)).Write();
    std::vector<std::string> expected;
    DIR* dir = opendir(root_.c_str());
    ASSERT_NE(dir, nullptr);
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.') expected.push_back(root_ + e->d_name + "/");
    }
    closedir(dir);
    std::vector<std::string> got;
    for (BackupInfo* b : Nodes(List())) got.push_back(Str(b->folderPath));
    EXPECT_EQ(got, expected);
}

TEST_F(BackupListTest, DamagedMarkerFilesStillListTheBackup) {
    struct Row {
        const char* name;
        std::string info;
        std::string manifest;
        std::string mbdb;
    } rows[] = {
        {"empty", "", "", ""},
        {"garbage", "<?xml this is not", "bplist00garbage", "mbdb\x05"},
        {"wrong-shape", "<plist><array><string>x</string></array></plist>",
         "<plist><dict><key>IsEncrypted</key><string>yes</string></dict></plist>",
         std::string("mbdb\x05\x00\x00\x03Hom", 11)},
        {"wrong-types",
         "<plist><dict><key>Device Name</key><integer>5</integer><key>Last Backup Date</key>"
         "<string>yesterday</string></dict></plist>",
         std::string("bplist00", 8), "foreign"},
    };
    for (const Row& r : rows) {
        gen::MakeDirs(root_ + r.name);
        gen::WriteFile(root_ + r.name + "/Info.plist", r.info);
        gen::WriteFile(root_ + r.name + "/Manifest.plist", r.manifest);
        gen::WriteFile(root_ + r.name + "/Manifest.mbdb", r.mbdb);
    }
    List();
    EXPECT_EQ(Nodes(head_).size(), std::size(rows));
    for (const Row& r : rows) {
        BackupInfo* b = Find(r.name);
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_EQ(b->deviceName, nullptr) << r.name;
        EXPECT_EQ(b->lastBackupDate, nullptr) << r.name;
        EXPECT_EQ(b->serialNumber, nullptr) << r.name;
        EXPECT_EQ(b->isEncrypted, 0) << r.name;
        EXPECT_TRUE(b->mbdb->GetRecords()->empty()) << r.name;
        // Every kind finds nothing in an empty manifest.
        for (std::uint32_t k = 0; k < kKindCount; ++k) {
            plist_t data = GetKindData(b, k);
            if (data != nullptr) {
                EXPECT_EQ(plist_get_node_type(data), PLIST_ARRAY);
                EXPECT_EQ(plist_array_get_size(data), 0u) << r.name << " kind " << k;
                plist_free(data);
            }
        }
    }
}

TEST_F(BackupListTest, FolderNamesWithNonAsciiBytes) {
    const std::string names[] = {"Caf\xc3\xa9", "bad\xff\xfe", "\xe6\x97\xa5\xe6\x9c\xac"};
    for (const auto& n : names) Builder(n).Write();
    List();
    for (const auto& n : names) EXPECT_NE(Find(n), nullptr);
}

TEST_F(BackupListTest, KindDispatch) {
    Builder("one").Write();
    BackupInfo* b = List();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetKindData(b, 11), nullptr);
    EXPECT_EQ(GetKindData(b, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(GetKindData(nullptr, 0), nullptr);
}

TEST_F(BackupListTest, ListingLeavesTheBackupUntouched) {
    auto b = Builder("evidence");
    b.AddFiller(500);
    b.Write();
    const auto before = testing_support::SnapshotTree(root_);
    List();
    List();
    EXPECT_EQ(testing_support::SnapshotTree(root_), before);
}

TEST_F(BackupListTest, BackupRootFollowsTheApplicationDataFolder) {
    Builder("found").Write();
    {
        ScopedEnv appdata("APPDATA", dir_.Path().c_str());
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(Str(head->folderPath), root_ + "found/");
        FreeBackupList(head);
    }
    {
        ScopedEnv appdata("APPDATA", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", (dir_.Path() + "/").c_str());
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(Str(head->folderPath), root_ + "found/");
        FreeBackupList(head);
    }
    {
        TempDir home;
        ScopedEnv appdata("APPDATA", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv h("HOME", home.Path().c_str());
        EXPECT_EQ(ListBackups(), nullptr);  // no backup folder under $HOME/.config
        gen::BackupBuilder(home.Path() + "/.config/Apple Computer/MobileSync/Backup/x").Write();
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        FreeBackupList(head);
    }
}

// The shared library, loaded as the program loads it: exactly two exported entry points.
TEST_F(BackupListTest, SharedLibraryExportsTheServiceTable) {
    char exe[4096] = {0};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    const std::filesystem::path lib =
        std::filesystem::path(exe).parent_path().parent_path() / "root/lib/libWZ_IB.so.1";
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto create =
        reinterpret_cast<DataRecoveryService* (*)()>(dlsym(handle, "CreateDataRecoveryService"));
    auto release =
        reinterpret_cast<void (*)(DataRecoveryService*)>(dlsym(handle, "FreeiDeviceBackupService"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(dlsym(handle, "_Z13ListBackupsInPKc"), nullptr);
    EXPECT_EQ(dlsym(handle, "_Z11GetKindDataP10BackupInfoj"), nullptr);

    Builder("viaservice").Write();
    ScopedEnv appdata("APPDATA", dir_.Path().c_str());
    DataRecoveryService* service = create();
    ASSERT_NE(service, nullptr);
    BackupInfo* head = service->ListBackups();
    ASSERT_NE(head, nullptr);
    auto freeList = service->FreeBackupList;
    auto getKind = service->GetKindData;
    release(service);  // the list outlives the table
    EXPECT_EQ(Str(head->deviceName), "Ann's iPhone");
    EXPECT_EQ(getKind(head, 11), nullptr);
    EXPECT_FALSE(freeList(head));
    dlclose(handle);
}

}  // namespace
