// Every table kind's page: file name, title, header, rows for generated records, numbering,
// sub-rows; the task's dispatch, its done event and the catalog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/app_util.h"
#include "common/string_util.h"
#include "common/task_thread.h"
#include "domain/domain_export.h"
#include "domain/language_locale.h"
#include "export/export_fixture.h"
#include "gen/backup_gen.h"
#include "support/test_support.h"

namespace {

using export_test::Grid;
using export_test::Records;
using export_test::RunExport;
using testing_support::SnapshotTree;
using testing_support::TempDir;

std::string U(const wxString& s) {
    std::string out;
    StringUtil::AppendUtf8(out, s);
    return out;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

struct KindCase {
    std::uint32_t kind;
    const char* file;
    const char* title;
    std::vector<std::string> header;
};

const std::vector<KindCase>& KindCases() {
    static const std::vector<KindCase> cases = {
        {KIND_CALL_HISTORY,
         "Call History.html",
         "Call History",
         {"Name", "Phone Number", "Date Time", "Duration", "Type"}},
        {KIND_CONTACTS,
         "Contacts.html",
         "Contacts",
         {"ID", "Name", "Organization", "Department", "Note", "Birthday", "Job Title", "Nick Name",
          "Create Date", "Type", "Value"}},
        {KIND_MESSAGES,
         "Messages.html",
         "Messages",
         {"ID", "Name", "Phone Number", "Message", "Date Time", "Type", "Text"}},
        {KIND_NOTES, "Notes.html", "Notes", {"Date Time", "Title", "Contents"}},
        {KIND_SAFARI, "Safari.html", "Safari", {"Title", "Type", "Url"}},
        {KIND_CALENDAR,
         "Calendar.html",
         "Calendar",
         {"Title", "Location", "Description", "Url", "Start Date Time", "End Date Time", "Area",
          "All Day"}},
        {KIND_REMINDERS,
         "Reminders.html",
         "Reminders",
         {"Title", "Location", "Description", "Status", "Start Date Time", "Area"}},
    };
    return cases;
}

// The rows a kind's page must hold for the records at the checked positions.
Grid ExpectedRows(Records& r, std::uint32_t kind, const std::vector<int>& checked) {
    Grid rows;
    int number = 0;
    for (int index : checked) {
        ++number;
        const std::string n = std::to_string(number);
        switch (kind) {
            case KIND_CALL_HISTORY: {
                const CallHistory* c = r.calls[index];
                rows.push_back({U(c->name), U(c->address), U(c->date), U(c->duration), U(c->type)});
                break;
            }
            case KIND_CONTACTS: {
                const Contact* c = r.contacts[index];
                rows.push_back({n, U(c->name), U(c->organization), U(c->department), U(c->note),
                                U(c->birthday), U(c->jobTitle), U(c->nickName), U(c->creationDate),
                                "-", "-"});
                for (const auto& p : c->properties) {
                    rows.push_back({"", "", "", "", "", "", "", "", "", U(p.first), U(p.second)});
                }
                break;
            }
            case KIND_MESSAGES: {
                const Sms* s = r.chats[index];
                rows.push_back({n, U(s->another), U(s->phone), "->", "-", "-", "-"});
                for (const Message* m : s->messages) {
                    rows.push_back(
                        {"", "", "", "->", U(m->date), m->type ? "Sent" : "Received", U(m->text)});
                }
                break;
            }
            case KIND_NOTES: {
                const Note* c = r.notes[index];
                rows.push_back({U(c->create_date), U(c->title), U(c->body)});
                break;
            }
            case KIND_SAFARI: {
                const SafariHistory* c = r.visits[index];
                rows.push_back({U(c->title), U(c->type), U(c->url)});
                break;
            }
            case KIND_CALENDAR: {
                const Calendar* c = r.events[index];
                rows.push_back({U(c->title), U(c->location), U(c->description), U(c->url),
                                U(c->start_date), U(c->end_date), U(c->area), U(c->all_day)});
                break;
            }
            case KIND_REMINDERS: {
                const Calendar* c = r.reminders[index];
                rows.push_back({U(c->title), U(c->location), U(c->description), U(c->status),
                                U(c->start_date), U(c->area)});
                break;
            }
        }
    }
    return rows;
}

TEST(ExportKinds, EveryTableKindWritesItsPage) {
    Records records;
    export_test::FillRecords(records, 7, 12);
    // Not every record, not in a row: the numbering follows the export, not the grid.
    const std::vector<int> checked = {0, 2, 3, 5, 7, 8, 11};
    for (const KindCase& c : KindCases()) {
        SCOPED_TRACE(c.title);
        TempDir out;
        RunExport(c.kind, export_test::ItemsOf(records, c.kind), checked, out.Path());
        const auto files = SnapshotTree(out.Path());
        ASSERT_EQ(files.size(), 1u);
        ASSERT_EQ(files.begin()->first, c.file);
        const std::string page = out / c.file;
        EXPECT_EQ(export_test::ReadPageTitle(page), c.title);
        const Grid grid = export_test::ReadPageData(page);
        ASSERT_FALSE(grid.empty());
        EXPECT_EQ(grid[0], c.header);
        const Grid expected = ExpectedRows(records, c.kind, checked);
        ASSERT_EQ(grid.size(), expected.size() + 1);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(grid[i + 1].size(), c.header.size()) << "row " << i + 1;
            EXPECT_EQ(grid[i + 1], expected[i]) << "row " << i + 1;
        }
    }
    // A caller that gives the folder only as its readable text gets the same page, in that
    // folder (not in a folder named after the page).
    TempDir out;
    export_test::EventSink sink;
    RecoverRequest* request = export_test::MakeRequest(
        KIND_NOTES, export_test::ItemsOf(records, KIND_NOTES), checked, std::string(), &sink);
    request->outputDir = wxString::FromUTF8(out.Path().c_str());
    DomainExport::ExportTask(request);
    EXPECT_EQ(sink.LastOutcome().recovered, static_cast<int>(checked.size()));
    const auto files = SnapshotTree(out.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, "Notes.html");
}

TEST(ExportKinds, SubRowsOfContactsAndConversations) {
    Records r;
    auto* lone = new Contact();
    lone->name = export_test::W("Lone");
    r.contacts.push_back(lone);
    auto* twice = new Contact();
    twice->name = export_test::W("Twice");
    twice->properties.emplace_back(export_test::W("_$!<Mobile>!$_"), export_test::W("1"));
    twice->properties.emplace_back(export_test::W("_$!<Mobile>!$_"), export_test::W("2"));
    r.contacts.push_back(twice);

    auto* silent = new Sms();
    silent->phone = export_test::W("+15550001");
    r.chats.push_back(silent);
    auto* busy = new Sms();
    busy->another = export_test::W("Bo");
    const std::uint64_t types[] = {0, 1, 2, std::numeric_limits<std::uint64_t>::max()};
    for (std::uint64_t t : types) {
        auto* m = new Message();
        m->type = t;
        m->text = export_test::W("t");
        busy->messages.push_back(m);
    }
    r.chats.push_back(busy);

    TempDir out;
    RunExport(KIND_CONTACTS, &r.contacts, {0, 1}, out.Path());
    Grid contacts = export_test::ReadPageData(out / "Contacts.html");
    ASSERT_EQ(contacts.size(), 5u);
    EXPECT_EQ(contacts[1][0], "1");
    EXPECT_EQ(contacts[2][0], "2");
    EXPECT_EQ(contacts[3][9], "_$!<Mobile>!$_");
    EXPECT_EQ(contacts[3][10], "1");
    EXPECT_EQ(contacts[4][10], "2");

    RunExport(KIND_MESSAGES, &r.chats, {1, 0}, out.Path());
    Grid chats = export_test::ReadPageData(out / "Messages.html");
    ASSERT_EQ(chats.size(), 7u);
    EXPECT_EQ(chats[1], (std::vector<std::string>{"1", "Bo", "", "->", "-", "-", "-"}));
    EXPECT_EQ(chats[2][5], "Received");
    EXPECT_EQ(chats[3][5], "Sent");
    EXPECT_EQ(chats[4][5], "Sent");
    EXPECT_EQ(chats[5][5], "Sent");
    EXPECT_EQ(chats[6], (std::vector<std::string>{"2", "", "+15550001", "->", "-", "-", "-"}));
}

TEST(ExportKinds, NothingCheckedWritesNothing) {
    Records records;
    export_test::FillRecords(records, 1, 3);
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        TempDir out;
        RunExport(kind, export_test::ItemsOf(records, kind), {}, out.Path());
        EXPECT_TRUE(SnapshotTree(out.Path()).empty()) << "kind " << kind;
    }
}

TEST(ExportKinds, PositionsOutsideTheRecordsAreSkipped) {
    Records records;
    export_test::FillRecords(records, 1, 3);
    TempDir out;
    RunExport(KIND_CONTACTS, &records.contacts, {-1, 1, 3, 1000}, out.Path());
    const Grid grid = export_test::ReadPageData(out / "Contacts.html");
    ASSERT_GE(grid.size(), 2u);
    EXPECT_EQ(grid[1][0], "1");
    EXPECT_EQ(grid[1][1], U(records.contacts[1]->name));
    EXPECT_EQ(grid.size(), 2 + records.contacts[1]->properties.size());
    // No items at all.
    TempDir none;
    RunExport(KIND_NOTES, nullptr, {0}, none.Path());
    const Grid empty = export_test::ReadPageData(none / "Notes.html");
    EXPECT_EQ(empty.size(), 1u);
    // No folder: nothing is written, not into "/" either.
    const ExportOutcome nowhere = RunExport(KIND_NOTES, &records.notes, {0}, "");
    EXPECT_EQ(nowhere.recovered, 0);
    EXPECT_EQ(nowhere.failed, 1);
    EXPECT_FALSE(Exists("/Notes.html"));
}

TEST(ExportKinds, LaterExportKeepsTheEarlierPage) {
    Records records;
    export_test::FillRecords(records, 3, 6);
    TempDir out;
    gen::WriteFile(out / "Notes (2).html", "a file of the user's");
    RunExport(KIND_NOTES, &records.notes, {0, 1, 2, 3}, out.Path());
    RunExport(KIND_NOTES, &records.notes, {5}, out.Path());
    EXPECT_EQ(export_test::ReadPageData(out / "Notes.html").size(), 5u);
    EXPECT_EQ(gen::ReadFile(out / "Notes (2).html"), "a file of the user's");
    const Grid grid = export_test::ReadPageData(out / "Notes (3).html");
    ASSERT_EQ(grid.size(), 2u);
    EXPECT_EQ(grid[1][1], U(records.notes[5]->title));
}

TEST(ExportTask, QueuesDoneForEveryKindAndDeletesTheRequest) {
    Records records;
    export_test::FillRecords(records, 5, 2);
    for (std::uint32_t kind : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 200u}) {
        SCOPED_TRACE(kind);
        TempDir out;
        export_test::EventSink sink;
        RecoverRequest* request = export_test::MakeRequest(
            kind, export_test::ItemsOf(records, kind), {0, 1}, out.Path(), &sink);
        DomainExport::ExportTask(request);  // deletes the request (the leak check sees it)
        EXPECT_EQ(sink.Ids(), std::vector<int>{ID_RECOVER_DONE});
        if (kind > 10) {
            EXPECT_TRUE(SnapshotTree(out.Path()).empty());
        }
    }
    // Without a target nothing is queued, and a null request is ignored.
    DomainExport::ExportTask(nullptr);
}

TEST(ExportTask, RunsOnItsOwnThreadBesideOthers) {
    Records records;
    export_test::FillRecords(records, 9, 40);
    TempDir out;
    export_test::EventSink sink;
    const std::uint32_t kinds[] = {KIND_CALL_HISTORY, KIND_CONTACTS, KIND_MESSAGES, KIND_NOTES};
    std::vector<int> all;
    for (int i = 0; i < 40; ++i) all.push_back(i);
    for (std::uint32_t kind : kinds) {
        RecoverRequest* request = export_test::MakeRequest(
            kind, export_test::ItemsOf(records, kind), all, out.Path(), &sink);
        TaskThread::Start(new TaskThread(request, &DomainExport::ExportTask));
    }
    for (int i = 0; i < 30000 && sink.Count() < 4; ++i) wxMilliSleep(10);  // the hang guard
    ASSERT_EQ(sink.Count(), 4u);
    EXPECT_EQ(SnapshotTree(out.Path()).size(), 4u);
    EXPECT_EQ(export_test::ReadPageData(out / "Call History.html").size(), 41u);
}

TEST(ExportCatalog, HeaderAndPageNameTranslateTitleStaysEnglish) {
    TempDir out;
    Records records;
    export_test::FillRecords(records, 2, 2);
    RecoverRequest* request;
    {
        export_test::ScopedCatalog french({{"Name", "Nom"},
                                           {"Organization", "Organisation"},
                                           {"/Contacts.html", "/Contacts (fr).html"},
                                           {"Contacts", "Le carnet"}});
        request = export_test::MakeRequest(KIND_CONTACTS, &records.contacts, {0}, out.Path());
    }
    // The language changes (here: the catalog goes away) before the worker runs: the export
    // keeps the language it was asked in.
    DomainExport::ExportTask(request);
    const std::string page = out / "Contacts (fr).html";
    ASSERT_TRUE(Exists(page));
    EXPECT_EQ(export_test::ReadPageTitle(page), "Contacts");
    const Grid grid = export_test::ReadPageData(page);
    ASSERT_FALSE(grid.empty());
    EXPECT_EQ(grid[0][0], "ID");
    EXPECT_EQ(grid[0][1], "Nom");
    EXPECT_EQ(grid[0][2], "Organisation");
    EXPECT_EQ(grid[0][3], "Department");

    // Without a catalog the literals stand.
    TempDir english;
    RunExport(KIND_CONTACTS, &records.contacts, {0}, english.Path());
    EXPECT_EQ(export_test::ReadPageData(english / "Contacts.html")[0][1], "Name");
}

TEST(ExportCatalog, EveryKindHasLabelsAfterConstruction) {
    RecoverRequest request;
    for (const KindCase& c : KindCases()) {
        EXPECT_EQ(request.labels[c.kind].page, std::string("/") + c.file);
        EXPECT_EQ(request.labels[c.kind].header, c.header);
    }
    for (std::uint32_t kind : {3u, 8u, 9u, 10u}) {
        EXPECT_TRUE(request.labels[kind].page.empty());
        EXPECT_TRUE(request.labels[kind].header.empty());
    }
}

// What the kind screen tells the user when a recovery of a page ends, or when its folder cannot
// be made, with the shipped catalogs: English (the literals) and German. The message counts the
// rows the user checked; a page that cannot be written loses all of them, each named by its first
// non-empty cell, the first ten in the message and all in the list beside.
TEST(ExportCatalog, PageMessagesCountTheCheckedRowsInTheUsersLanguage) {
    Records records;
    export_test::FillRecords(records, 4, 40);
    std::vector<int> all;
    for (int i = 0; i < 40; ++i) all.push_back(i);
    // A call without a name is named by its number.
    ASSERT_TRUE(records.calls[0]->name.empty());
    std::vector<std::string> names;
    for (const CallHistory* c : records.calls)
        names.push_back(U(c->name.empty() ? c->address : c->name));
    struct Language {
        int number;
        const char* page;
        const char* written;  // %s: the folder
        const char* lost;     // the lines before the names
        const char* more;
        const char* list;    // the list could not be written either
        const char* reason;  // the reason in the list
        const char* folder;
    };
    const Language languages[] = {
        {58, "Call History.html", "40 calls were recovered into Call History.html in \"%s\".",
         "0 of 40 calls were recovered into \"%s\".\n"
         "40 could not be written: Not a directory.",
         "and 30 more.",
         "The list of the items not recovered could not be written: Not a directory.",
         "Not a directory",
         "The folder \"/media/stick/x\" cannot be created: Read-only file system."},
        {89, "Anrufliste.html",
         "40 Anrufe wurden in die Datei Anrufliste.html im Ordner \xE2\x80\x9E%s\xE2\x80\x9C "
         "wiederhergestellt.",
         "0 von 40 Anrufen wurden in \xE2\x80\x9E%s\xE2\x80\x9C wiederhergestellt.\n"
         "40 konnten nicht geschrieben werden: Kein Verzeichnis.",
         "und 30 weitere.",
         "Die Liste der nicht wiederhergestellten Elemente konnte nicht geschrieben werden: "
         "Kein Verzeichnis.",
         "Kein Verzeichnis",
         "Der Ordner \xE2\x80\x9E/media/stick/x\xE2\x80\x9C kann nicht angelegt werden: "
         "Schreibgesch\xC3\xBCtztes Dateisystem."},
    };
    auto format = [](const char* text, const std::string& folder) {
        std::string out = text;
        out.replace(out.find("%s"), 2, folder);
        return out;
    };
    for (const Language& l : languages) {
        SCOPED_TRACE(l.number);
        std::unique_ptr<wxLocale> locale(
            LanguageLocale::Install(l.number, AppUtil::GetAppRoot() + "/Language"));
        TempDir out;
        const ExportOutcome page = RunExport(KIND_CALL_HISTORY, &records.calls, all, out.Path());
        EXPECT_EQ(page.checked, 40);
        EXPECT_EQ(page.recovered, 40);
        EXPECT_EQ(page.page, l.page);
        EXPECT_EQ(page.Describe().utf8_string(), format(l.written, out.Path()));
        // Nothing failed: no list.
        EXPECT_EQ(SnapshotTree(out.Path()).size(), 1u);

        // A folder under a file takes no page: every row is lost.
        gen::WriteFile(out / "plain", "a file of the user's");
        const std::string under = out / "plain/sub";
        const ExportOutcome lost = RunExport(KIND_CALL_HISTORY, &records.calls, all, under);
        EXPECT_EQ(lost.recovered, 0);
        EXPECT_EQ(lost.failed, 40);
        ASSERT_EQ(lost.failures.size(), 40u);
        // That the list is missing stands beside the counts.
        std::string expected = format(l.lost, under) + "\n" + l.list;
        for (int i = 0; i < ExportOutcome::kNamesShown; ++i) expected += "\n- " + names[i];
        expected += std::string("\n") + l.more;
        EXPECT_EQ(lost.Describe().utf8_string(), expected);
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(lost.failures[i].name, names[i]);
            EXPECT_EQ(lost.failures[i].reason, "Not a directory");
        }
        EXPECT_EQ(ExportFailureList::Text({lost.failures[0]}, RecoverRequest().reasonTexts),
                  names[0] + "\t" + l.reason + "\n");
        EXPECT_EQ(ExportOutcome::DescribeFolderFailure("/media/stick/x", "Read-only file system")
                      .utf8_string(),
                  l.folder);
    }
}

TEST(ExportFolder, MissingFolderIsMadeWithItsParents) {
    TempDir dir;
    std::string reason;
    EXPECT_TRUE(ExportOutcome::MakeFolder(dir / "a/b/c", &reason));
    struct stat st;
    ASSERT_EQ(stat((dir / "a/b/c").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_TRUE(ExportOutcome::MakeFolder(dir / "a/b/c/", &reason));
    // A name that is not UTF-8 is made as it stands.
    EXPECT_TRUE(ExportOutcome::MakeFolder(dir / "caf\xE9", &reason));
    ASSERT_EQ(stat((dir / "caf\xE9").c_str(), &st), 0);

    gen::WriteFile(dir / "file", "the user's");
    for (const std::string& path : {dir / "file", dir / "file/sub"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ExportOutcome::MakeFolder(path, &reason));
        EXPECT_EQ(reason, "Not a directory");
    }
    EXPECT_EQ(gen::ReadFile(dir / "file"), "the user's");
    EXPECT_FALSE(ExportOutcome::MakeFolder(std::string(), &reason));

    export_test::ScopedTmpfs readOnly(dir / "a", 64 * 1024);
    if (readOnly.Mounted() && readOnly.MakeReadOnly()) {
        EXPECT_FALSE(ExportOutcome::MakeFolder(dir / "a/new", &reason));
        EXPECT_EQ(reason, "Read-only file system");
    }
}

}  // namespace
