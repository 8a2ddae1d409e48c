// The kind screen over a generated backup: the scan fills the tree labels in the fixed order and
// ends with Back enabled and a full gauge; every kind fills its grid; a conversation shows its
// bubbles; thumbnails arrive in batches; Recover without checks, with a cancelled folder and into
// a real folder; Back and the next visit.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/ffile.h>
#include <wx/gauge.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/task_thread.h"
#include "domain/domain_export.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain/language_locale.h"
#include "domain/picture_probe.h"
#include "screens_fixture.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"
#include "window/content/pv_kind_message_window.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"

namespace screens_test {
namespace {

const char* const kNames[kKindCount] = {
    "Call History", "Contacts",  "Messages",    "Sms Attachments", "Notes", "Safari",
    "Calendar",     "Reminders", "Voice Memos", "Camera Roll",     "Photos"};

std::string Utf8(const wxString& s) {
    return s.utf8_string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int VisibleColumns(RkGrid* grid) {
    int n = 0;
    for (int col = 0; col < grid->GetNumberCols(); ++col)
        if (grid->GetColSize(col) > 0) ++n;
    return n;
}

PvPhotoCheckCellRender* Check(RkGrid* grid, int row, int col) {
    return dynamic_cast<PvPhotoCheckCellRender*>(grid->PeekCellRenderer(row, col));
}

// Rows of five; every batch of twenty starts a new row, so the last row of a batch may be short.
int ThumbnailRows(int n) {
    return (n / 20) * 4 + ((n % 20) + 4) / 5;
}

using KindScreen = ScreensTest;

TEST_F(KindScreen, ScanLabelsEveryKindWithItsCountAndEndsWithBackEnabled) {
    Build({Options()});
    ASSERT_EQ(list_->GetDevices().size(), 1u);
    // Before the first result the grid shows no placeholder columns.
    EXPECT_EQ(VisibleColumns(kind_->GetMainGrid()), 0);
    list_->GetGrid()->SelectRow(0);
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    // The list screen handed over: it hides, the kind screen scans with Back disabled.
    EXPECT_FALSE(list_->IsShown());
    EXPECT_TRUE(kind_->IsShown());
    EXPECT_FALSE(kind_->GetBackButton()->IsEnabled());
    EXPECT_EQ(kind_->GetTotalJobs(), 11);
    ASSERT_TRUE(WaitIdle());

    Device* device = kind_->GetDevice();
    ASSERT_EQ(device, list_->GetDevices()[0]);
    // The tree holds the eleven kinds in kind order, each labelled with its count.
    PvTreeCtrl* tree = kind_->GetTree();
    wxTreeItemIdValue cookie;
    wxTreeItemId item = tree->GetFirstChild(tree->GetRootItem(), cookie);
    std::size_t total = 0;
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        ASSERT_TRUE(item.IsOk()) << k;
        EXPECT_EQ(item, kind_->GetKindItem(k));
        ASSERT_TRUE(device->HasResults(k)) << kNames[k];
        const std::size_t count = device->Count(k);
        total += count;
        EXPECT_EQ(Utf8(tree->GetItemText(item)),
                  std::string(kNames[k]) + " (" + std::to_string(count) + ")");
        item = tree->GetNextChild(tree->GetRootItem(), cookie);
    }
    EXPECT_FALSE(item.IsOk());
    EXPECT_GT(total, 0u);
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    EXPECT_EQ(kind_->GetGauge()->GetValue(), 100);
    EXPECT_EQ(kind_->GetTotalJobs(), 0);
    // The call history came first and is shown.
    EXPECT_EQ(tree->GetSelection(), kind_->GetKindItem(KIND_CALL_HISTORY));
    EXPECT_EQ(kind_->GetCurrentKind(), static_cast<int>(KIND_CALL_HISTORY));
    EXPECT_EQ(static_cast<std::size_t>(kind_->GetMainGrid()->GetNumberRows()),
              device->Count(KIND_CALL_HISTORY));
}

TEST_F(KindScreen, EveryTableKindFillsTheGridWithItsRecords) {
    Build({Options()});
    ScanRow(0);
    Device* device = kind_->GetDevice();
    RkGrid* grid = kind_->GetMainGrid();

    struct Row {
        std::uint32_t kind;
        int columns;
        const char* label0;
        // The texts a record shows, first field first.
        std::vector<std::string> (*fields)(const void* records, std::size_t i);
    };
    const Row rows[] = {
        {KIND_CALL_HISTORY, 5, "Name",
         [](const void* r, std::size_t i) {
             const CallHistory* c = (*static_cast<const CallHistoryList*>(r))[i];
             return std::vector<std::string>{Utf8(c->name), Utf8(c->address), Utf8(c->date),
                                             Utf8(c->type), Utf8(c->duration)};
         }},
        {KIND_CONTACTS, 9, "Name",
         [](const void* r, std::size_t i) {
             const Contact* c = (*static_cast<const ContactList*>(r))[i];
             return std::vector<std::string>{
                 Utf8(c->name),     Utf8(c->organization), Utf8(c->department),
                 Utf8(c->note),     Utf8(c->birthday),     Utf8(c->jobTitle),
                 Utf8(c->nickName), Utf8(c->creationDate), "..."};
         }},
        {KIND_NOTES, 3, "Date Time",
         [](const void* r, std::size_t i) {
             const Note* n = (*static_cast<const NoteList*>(r))[i];
             return std::vector<std::string>{Utf8(n->create_date), Utf8(n->title), Utf8(n->body)};
         }},
        {KIND_SAFARI, 3, "Title",
         [](const void* r, std::size_t i) {
             const SafariHistory* s = (*static_cast<const SafariHistoryList*>(r))[i];
             return std::vector<std::string>{Utf8(s->title), Utf8(s->type), Utf8(s->url)};
         }},
        {KIND_CALENDAR, 8, "Title",
         [](const void* r, std::size_t i) {
             const Calendar* c = (*static_cast<const CalendarList*>(r))[i];
             return std::vector<std::string>{
                 Utf8(c->title),      Utf8(c->location), Utf8(c->description), Utf8(c->url),
                 Utf8(c->start_date), Utf8(c->end_date), Utf8(c->area),        Utf8(c->all_day)};
         }},
        {KIND_REMINDERS, 6, "Title",
         [](const void* r, std::size_t i) {
             const Calendar* c = (*static_cast<const CalendarList*>(r))[i];
             return std::vector<std::string>{Utf8(c->title),       Utf8(c->location),
                                             Utf8(c->description), Utf8(c->status),
                                             Utf8(c->start_date),  Utf8(c->area)};
         }},
        {KIND_VOICE_MEMOS, 4, "Name",
         [](const void* r, std::size_t i) {
             const VoiceMemos* v = (*static_cast<const VoiceMemosList*>(r))[i];
             return std::vector<std::string>{Utf8(v->name), Utf8(v->date), Utf8(v->duration),
                                             Utf8(v->size), v->path};
         }},
        {KIND_MESSAGES, 2, "Name",
         [](const void* r, std::size_t i) {
             const Sms* s = (*static_cast<const SmsList*>(r))[i];
             return std::vector<std::string>{Utf8(s->another), Utf8(s->phone)};
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(kNames[row.kind]);
        SelectKind(row.kind);
        const void* records = device->Slot(row.kind);
        const std::size_t count = KindRecordCount(row.kind, records);
        EXPECT_EQ(kind_->GetCurrentKind(), static_cast<int>(row.kind));
        EXPECT_EQ(kind_->GetCurrentGrid(), grid);
        EXPECT_TRUE(grid->IsShown());
        ASSERT_EQ(static_cast<std::size_t>(grid->GetNumberRows()), count);
        EXPECT_EQ(VisibleColumns(grid), row.columns);
        EXPECT_EQ(Utf8(grid->GetColLabelValue(0)), row.label0);
        for (std::size_t i = 0; i < count; ++i) {
            const std::vector<std::string> expected = row.fields(records, i);
            const std::vector<std::string> shown = RowValues(grid, static_cast<int>(i));
            EXPECT_EQ(shown[0], " ");
            for (std::size_t c = 1; c < expected.size(); ++c)
                EXPECT_EQ(shown[c], expected[c].empty() ? " " : expected[c]) << i << ":" << c;
            ASSERT_NE(grid->GetRowTable(), nullptr);
            EXPECT_FALSE(grid->GetRowTable()->IsChecked(static_cast<int>(i)));
        }
        if (row.kind == KIND_MESSAGES) {
            EXPECT_EQ(grid->GetSize().GetWidth(), 280);
            EXPECT_TRUE(kind_->GetMessageView()->IsShown());
        } else {
            EXPECT_FALSE(kind_->GetMessageView()->IsShown());
        }
    }
    // After the conversations another kind regains the full width.
    SelectKind(KIND_NOTES);
    EXPECT_EQ(grid->GetSize().GetWidth(), GetFaceRect(wxS("/face/kindwindow/grid")).width);
}

TEST_F(KindScreen, EmptyKindsAndKindsNotYetArrived) {
    gen::SampleOptions options = Options();
    options.notes = 0;
    Build({options});
    ScanRow(0);
    Device* device = kind_->GetDevice();
    RkGrid* grid = kind_->GetMainGrid();
    // A kind without items: its labels, no rows.
    SelectKind(KIND_NOTES);
    EXPECT_EQ(Utf8(kind_->GetTree()->GetItemText(kind_->GetKindItem(KIND_NOTES))), "Notes (0)");
    EXPECT_EQ(kind_->GetCurrentKind(), static_cast<int>(KIND_NOTES));
    EXPECT_EQ(grid->GetNumberRows(), 0);
    EXPECT_EQ(Utf8(grid->GetColLabelValue(2)), "Contents");
    EXPECT_EQ(VisibleColumns(grid), 3);

    // A kind whose result has not arrived: the views stay, only the box is unchecked and a
    // narrowed grid regains its width.
    SelectKind(KIND_MESSAGES);
    const int rows = grid->GetNumberRows();
    ASSERT_EQ(grid->GetSize().GetWidth(), 280);
    kind_->GetCheckAllBox()->SetValue(true);
    void* saved = device->ReleaseResults(KIND_SAFARI);
    SelectKind(KIND_SAFARI);
    device->StoreResults(KIND_SAFARI, saved);
    EXPECT_EQ(kind_->GetCurrentKind(), static_cast<int>(KIND_MESSAGES));
    EXPECT_EQ(grid->GetNumberRows(), rows);
    EXPECT_FALSE(kind_->GetCheckAllBox()->GetValue());
    EXPECT_EQ(grid->GetSize().GetWidth(), GetFaceRect(wxS("/face/kindwindow/grid")).width);
}

TEST_F(KindScreen, AConversationShowsItsBubbles) {
    gen::SampleOptions options = Options();
    options.messages = 90;  // conversations longer than the view
    Build({options});
    ScanRow(0);
    SelectKind(KIND_MESSAGES);
    const auto* chats = kind_->GetDevice()->Records<Sms>(KIND_MESSAGES);
    ASSERT_GE(chats->size(), 2u);
    PvKindMessageWindow* view = kind_->GetMessageView();
    for (int row : {1, 0}) {
        kind_->GetMainGrid()->SetGridCursor(row, 1);
        gui_test::PumpFor(0.01);
        const Sms* chat = (*chats)[static_cast<std::size_t>(row)];
        ASSERT_EQ(view->GetBubbles().size(), chat->messages.size()) << row;
        for (std::size_t i = 0; i < chat->messages.size(); ++i) {
            const MessageShow* b = view->GetBubbles()[i];
            EXPECT_EQ(b->bubbleX, chat->messages[i]->type == 1 ? 120 : 2);
            EXPECT_EQ(b->dateText, chat->messages[i]->date);
        }
        ASSERT_FALSE(view->GetBubbles().empty());
        EXPECT_EQ(view->GetBubbles()[0]->bubbleY, 20);
    }
    // A picture for a person to look at.
    gui_test::SaveScreenshot(frame_, gui_test::OutputDir() + wxS("/screens_conversation.png"));
    // Scrolled down in one conversation, another opens at its first message.
    kind_->GetMainGrid()->SetGridCursor(1, 1);
    gui_test::PumpFor(0.01);
    ASSERT_GT(view->GetVirtualSize().GetHeight(), view->GetClientSize().GetHeight())
        << "the conversation fits the view: nothing to scroll";
    view->Scroll(0, view->GetVirtualSize().GetHeight());
    gui_test::PumpFor(0.01);
    ASSERT_GT(view->GetViewStart().y, 0);
    kind_->GetMainGrid()->SetGridCursor(0, 1);
    gui_test::PumpFor(0.01);
    EXPECT_EQ(view->GetViewStart().y, 0);
    EXPECT_EQ(view->GetBubbles()[0]->dateText, (*chats)[0]->messages[0]->date);
    // Other kinds leave the conversation; Back clears it.
    SelectKind(KIND_NOTES);
    EXPECT_FALSE(view->GetBubbles().empty());
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_BACK);
    EXPECT_TRUE(view->GetBubbles().empty());
}

TEST_F(KindScreen, ThumbnailsArriveInBatchesAndStayForTheVisit) {
    gen::SampleOptions options = Options();
    options.photos = 50;
    Build({options});
    ScanRow(0);
    Device* device = kind_->GetDevice();
    for (std::uint32_t k : {KIND_CAMERA_ROLL, KIND_PHOTOS, KIND_SMS_ATTACHMENTS}) {
        SCOPED_TRACE(kNames[k]);
        const auto* photos = device->Records<Photo>(k);
        const int n = static_cast<int>(photos->size());
        SelectKind(k);
        RkGrid* grid = kind_->GetCurrentGrid();
        ASSERT_NE(grid, kind_->GetMainGrid());
        EXPECT_TRUE(grid->IsShown());
        EXPECT_FALSE(kind_->GetMainGrid()->IsShown());
        // A thumbnail load is a job of its own: Back waits for it.
        EXPECT_EQ(kind_->GetPendingJobs(), n > 0 ? 1 : 0);
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
        EXPECT_EQ(kind_->GetGauge()->GetValue(), 100);
        const int expectedRows = ThumbnailRows(n);
        ASSERT_EQ(grid->GetNumberRows(), expectedRows);
        for (int i = 0; i < n; ++i) {
            PvPhotoCheckCellRender* cell = Check(grid, i / 5, i % 5);
            ASSERT_NE(cell, nullptr) << i;
        }
        for (int i = n; i < expectedRows * 5; ++i) EXPECT_EQ(Check(grid, i / 5, i % 5), nullptr);
        if (k == KIND_CAMERA_ROLL)
            gui_test::SaveScreenshot(frame_, gui_test::OutputDir() + wxS("/screens_pictures.png"));

        // A second selection in the same visit loads nothing and adds no row; checks are cleared.
        if (n > 0) Check(grid, 0, 0)->SetChecked(true);
        SelectKind(KIND_NOTES);
        SelectKind(k);
        EXPECT_EQ(kind_->GetPendingJobs(), 0);
        EXPECT_EQ(grid->GetNumberRows(), expectedRows);
        if (n > 0) {
            EXPECT_FALSE(Check(grid, 0, 0)->IsChecked());
        }
    }
    const auto* camera = device->Records<Photo>(KIND_CAMERA_ROLL);
    ASSERT_GT(camera->size(), 20u);

    // After Back the next visit draws the thumbnails from the records, without a job.
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_BACK);
    EXPECT_EQ(kind_->GetCameraRollGrid()->GetNumberRows(), 0);
    ScanRow(0);
    SelectKind(KIND_CAMERA_ROLL);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);
    EXPECT_EQ(kind_->GetCameraRollGrid()->GetNumberRows(),
              ThumbnailRows(static_cast<int>(camera->size())));
}

TEST_F(KindScreen, BatchesLayOutTheirRangeAndIgnoreBadRanges) {
    gen::SampleOptions options = Options();
    options.photos = 40;
    Build({options});
    ScanRow(0);
    SelectKind(KIND_CAMERA_ROLL);
    ASSERT_TRUE(WaitIdle());
    RkGrid* grid = kind_->GetCameraRollGrid();
    const int before = grid->GetNumberRows();
    PhotoList* photos = kind_->GetDevice()->Records<Photo>(KIND_CAMERA_ROLL);
    ASSERT_GE(photos->size(), 7u);
    struct Case {
        const char* text;
        int rows;  // rows added
    };
    const Case cases[] = {
        {"0:6", 2}, {"2:2", 1}, {"5:1", 0}, {"0:999", 0}, {"-1:3", 0}, {"x:3", 0}, {"", 0},
    };
    int rows = before;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        wxThreadEvent event(wxEVT_THREAD, ID_THUMBNAIL_BATCH);
        auto* request = new ScanRequest();
        request->grid = grid;
        request->photos = photos;
        SetEventPointer(event, request);
        event.SetString(c.text);
        wxQueueEvent(kind_->GetEventHandler(), event.Clone());
        gui_test::PumpFor(0.01);
        rows += c.rows;
        EXPECT_EQ(grid->GetNumberRows(), rows);
    }
    // 0:6 gave a row of five and a row of two.
    EXPECT_NE(Check(grid, before + 1, 1), nullptr);
    EXPECT_EQ(Check(grid, before + 1, 2), nullptr);
}

TEST_F(KindScreen, RecoverWithNothingCheckedOnlyTellsSo) {
    Build({Options()});
    ScanRow(0);
    folderAnswer_ = backup_->OutputFolder();
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], wxS("No item selected!"));
    EXPECT_EQ(folderQuestions_, 0);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(folderAnswer_));
}

TEST_F(KindScreen, RecoverWritesTheCheckedRowsIntoTheChosenFolder) {
    Build({Options()});
    ScanRow(0);
    RkGrid* grid = kind_->GetMainGrid();
    ASSERT_GE(grid->GetNumberRows(), 3);
    // A click on column 0 toggles the row's check; on another column it does not.
    ClickCell(grid, 0, 0);
    ClickCell(grid, 1, 2);
    ClickCell(grid, 2, 0);
    ClickCell(grid, 3, 0);
    ClickCell(grid, 3, 0);
    RkGridTable* rows = grid->GetRowTable();
    ASSERT_NE(rows, nullptr);
    EXPECT_TRUE(rows->IsChecked(0));
    EXPECT_FALSE(rows->IsChecked(1));
    EXPECT_TRUE(rows->IsChecked(2));
    EXPECT_FALSE(rows->IsChecked(3));
    std::vector<std::int32_t> checked;
    EXPECT_EQ(kind_->GetCheckedItems(checked), grid);
    EXPECT_EQ(checked, (std::vector<std::int32_t>{0, 2}));

    // A cancelled folder dialog starts nothing.
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    EXPECT_EQ(folderQuestions_, 1);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);

    // A folder under a file cannot be made: the user is told, nothing starts.
    std::ofstream(backup_->OutputFolder() + "/plain") << "a file of the user's";
    folderAnswer_ = backup_->OutputFolder() + "/plain/sub";
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    EXPECT_EQ(folderQuestions_, 2);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], wxString::FromUTF8("The folder \"" + folderAnswer_ +
                                               "\" cannot be created: Not a directory."));

    // A folder that does not exist yet is made, with its parents; the end of the recovery
    // names the folder and what was written.
    folderAnswer_ = backup_->OutputFolder() + "/made/for it";
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    EXPECT_EQ(folderQuestions_, 3);
    EXPECT_FALSE(kind_->GetBackButton()->IsEnabled());
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    EXPECT_EQ(kind_->GetGauge()->GetValue(), 100);
    ASSERT_EQ(messages_.size(), 2u);
    // The message counts the checked rows, not the one page.
    EXPECT_EQ(messages_[1],
              wxString::FromUTF8("2 calls were recovered into Call History.html in \"" +
                                 folderAnswer_ + "\"."));
    const std::string page = ReadFile(folderAnswer_ + "/Call History.html");
    ASSERT_FALSE(page.empty());
    EXPECT_NE(page.find("var data = [["), std::string::npos);
    const auto* calls = kind_->GetDevice()->Records<CallHistory>(KIND_CALL_HISTORY);
    // The checked rows' numbers are in the page, the unchecked row's is not (numbers differ).
    const std::string number0 = Utf8((*calls)[0]->address);
    const std::string number1 = Utf8((*calls)[1]->address);
    const std::string number2 = Utf8((*calls)[2]->address);
    if (!number0.empty()) {
        EXPECT_NE(page.find(number0), std::string::npos);
    }
    if (!number2.empty()) {
        EXPECT_NE(page.find(number2), std::string::npos);
    }
    if (!number1.empty() && number1 != number0 && number1 != number2) {
        EXPECT_EQ(page.find(number1), std::string::npos);
    }

    // A folder in the backup is refused before anything is made, not even the folder.
    const std::string device = backup_->BackupFolder() + "new/for it";
    folderAnswer_ = device;
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    EXPECT_EQ(folderQuestions_, 4);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);
    ASSERT_EQ(messages_.size(), 3u);
    const std::string backupFolder =
        backup_->BackupFolder().substr(0, backup_->BackupFolder().size() - 1);
    EXPECT_EQ(messages_[2], wxString::FromUTF8("Nothing was recovered into \"" + device +
                                               "\": it lies in the backup \"" + backupFolder +
                                               "\", which is never changed. Choose a folder "
                                               "outside it."));
    EXPECT_FALSE(std::filesystem::exists(backup_->BackupFolder() + "new"));

    // A folder whose name is not UTF-8 is made and written as the dialog names it.
    folderAnswer_ = backup_->OutputFolder() + "/caf\xE9";
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(ReadFile(folderAnswer_ + "/Call History.html").empty());
    EXPECT_FALSE(std::filesystem::exists(backup_->OutputFolder() + "/caf\xC3\xA9"));
    ASSERT_EQ(messages_.size(), 4u);
    EXPECT_NE(messages_[3].Find(wxString::FromUTF8("caf\xEF\xBF\xBD\"")), wxNOT_FOUND)
        << messages_[3];

    // "Check All" checks every row, also those never drawn, and clears them again.
    kind_->GetCheckAllBox()->SetValue(true);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    checked.clear();
    kind_->GetCheckedItems(checked);
    ASSERT_EQ(checked.size(), calls->size());
    EXPECT_EQ(checked.back(), static_cast<int>(calls->size()) - 1);
    kind_->GetCheckAllBox()->SetValue(false);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    checked.clear();
    kind_->GetCheckedItems(checked);
    EXPECT_TRUE(checked.empty());
}

TEST_F(KindScreen, CheckAllRecoversEveryPictureAsACopy) {
    Build({Options()});
    ScanRow(0);
    SelectKind(KIND_CAMERA_ROLL);
    ASSERT_TRUE(WaitIdle());
    const auto* photos = kind_->GetDevice()->Records<Photo>(KIND_CAMERA_ROLL);
    ASSERT_FALSE(photos->empty());
    RkGrid* grid = kind_->GetCameraRollGrid();

    kind_->GetCheckAllBox()->SetValue(true);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    std::vector<std::int32_t> checked;
    kind_->GetCheckedItems(checked);
    ASSERT_EQ(checked.size(), photos->size());
    for (std::size_t i = 0; i < checked.size(); ++i) EXPECT_EQ(checked[i], static_cast<int>(i));
    // A click on one picture takes it out again.
    ClickCell(grid, 0, 1);
    checked.clear();
    kind_->GetCheckedItems(checked);
    EXPECT_EQ(checked.size(), photos->size() - 1);
    ClickCell(grid, 0, 1);

    folderAnswer_ = backup_->OutputFolder("pictures");
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    ASSERT_TRUE(WaitIdle());
    int stored = 0;
    for (const Photo* photo : *photos) {
        const std::string copy = folderAnswer_ + "/" + Utf8(photo->file_name);
        if (!std::filesystem::exists(photo->path)) continue;  // listed, but not stored
        ++stored;
        EXPECT_EQ(ReadFile(copy), ReadFile(photo->path)) << copy;
    }
    // The user learns how many of the checked pictures were copied, which were not and why.
    ASSERT_EQ(messages_.size(), 1u);
    const int missing = static_cast<int>(photos->size()) - stored;
    wxString told;
    if (missing == 0) {
        told = wxString::Format("%d pictures were recovered into \"%s\".", stored,
                                wxString::FromUTF8(folderAnswer_));
    } else {
        told = wxString::Format("%d of %d pictures %s recovered into \"%s\".", stored,
                                static_cast<int>(photos->size()), stored == 1 ? "was" : "were",
                                wxString::FromUTF8(folderAnswer_));
        told +=
            wxString::Format("\n%d %s not in the backup.", missing, missing == 1 ? "is" : "are");
        int named = 0;
        for (const Photo* photo : *photos) {
            if (std::filesystem::exists(photo->path) || ++named > 10) continue;
            told += "\n- " + photo->file_name;
        }
        if (missing > 10) told += wxString::Format("\nand %d more.", missing - 10);
        told += "\nThe items not recovered are listed in \"Not recovered.txt\".";
        EXPECT_TRUE(std::filesystem::exists(folderAnswer_ + "/Not recovered.txt"));
    }
    EXPECT_EQ(messages_[0], told);
    // Unchecking the box clears every check again.
    kind_->GetCheckAllBox()->SetValue(false);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    checked.clear();
    kind_->GetCheckedItems(checked);
    EXPECT_TRUE(checked.empty());
}

// A backup under a folder whose name is not UTF-8 (any bytes but "/" and NUL may name a folder
// here): it is listed and scanned, its pictures get their own thumbnails, and its pictures and
// memos are recovered byte for byte. The paths of its files are the system's bytes throughout.
TEST_F(KindScreen, ABackupUnderAFolderNotNamedInUtf8IsShownAndRecoveredWhole) {
    Build({Options()}, "caf\xE9");
    const std::string& folder = backup_->BackupFolder();
    ASSERT_NE(folder.find("/caf\xE9/"), std::string::npos);
    ASSERT_EQ(list_->GetGrid()->GetNumberRows(), 1);
    ScanRow(0);
    Device* device = kind_->GetDevice();
    ASSERT_NE(device, nullptr);

    SelectKind(KIND_CAMERA_ROLL);
    ASSERT_TRUE(WaitIdle());
    const auto* photos = device->Records<Photo>(KIND_CAMERA_ROLL);
    ASSERT_FALSE(photos->empty());
    int whole = 0;
    for (const Photo* photo : *photos) {
        SCOPED_TRACE(Utf8(photo->file_name));
        EXPECT_EQ(photo->path.rfind(folder, 0), 0u) << photo->path;
        // Listed but not stored, or stored cut off (shown with the fallback picture).
        if (!std::filesystem::exists(photo->path) || !PictureProbe::IsWholeJpeg(photo->path))
            continue;
        ++whole;
        // The picture's own thumbnail, not the fallback shown for a file that did not open.
        int width = 0, height = 0;
        ASSERT_TRUE(PictureProbe::PeekImageSize(photo->path, &width, &height));
        ASSERT_NE(photo->thumbnail, nullptr);
        EXPECT_EQ(photo->thumbnail->GetSize(), DomainIB::FitThumbnail(width, height));
    }
    ASSERT_GT(whole, 0);
    kind_->GetCheckAllBox()->SetValue(true);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    folderAnswer_ = backup_->OutputFolder("pictures");
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    ASSERT_TRUE(WaitIdle());
    for (const Photo* photo : *photos) {
        if (!std::filesystem::exists(photo->path)) continue;
        const std::string copy = folderAnswer_ + "/" + Utf8(photo->file_name);
        EXPECT_EQ(ReadFile(copy), ReadFile(photo->path)) << copy;
    }

    SelectKind(KIND_VOICE_MEMOS);
    const auto* memos = device->Records<VoiceMemos>(KIND_VOICE_MEMOS);
    kind_->GetCheckAllBox()->SetValue(true);
    gui_test::SendCommand(kind_, wxEVT_CHECKBOX, PvRecoveryKindWindow::ID_CHECK_ALL);
    folderAnswer_ = backup_->OutputFolder("memos");
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_RECOVER);
    ASSERT_TRUE(WaitIdle());
    int copied = 0;
    for (const VoiceMemos* memo : *memos) {
        if (memo->path.empty()) continue;  // not in the backup
        EXPECT_EQ(memo->path.rfind(folder, 0), 0u) << memo->path;
        const std::string copy = folderAnswer_ + "/" + DomainExport::SafeFileName(Utf8(memo->name));
        EXPECT_EQ(ReadFile(copy), ReadFile(memo->path)) << copy;
        copied += ReadFile(copy).empty() ? 0 : 1;
    }
    EXPECT_GT(copied, 0);
}

// The reader's table with every kind request counted, to see when a scan no longer reads.
std::atomic<int> g_kindRequests{0};
DataRecoveryService g_countingService;
plist_t (*g_getKindData)(BackupInfo*, std::uint32_t) = nullptr;

plist_t CountingGetKindData(BackupInfo* backup, std::uint32_t kind) {
    plist_t list = g_getKindData(backup, kind);
    ++g_kindRequests;
    return list;
}

TEST_F(KindScreen, AScanOutlivingItsScreenReportsToNobody) {
    Build({Options()});
    DataRecoveryService* service = DomainIB::GetService();
    g_countingService = *service;
    g_getKindData = service->GetKindData;
    g_countingService.GetKindData = &CountingGetKindData;
    g_kindRequests = 0;
    DomainIB::UseService(&g_countingService);

    list_->GetGrid()->SelectRow(0);
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    Device* device = kind_->GetDevice();
    ASSERT_NE(device, nullptr);
    // The screen goes while its scan runs: the scan's results must not reach it.
    kind_->Destroy();
    kind_ = nullptr;
    EXPECT_TRUE(gui_test::PumpUntil([] { return g_kindRequests == int(kKindCount); }));
    gui_test::PumpFor(0.3);
    // What arrived was dropped with its records (AddressSanitizer checks the rest).
    for (std::uint32_t k = 0; k < kKindCount; ++k) EXPECT_FALSE(device->HasResults(k)) << k;
    DomainIB::UseService(service);
}

TEST_F(KindScreen, BackResetsTheScreenAndTheNextVisitRestoresTheCounts) {
    Build({Options()});
    ScanRow(0);
    Device* device = kind_->GetDevice();
    SelectKind(KIND_CONTACTS);
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_BACK);
    EXPECT_FALSE(kind_->IsShown());
    EXPECT_TRUE(list_->IsShown());
    for (std::uint32_t k = 0; k < kKindCount; ++k)
        EXPECT_EQ(Utf8(kind_->GetTree()->GetItemText(kind_->GetKindItem(k))),
                  std::string(kNames[k]) + " (0)");
    EXPECT_FALSE(kind_->GetTree()->GetSelection().IsOk());
    EXPECT_EQ(kind_->GetMainGrid()->GetNumberRows(), 0);
    // The list kept its row and selection.
    EXPECT_EQ(list_->GetGrid()->GetNumberRows(), 1);
    EXPECT_EQ(list_->GetGrid()->GetSelectedRows().size(), 1u);

    // Again: no scan, counts at once, call history shown.
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    EXPECT_EQ(kind_->GetDevice(), device);
    EXPECT_EQ(kind_->GetPendingJobs(), 0);
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    const std::size_t contacts = device->Count(KIND_CONTACTS);
    EXPECT_EQ(Utf8(kind_->GetTree()->GetItemText(kind_->GetKindItem(KIND_CONTACTS))),
              "Contacts (" + std::to_string(contacts) + ")");
    EXPECT_EQ(kind_->GetCurrentKind(), static_cast<int>(KIND_CALL_HISTORY));
    EXPECT_EQ(static_cast<std::size_t>(kind_->GetMainGrid()->GetNumberRows()),
              device->Count(KIND_CALL_HISTORY));
}

TEST_F(KindScreen, JobsMoveTheGaugeAndHoldBack) {
    Build({Options()});
    ScanRow(0);
    wxGauge* gauge = kind_->GetGauge();
    // One job alone: 0 while it runs, 100 at its end.
    kind_->BeginJob();
    EXPECT_EQ(gauge->GetValue(), 0);
    EXPECT_EQ(kind_->GetTotalJobs(), 1);
    const wxImage empty = gui_test::WindowImage(gauge);
    kind_->EndJob();
    EXPECT_EQ(gauge->GetValue(), 100);
    // The bar is plain to see: in the middle of the gauge at least 6 rows change clearly from
    // the empty gauge to the full one.
    const wxImage full = gui_test::WindowImage(gauge);
    ASSERT_TRUE(empty.IsOk() && full.IsOk());
    int barRows = 0;
    const int x = full.GetWidth() / 2;
    for (int y = 0; y < full.GetHeight(); ++y) {
        const int change = std::abs(full.GetRed(x, y) - empty.GetRed(x, y)) +
                           std::abs(full.GetGreen(x, y) - empty.GetGreen(x, y)) +
                           std::abs(full.GetBlue(x, y) - empty.GetBlue(x, y));
        if (change > 90) ++barRows;
    }
    EXPECT_GE(barRows, 6);
    EXPECT_EQ(kind_->GetTotalJobs(), 0);
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    // Three jobs: thirds, truncated; Back only after the last.
    kind_->GetBackButton()->Disable();
    for (int i = 0; i < 3; ++i) kind_->BeginJob();
    const int expected[] = {33, 66, 100};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(kind_->GetBackButton()->IsEnabled());
        kind_->EndJob();
        EXPECT_EQ(gauge->GetValue(), expected[i]) << i;
    }
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    // A Back press while a job runs is ignored.
    kind_->BeginJob();
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_BACK);
    EXPECT_TRUE(kind_->IsShown());
    kind_->EndJob();
}

TEST_F(KindScreen, ALanguageChangeKeepsCountsAndRowsAndRelabelsColumns) {
    const wxString catalogRoot = wxS(BV_ROOT_DIR "/Language");
    if (!wxFileExists(catalogRoot + wxS("/de/language.mo")))
        GTEST_SKIP() << "the catalogs are not built (ninja catalogs)";
    Build({Options()});
    ScanRow(0);
    Device* device = kind_->GetDevice();
    SelectKind(KIND_SAFARI);
    const int rows = kind_->GetMainGrid()->GetNumberRows();
    const std::size_t contacts = device->Count(KIND_CONTACTS);
    std::unique_ptr<wxLocale> german(LanguageLocale::Install(89, catalogRoot));
    ASSERT_NE(german, nullptr);
    kind_->UpdateLanguage();
    EXPECT_EQ(Utf8(kind_->GetTree()->GetItemText(kind_->GetKindItem(KIND_CONTACTS))),
              "Kontakte (" + std::to_string(contacts) + ")");
    EXPECT_EQ(Utf8(kind_->GetMainGrid()->GetColLabelValue(0)), "Titel");
    EXPECT_EQ(kind_->GetMainGrid()->GetNumberRows(), rows);
    EXPECT_EQ(Utf8(kind_->GetBackButton()->GetLabel()),
              "Zur\xC3\xBC"
              "ck");
    german.reset();
    kind_->UpdateLanguage();
    EXPECT_EQ(Utf8(kind_->GetTree()->GetItemText(kind_->GetKindItem(KIND_CONTACTS))),
              "Contacts (" + std::to_string(contacts) + ")");
    EXPECT_EQ(Utf8(kind_->GetMainGrid()->GetColLabelValue(0)), "Title");
}

TEST(KindLabels, CountsSurviveARelabel) {
    struct Case {
        const char* label;
        int count;
    };
    const Case cases[] = {
        {"Notes (12)", 12}, {"Notizen (0)", 0}, {"A (b) (7)", 7},
        {"Notes", 0},       {"Notes (", 0},     {"Notes )(", 0},
        {"Notes (x)", 0},   {"Notes (-3)", 0},  {"Notes (99999999999)", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KindTreePane::CountInLabel(wxString::FromUTF8(c.label)), c.count) << c.label;
    EXPECT_EQ(KindTreePane::KindLabel(wxS("100% Notes"), 3), wxS("100% Notes (3)"));
    EXPECT_STREQ(KindTreePane::KindName(KIND_SMS_ATTACHMENTS), "Sms Attachments");
    EXPECT_STREQ(KindTreePane::KindName(11), "");
}

}  // namespace
}  // namespace screens_test
