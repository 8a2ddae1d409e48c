// A backup is evidence: reading every kind, twice, leaves every file of the backup folder
// byte-identical and adds none, also beside a hot journal and a database in WAL mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "kind_fixture.h"
#include "support/test_support.h"

using namespace ib;

namespace {

void ScanTwice(const std::string& root) {
    BackupInfo* head = ListBackupsIn(root.c_str());
    ASSERT_NE(head, nullptr);
    for (BackupInfo* node = head; node != nullptr; node = node->next) {
        for (int round = 0; round < 2; ++round) {
            for (std::uint32_t k = 0; k < kKindCount; ++k) plist_free(GetKindData(node, k));
        }
    }
    FreeBackupList(head);
}

TEST(EvidenceTest, ScanningEveryKindChangesNothing) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    const std::string folder = dir.Path() + "/Backup/udid/";
    gen::SampleOptions options;
    options.filler = 300;
    gen::WriteSampleBackup(folder, options);
    // A backup of an iOS 5 phone beside it: its message database has the older tables.
    gen::SampleOptions ios5 = options;
    ios5.ios5Messages = true;
    gen::WriteSampleBackup(dir.Path() + "/Backup/udid5/", ios5);

    // The call log arrives in the middle of a transaction, with its hot journal.
    const std::string calls =
        folder + gen::StoredName("WirelessDomain", "Library/CallHistory/call_history.db");
    const gen::HotJournal hot =
        gen::WithHotJournal(gen::ReadFile(calls), "UPDATE call SET name = 'changed', duration = 1");
    gen::WriteFile(calls, hot.database);
    gen::WriteFile(calls + "-journal", hot.journal);
    // The calendar and the notes are in WAL mode, with changes still in the log.
    const std::string cal =
        folder + gen::StoredName("HomeDomain", "Library/Calendar/Calendar.sqlitedb");
    const gen::WalFiles wal =
        gen::InWalMode(gen::ReadFile(cal), "UPDATE CalendarItem SET summary = 'late'");
    gen::WriteFile(cal, wal.database);
    gen::WriteFile(cal + "-wal", wal.wal);
    gen::WriteFile(cal + "-shm", wal.shm);
    const std::string notes = folder + gen::StoredName("HomeDomain", "Library/Notes/notes.sqlite");
    const gen::WalFiles walOnly = gen::InWalMode(gen::ReadFile(notes), "DELETE FROM ZNOTE");
    gen::WriteFile(notes, walOnly.database);
    gen::WriteFile(notes + "-wal", walOnly.wal);  // no -shm beside it

    const auto before = testing_support::SnapshotTree(dir.Path());
    ScanTwice(dir.Path() + "/Backup/");
    const auto after = testing_support::SnapshotTree(dir.Path());
    ASSERT_EQ(before.size(), after.size());
    for (const auto& entry : before) {
        auto it = after.find(entry.first);
        ASSERT_NE(it, after.end()) << entry.first;
        EXPECT_TRUE(it->second == entry.second) << entry.first << " changed";
    }
    EXPECT_EQ(after.count("Backup/udid/" +
                          gen::StoredName("WirelessDomain", "Library/CallHistory/call_history.db") +
                          "-journal"),
              1u);
}

TEST(EvidenceTest, AHotJournalIsNotRolledBackIntoTheResult) {
    // The reader shows the file as it lies in the backup: the changed pages stay as they are.
    kindtest::KindBackup b;
    std::vector<gen::CallRow> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back({"555000" + std::to_string(1000 + i), 0, 0, 4, "", "", ""});
    const gen::HotJournal hot =
        gen::WithHotJournal(gen::CallHistoryDb(rows), "UPDATE call SET name = 'changed'");
    const std::string stored =
        b.Builder().AddFile("WirelessDomain", "Library/CallHistory/call_history.db", hot.database);
    gen::WriteFile(stored + "-journal", hot.journal);
    const std::string out = b.Dump(KIND_CALL_HISTORY);
    EXPECT_NE(out, "null");
    EXPECT_EQ(gen::ReadFile(stored + "-journal"), hot.journal);
    EXPECT_EQ(gen::ReadFile(stored), hot.database);
}

// Every kind of the backups under root, as text in which the backup folder reads "<folder>".
std::vector<std::string> EveryKind(const std::string& root) {
    std::vector<std::string> kinds;
    BackupInfo* head = ListBackupsIn(root.c_str());
    EXPECT_NE(head, nullptr) << root;
    if (head == nullptr) return kinds;
    EXPECT_EQ(head->next, nullptr);
    const std::string folder = head->folderPath;
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        plist_t data = GetKindData(head, k);
        std::string text = kindtest::Render(data);
        plist_free(data);
        for (std::size_t at = text.find(folder); at != std::string::npos;
             at = text.find(folder, at)) {
            text.replace(at, folder.size(), "<folder>");
        }
        kinds.push_back(text);
    }
    FreeBackupList(head);
    return kinds;
}

TEST(EvidenceTest, ABackupBehindLinksReadsAsTheFolderItself) {
    // Users move the backup folder to another drive and leave a link in its place; a link may also
    // stand anywhere above it. Every kind reads as from the folder itself, and the folder stays as
    // it was.
    kindtest::UseUtc();
    testing_support::TempDir dir;
    gen::WriteSampleBackup(dir / "drive/Backup/udid", testing_support::SmallOptions());
    const auto before = testing_support::SnapshotTree(dir / "drive");
    const std::vector<std::string> plain = EveryKind(dir / "drive/Backup/");
    ASSERT_EQ(plain.size(), kKindCount);
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        EXPECT_NE(plain[k], "null") << "kind " << k;
        EXPECT_NE(plain[k], "[]") << "kind " << k;
    }
    // The backup folder a link in the backup root; the root reached through a linked folder; both.
    gen::MakeDirs(dir / "home/Backup");
    ASSERT_EQ(symlink((dir / "drive/Backup/udid").c_str(), (dir / "home/Backup/udid").c_str()), 0);
    ASSERT_EQ(symlink((dir / "drive").c_str(), (dir / "linked").c_str()), 0);
    gen::MakeDirs(dir / "both/Backup");
    ASSERT_EQ(symlink((dir / "linked/Backup/udid").c_str(), (dir / "both/Backup/udid").c_str()), 0);
    for (const char* root : {"home/Backup/", "linked/Backup/", "both/Backup/"}) {
        SCOPED_TRACE(root);
        const std::vector<std::string> linked = EveryKind(dir / root);
        ASSERT_EQ(linked.size(), kKindCount);
        for (std::uint32_t k = 0; k < kKindCount; ++k) EXPECT_EQ(linked[k], plain[k]) << k;
    }
    EXPECT_TRUE(testing_support::SnapshotTree(dir / "drive") == before);
}

}  // namespace
