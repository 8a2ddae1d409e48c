// Replays the fuzzers' seed corpora and every committed reproducer through the entry points they
// were found on: none may crash, hang or leak.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "mbdb/mbdb.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> InputsOf(const std::string& name) {
    std::vector<std::string> files;
    for (const char* suffix : {"-corpus", "-crashes"}) {
        const std::filesystem::path dir =
            std::filesystem::path(BV_SOURCE_DIR) / "fuzz" / (name + suffix);
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                files.push_back(e.path().string());
        }
    }
    return files;
}

TEST(FuzzReplayTest, ManifestInputs) {
    const auto inputs = InputsOf("mbdb");
    EXPECT_FALSE(inputs.empty());
    testing_support::TempDir dir;
    const std::string folder = dir.Path() + "/";
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        gen::WriteFile(folder + "Manifest.mbdb", gen::ReadFile(input));
        Mbdb mbdb;
        mbdb.Parse(folder);
        for (const auto* r : *mbdb.GetRecords()) EXPECT_EQ(r->fileName.size(), 40u);
    }
}

TEST(FuzzReplayTest, PropertyListInputs) {
    const auto inputs = InputsOf("plist");
    EXPECT_FALSE(inputs.empty());
    testing_support::TempDir dir;
    const std::string root = dir.Path() + "/";
    gen::MakeDirs(root + "backup");
    gen::WriteFile(root + "backup/Manifest.mbdb", std::string("mbdb\x05\x00", 6));
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        const std::string bytes = gen::ReadFile(input);
        gen::WriteFile(root + "backup/Info.plist", bytes);
        gen::WriteFile(root + "backup/Manifest.plist", bytes);
        BackupInfo* head = ListBackupsIn(root.c_str());
        ASSERT_NE(head, nullptr);
        FreeBackupList(head);
    }
}

}  // namespace
