// Replays the fuzzers' seed corpora and every committed reproducer through the entry points they
// were found on, each input in a child process of its own: an input that crashes, hangs or leaks
// fails the test with its file's name, and the other inputs still run.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "../../fuzz/list_fuzz_input.h"
#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "ib/ib_util.h"
#include "mbdb/mbdb.h"
#include "support/test_support.h"

using namespace ib;

namespace {

using testing_support::FilesIn;
using testing_support::ReplayEach;

// Only a hang fails an input on time: a busy machine may take long over any of them.
constexpr auto kHangGuard = std::chrono::minutes(5);

std::string FuzzFolder(const std::string& name) {
    return std::string(BV_SOURCE_DIR) + "/fuzz/" + name;
}

// The seeds, which must be there, and the reproducers, of which there may be none.
std::vector<std::string> InputsOf(const std::string& name) {
    std::vector<std::string> files = FilesIn(FuzzFolder(name + "-corpus"));
    EXPECT_FALSE(files.empty()) << "no seeds in fuzz/" << name << "-corpus";
    for (const std::string& f : FilesIn(FuzzFolder(name + "-crashes"))) files.push_back(f);
    return files;
}

TEST(FuzzReplayTest, ManifestInputs) {
    ReplayEach(
        InputsOf("mbdb"),
        [](const std::string& bytes) -> std::string {
            testing_support::TempDir dir;
            const std::string folder = dir.Path() + "/";
            gen::WriteFile(folder + "Manifest.mbdb", bytes);
            Mbdb mbdb;
            mbdb.Parse(folder);
            for (const auto* r : *mbdb.GetRecords()) {
                if (r->fileName().size() != 40) return "a stored-file name of another length";
            }
            return std::string();
        },
        kHangGuard);
}

TEST(FuzzReplayTest, PropertyListInputs) {
    ReplayEach(
        InputsOf("plist"),
        [](const std::string& bytes) -> std::string {
            testing_support::TempDir dir;
            const std::string root = dir.Path() + "/";
            gen::MakeDirs(root + "backup");
            gen::WriteFile(root + "backup/Manifest.mbdb", std::string("mbdb\x05\x00", 6));
            gen::WriteFile(root + "backup/Info.plist", bytes);
            gen::WriteFile(root + "backup/Manifest.plist", bytes);
            plist_free(ReadPlistFile((root + "backup/Info.plist").c_str()));
            BackupInfo* head = ListBackupsIn(root.c_str());
            const bool listed = head != nullptr;
            FreeBackupList(head);
            return listed ? std::string() : "the backup was not listed";
        },
        kHangGuard);
}

TEST(FuzzReplayTest, ListingInputs) {
    ReplayEach(
        InputsOf("list"),
        [](const std::string& bytes) {
            listfuzz::Harness harness;
            harness.Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            return std::string();
        },
        kHangGuard);
}

}  // namespace
