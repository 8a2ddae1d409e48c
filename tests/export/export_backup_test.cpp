// Exports of a generated backup, end to end: the library reads every kind, the domain layer turns
// the property lists into records, and every record is exported; the pages hold every record,
// the copies equal the stored files, and the backup stays as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/app_util.h"
#include "common/string_util.h"
#include "domain/domain_export.h"
#include "domain/domain_ib.h"
#include "domain/export_destination.h"
#include "domain/kind_obj.h"
#include "domain/language_locale.h"
#include "export/export_fixture.h"
#include "gen/backup_gen.h"
#include "gen/sample.h"
#include "support/test_support.h"

namespace {

using export_test::Grid;
using testing_support::SnapshotTree;
using testing_support::TempDir;

std::string U(const wxString& s) {
    std::string out;
    StringUtil::AppendUtf8(out, s);
    return out;
}

class ExportGeneratedBackup : public testing::Test {
  protected:
    void SetUp() override {
        service_ = CreateDataRecoveryService();
        ASSERT_NE(service_, nullptr);
        head_ = service_->ListBackups();
        ASSERT_NE(head_, nullptr);
        for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
            plist_t list = service_->GetKindData(head_, kind);
            records_[kind] = DomainIB::ConvertKindData(kind, list);
            if (list != nullptr) plist_free(list);
        }
    }
    void TearDown() override {
        for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
            DeleteKindRecords(kind, records_[kind]);
        }
        if (service_ != nullptr) {
            if (head_ != nullptr) service_->FreeBackupList(head_);
            FreeiDeviceBackupService(service_);
        }
    }

    std::vector<int> All(std::uint32_t kind) {
        std::vector<int> all;
        for (std::size_t i = 0; i < KindRecordCount(kind, records_[kind]); ++i) {
            all.push_back(static_cast<int>(i));
        }
        return all;
    }

    static gen::SampleOptions Filler() {
        gen::SampleOptions options;
        options.filler = 100;
        return options;
    }

    testing_support::GeneratedBackup backup_{Filler(), "3d0d7e5fb2ce288813306e4d4636395e047a3d28"};
    const std::string& folder_ = backup_.BackupFolder();
    DataRecoveryService* service_ = nullptr;
    BackupInfo* head_ = nullptr;
    void* records_[kKindCount] = {};
};

TEST_F(ExportGeneratedBackup, EveryKindExportsEveryRecord) {
    const auto before = SnapshotTree(folder_);
    struct Page {
        std::uint32_t kind;
        const char* file;
        std::size_t columns;
    };
    const Page pages[] = {
        {KIND_CALL_HISTORY, "Call History.html", 5},
        {KIND_CONTACTS, "Contacts.html", 11},
        {KIND_MESSAGES, "Messages.html", 7},
        {KIND_NOTES, "Notes.html", 3},
        {KIND_SAFARI, "Safari.html", 3},
        {KIND_CALENDAR, "Calendar.html", 8},
        {KIND_REMINDERS, "Reminders.html", 6},
    };
    TempDir out;
    for (const Page& p : pages) {
        SCOPED_TRACE(p.file);
        const std::size_t count = KindRecordCount(p.kind, records_[p.kind]);
        ASSERT_GT(count, 0u) << "the sample backup holds no records of this kind";
        export_test::RunExport(p.kind, records_[p.kind], All(p.kind), out.Path());
        const Grid grid = export_test::ReadPageData(out / p.file);
        ASSERT_FALSE(grid.empty());
        std::size_t expectedRows = count;
        if (p.kind == KIND_CONTACTS) {
            for (const Contact* c : *static_cast<ContactList*>(records_[p.kind])) {
                expectedRows += c->properties.size();
            }
        } else if (p.kind == KIND_MESSAGES) {
            for (const Sms* s : *static_cast<SmsList*>(records_[p.kind])) {
                expectedRows += s->messages.size();
            }
        }
        EXPECT_EQ(grid.size(), expectedRows + 1);
        for (const auto& row : grid) EXPECT_EQ(row.size(), p.columns);
    }
    // Spot checks of cells against the records.
    const auto& calls = *static_cast<CallHistoryList*>(records_[KIND_CALL_HISTORY]);
    const Grid callPage = export_test::ReadPageData(out / "Call History.html");
    EXPECT_EQ(callPage[1],
              (std::vector<std::string>{U(calls[0]->name), U(calls[0]->address), U(calls[0]->date),
                                        U(calls[0]->duration), U(calls[0]->type)}));
    const auto& chats = *static_cast<SmsList*>(records_[KIND_MESSAGES]);
    const Grid chatPage = export_test::ReadPageData(out / "Messages.html");
    std::size_t row = 1;
    for (std::size_t i = 0; i < chats.size(); ++i) {
        EXPECT_EQ(chatPage[row][0], std::to_string(i + 1));
        EXPECT_EQ(chatPage[row][2], U(chats[i]->phone));
        ++row;
        for (const Message* m : chats[i]->messages) {
            EXPECT_EQ(chatPage[row][5], m->type != 0 ? "Sent" : "Received");
            EXPECT_EQ(chatPage[row][6], U(m->text));
            ++row;
        }
    }
    // Every value of a contact has its row, also under a repeated label, in row order: the
    // fifth person holds three mobile numbers with other labels between them.
    const auto& contacts = *static_cast<ContactList*>(records_[KIND_CONTACTS]);
    const Grid contactPage = export_test::ReadPageData(out / "Contacts.html");
    row = 1;
    for (std::size_t i = 0; i < contacts.size(); ++i) {
        EXPECT_EQ(contactPage[row][0], std::to_string(i + 1));
        EXPECT_EQ(contactPage[row][1], U(contacts[i]->name));
        ++row;
        for (const auto& p : contacts[i]->properties) {
            EXPECT_EQ(contactPage[row][9], U(p.first));
            EXPECT_EQ(contactPage[row][10], U(p.second));
            ++row;
        }
    }
    ASSERT_GE(contacts.size(), 5u);
    std::vector<std::string> labels;
    std::set<std::string> values;
    for (const auto& p : contacts[4]->properties) {
        labels.push_back(U(p.first));
        values.insert(U(p.second));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Mobile", "iPhone", "Mobile (2)", "HomePage",
                                                "Mobile (3)"}));
    EXPECT_EQ(values.size(), labels.size());
    // Values without a label ("", then "(2)") and an address kept in parts have their rows too.
    std::set<std::pair<std::string, std::string>> pairs;
    for (const auto& line : contactPage) {
        if (line.size() == 11 && line[0].empty()) pairs.emplace(line[9], line[10]);
    }
    EXPECT_EQ(pairs.count({"Home", "8 Infinite Loop, Cupertino, CA, 95014, United States"}), 1u);
    EXPECT_EQ(pairs.count({"Home", "3 Infinite Loop, München, 80331, Germany"}), 1u);
    std::size_t unlabeled = 0, second = 0;
    for (const auto& pair : pairs) {
        if (pair.first.empty() && !pair.second.empty()) ++unlabeled;
        if (pair.first == "(2)") ++second;
    }
    EXPECT_GT(unlabeled, 1u);
    EXPECT_GT(second, 0u);

    for (std::uint32_t kind :
         {KIND_SMS_ATTACHMENTS, KIND_VOICE_MEMOS, KIND_CAMERA_ROLL, KIND_PHOTOS}) {
        SCOPED_TRACE(kind);
        TempDir media;
        export_test::RunExport(kind, records_[kind], All(kind), media.Path());
        const auto copies = SnapshotTree(media.Path());
        std::map<std::string, std::string> expected;
        std::string missing;
        auto expect = [&](const wxString& name, const std::string& source) {
            struct stat st;
            if (stat(source.c_str(), &st) != 0) {
                // Not stored: no copy, a line in the list beside the copies.
                missing += U(name) + "\tnot in the backup\n";
                return;
            }
            expected[DomainExport::SafeFileName(U(name))] = gen::ReadFile(source);
        };
        if (kind == KIND_VOICE_MEMOS) {
            for (const VoiceMemos* m : *static_cast<VoiceMemosList*>(records_[kind])) {
                expect(m->name, m->path);
            }
        } else {
            for (const Photo* ph : *static_cast<PhotoList*>(records_[kind])) {
                expect(ph->file_name, ph->path);
            }
        }
        EXPECT_FALSE(expected.empty());
        if (!missing.empty()) expected["Not recovered.txt"] = missing;
        EXPECT_EQ(copies, expected);
    }
    // The backup is evidence: exporting changed nothing in it.
    EXPECT_EQ(SnapshotTree(folder_), before);
}

// A recovery into the backup would change the evidence: the folder of the backups, a backup
// folder (listed or not), any folder inside them, and links that lead there are refused before
// anything is written, by the export task itself, with a message in the user's language.
TEST_F(ExportGeneratedBackup, NothingIsWrittenIntoABackup) {
    const std::string root = backup_.BackupRoot();
    const std::string device = folder_.substr(0, folder_.size() - 1);
    TempDir elsewhere;
    // Folders that look like backups without being listed: one file of the two is enough.
    gen::MakeDirs(elsewhere / "old phone");
    gen::MakeDirs(elsewhere / "older phone/Snapshot");
    gen::WriteFile(elsewhere / "old phone/Info.plist", "<plist/>");
    gen::WriteFile(elsewhere / "older phone/Manifest.mbdb", "mbdb");
    gen::MakeDirs(device + "/Inside");
    ASSERT_EQ(symlink(device.c_str(), (elsewhere / "to the backup").c_str()), 0);
    ASSERT_EQ(symlink((device + "/not yet").c_str(), (elsewhere / "dangling").c_str()), 0);
    gen::MakeDirs(elsewhere / "plain");
    struct Case {
        const char* name;
        std::string folder;
        std::string in;  // the backup named in the message
        bool root;
    };
    const Case refused[] = {
        {"the folder of the backups", root, root, true},
        {"a new folder in it", root + "/Recovered", root, true},
        {"the backup folder", device, device, false},
        {"the backup folder with a slash", folder_, device, false},
        {"a folder inside it", device + "/Inside", device, false},
        {"a folder inside it not made yet", device + "/Inside/new/deeper", device, false},
        {"dot-dot into it", elsewhere / ("plain/../to the backup/x"), device, false},
        {"a link to it", elsewhere / "to the backup", device, false},
        {"a link into it that leads nowhere yet", elsewhere / "dangling", device, false},
        {"an unlisted folder with Info.plist", elsewhere / "old phone", elsewhere / "old phone",
         false},
        {"inside one with Manifest.mbdb", elsewhere / "older phone/Snapshot",
         elsewhere / "older phone", false},
    };
    const auto before = SnapshotTree(backup_.AppData());
    std::unique_ptr<wxLocale> german(
        LanguageLocale::Install(89, AppUtil::GetAppRoot() + "/Language"));
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        std::string in;
        bool isRoot = false;
        EXPECT_FALSE(ExportDestination::MayWriteInto(c.folder, &in, &isRoot));
        EXPECT_EQ(in, c.in);
        EXPECT_EQ(isRoot, c.root);
        for (std::uint32_t kind : {KIND_NOTES, KIND_CAMERA_ROLL}) {
            const ExportOutcome outcome =
                export_test::RunExport(kind, records_[kind], All(kind), c.folder);
            EXPECT_TRUE(outcome.refused);
            EXPECT_EQ(outcome.recovered, 0);
            EXPECT_EQ(outcome.refusedIn, c.in);
            const std::string told = outcome.Describe().utf8_string();
            EXPECT_EQ(told.rfind("Nichts wurde nach", 0), 0u) << told;
            EXPECT_NE(told.find(c.in), std::string::npos) << told;
        }
    }
    german.reset();
    EXPECT_EQ(ExportDestination::DescribeRefusal(device + "/Inside", device, false).utf8_string(),
              "Nothing was recovered into \"" + device + "/Inside\": it lies in the backup \"" +
                  device + "\", which is never changed. Choose a folder outside it.");
    // Not a byte changed, and no folder was made.
    EXPECT_EQ(SnapshotTree(backup_.AppData()), before);
    struct stat st;
    EXPECT_NE(lstat((device + "/Inside/new").c_str(), &st), 0);
    EXPECT_NE(lstat((device + "/not yet").c_str(), &st), 0);
    EXPECT_NE(lstat((root + "/Recovered").c_str(), &st), 0);

    // Beside the backups, and above them, a recovery writes.
    for (const std::string& folder : {elsewhere / "plain", backup_.OutputFolder("beside")}) {
        SCOPED_TRACE(folder);
        EXPECT_TRUE(ExportDestination::MayWriteInto(folder));
        const ExportOutcome outcome =
            export_test::RunExport(KIND_NOTES, records_[KIND_NOTES], All(KIND_NOTES), folder);
        EXPECT_FALSE(outcome.refused);
        EXPECT_EQ(outcome.recovered, static_cast<int>(All(KIND_NOTES).size()));
    }
    EXPECT_TRUE(ExportDestination::MayWriteInto(backup_.AppData()));
}

// The folder is opened once and every file goes into the folder that was opened: a folder
// swapped for a link to the backup after that receives the pages and copies, the backup nothing,
// and the outcome counts exactly what is in the opened folder.
TEST_F(ExportGeneratedBackup, AFolderSwappedForALinkAfterItWasOpenedSendsNothingThrough) {
    const std::string device = folder_.substr(0, folder_.size() - 1);
    const auto before = SnapshotTree(backup_.AppData());
    for (std::uint32_t kind : {KIND_CAMERA_ROLL, KIND_NOTES}) {
        SCOPED_TRACE(kind);
        TempDir elsewhere;
        const std::string chosen = elsewhere / "chosen";
        gen::MakeDirs(chosen);
        export_test::EventSink sink;
        RecoverRequest* request =
            export_test::MakeRequest(kind, records_[kind], All(kind), chosen, &sink);
        ASSERT_TRUE(DomainExport::OpenFolder(request));
        // Swapped after the open, before the first file.
        ASSERT_EQ(std::rename(chosen.c_str(), (elsewhere / "opened").c_str()), 0);
        ASSERT_EQ(symlink(device.c_str(), chosen.c_str()), 0);
        DomainExport::ExportTask(request);
        const ExportOutcome outcome = sink.LastOutcome();
        EXPECT_FALSE(outcome.refused);
        const auto files = SnapshotTree(elsewhere / "opened");
        const std::size_t list = outcome.listFile.empty() ? 0 : 1;
        if (kind == KIND_NOTES) {
            EXPECT_EQ(files.size(), 1 + list);
            EXPECT_EQ(files.count(outcome.page), 1u);
        } else {
            EXPECT_EQ(files.size(), static_cast<std::size_t>(outcome.recovered) + list);
        }
        EXPECT_GT(outcome.recovered, 0);
        EXPECT_EQ(outcome.recovered + outcome.failed, outcome.checked);
        for (const auto& f : files) EXPECT_EQ(f.first.find(".partial"), std::string::npos);
    }
    EXPECT_EQ(SnapshotTree(backup_.AppData()), before);
}

// A bind mount shows a backup (or the folder of the backups) under a path of its own, which no
// comparison of paths recognises: what the folder is, is checked. Mounted in a private mount
// namespace of a child, as "unshare -Urm" does.
TEST_F(ExportGeneratedBackup, ABindMountOfABackupIsRefused) {
    const std::string device = folder_.substr(0, folder_.size() - 1);
    const std::string root = backup_.BackupRoot();
    gen::MakeDirs(device + "/Inside");
    TempDir elsewhere;
    gen::MakeDirs(elsewhere / "stick");
    gen::MakeDirs(elsewhere / "all");
    const auto before = SnapshotTree(backup_.AppData());
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    const std::vector<int> notes = All(KIND_NOTES);
    const std::vector<int> pictures = All(KIND_CAMERA_ROLL);
    void* noteRecords = records_[KIND_NOTES];
    void* pictureRecords = records_[KIND_CAMERA_ROLL];
    const testing_support::ChildRun run = testing_support::RunInChild([&]() -> std::string {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return std::string("unshare: ") + std::strerror(errno);
        }
        auto put = [](const char* file, const std::string& text) {
            std::ofstream out(file);
            out << text;
            return static_cast<bool>(out.flush());
        };
        if (!put("/proc/self/setgroups", "deny") ||
            !put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
            !put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n")) {
            return "unshare: no id map";
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(device.c_str(), (elsewhere / "stick").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(root.c_str(), (elsewhere / "all").c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return std::string("unshare: mount: ") + std::strerror(errno);
        }
        struct stat st;
        if (stat((elsewhere / "stick/Info.plist").c_str(), &st) != 0) return "mount shows nothing";
        const std::string folders[] = {elsewhere / "stick", elsewhere / "stick/Inside",
                                       elsewhere / "all", elsewhere / "all/Recovered"};
        std::string report;
        for (const std::string& folder : folders) {
            if (ExportDestination::MayWriteInto(folder)) report += "allowed " + folder + "\n";
            const ExportOutcome n = export_test::RunExport(KIND_NOTES, noteRecords, notes, folder);
            const ExportOutcome c =
                export_test::RunExport(KIND_CAMERA_ROLL, pictureRecords, pictures, folder);
            if (!n.refused || !c.refused || n.recovered + c.recovered != 0) {
                report += "written into " + folder + "\n";
            }
        }
        return report;
    });
    if (run.report.rfind("unshare", 0) == 0)
        GTEST_SKIP() << "no private mount here: " << run.report;
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
    EXPECT_EQ(SnapshotTree(backup_.AppData()), before);
}

TEST_F(ExportGeneratedBackup, PagesRenderInTheBrowser) {
    if (export_test::Browser::Path().empty()) {
        const char* ci = std::getenv("CI");
        if (ci != nullptr && *ci != '\0') FAIL() << "CI is set and no Chromium is installed";
        GTEST_SKIP() << "no Chromium installed";
    }
    TempDir out;
    for (std::uint32_t kind : {KIND_CONTACTS, KIND_MESSAGES}) {
        export_test::RunExport(kind, records_[kind], All(kind), out.Path());
    }
    for (const char* file : {"Contacts.html", "Messages.html"}) {
        SCOPED_TRACE(file);
        const Grid grid = export_test::ReadPageData(out / file);
        const std::string dom = export_test::Browser::DumpDom(export_test::FileUrl(out / file));
        ASSERT_FALSE(dom.empty());
        const auto table = export_test::ParseRendered(dom);
        EXPECT_EQ(table.header, grid[0]);
        ASSERT_EQ(table.rows.size(), grid.size() - 1);
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            EXPECT_EQ(table.rows[i].cells, grid[i + 1]) << "row " << i;
            EXPECT_EQ(table.rows[i].cls, grid[i + 1][0].empty() ? "child" : "parent");
        }
    }
}

}  // namespace
