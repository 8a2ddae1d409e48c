// The backup-list screen over generated backups: the list on the first idle event, once; the
// encrypted backup refused with its message; "Start Scan" without a selection; the chosen row
// handed to the kind screen; the button kept at the right edge; where the folder dialog opens and
// what it hands back.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/modalhook.h>
#include <wx/utils.h>

#include <filesystem>
#include <string>
#include <utility>

#include "common/app_info.h"
#include "screens_fixture.h"
#include "window/base/pv_pdf_item_grid_cell_renderer.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"
#include "window/content/screen_prompt.h"

namespace screens_test {
namespace {

using ListScreen = ScreensTest;

std::vector<gen::SampleOptions> TwoBackups() {
    gen::SampleOptions plain = Options(1);
    plain.device.deviceName = "Ann\xE2\x80\x99s iPhone";
    plain.device.serialNumber = "C39KX0QZDTC1";
    gen::SampleOptions locked = Options(2);
    locked.device.deviceName = "Locked iPad";
    locked.device.serialNumber = "DMPHQ1ZZFK10";
    locked.device.encrypted = true;
    return {plain, locked};
}

int RowOf(PvRecoveryListWindow* list, bool encrypted) {
    const auto& devices = list->GetDevices();
    for (std::size_t i = 0; i < devices.size(); ++i)
        if ((devices[i]->isEncrypted != 0) == encrypted) return static_cast<int>(i);
    return -1;
}

TEST_F(ListScreen, ListsEveryBackupOnceOnTheFirstIdleEvent) {
    Build(TwoBackups());
    const auto& devices = list_->GetDevices();
    ASSERT_EQ(devices.size(), 2u);
    RkGrid* grid = list_->GetGrid();
    ASSERT_EQ(grid->GetNumberRows(), 2);
    EXPECT_EQ(grid->GetNumberCols(), 3);
    EXPECT_EQ(grid->GetColLabelValue(0), wxS("Device Name"));
    EXPECT_EQ(grid->GetColLabelValue(1), wxS("Backup Date"));
    EXPECT_EQ(grid->GetColLabelValue(2), wxS("Serial Number"));
    for (int row = 0; row < 2; ++row) {
        const Device* device = devices[static_cast<std::size_t>(row)];
        // The name is drawn by the icon renderer; the cell's own value stays empty.
        EXPECT_TRUE(grid->GetCellValue(row, 0).IsEmpty());
        EXPECT_NE(dynamic_cast<PvPdfItemGridCellRenderer*>(grid->PeekCellRenderer(row, 0)),
                  nullptr);
        EXPECT_EQ(grid->GetCellValue(row, 1), device->lastBackupDate);
        EXPECT_EQ(grid->GetCellValue(row, 2), device->serialNumber);
        for (int col = 0; col < 3; ++col) EXPECT_TRUE(grid->IsReadOnly(row, col));
    }
    EXPECT_NE(RowOf(list_, true), -1);
    EXPECT_NE(RowOf(list_, false), -1);
    // Later idle events read nothing again.
    gui_test::PumpFor(0.05);
    EXPECT_EQ(grid->GetNumberRows(), 2);
    EXPECT_EQ(list_->GetDevices().size(), 2u);
}

TEST_F(ListScreen, StartScanRefusesAnEncryptedBackup) {
    Build(TwoBackups());
    // Nothing selected: nothing happens, no message.
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(list_->IsShown());
    EXPECT_FALSE(kind_->IsShown());

    list_->GetGrid()->SelectRow(RowOf(list_, true));
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], wxS("This is a password protected backup file.Please decrypt it "
                                "first in itunes before extracting data."));
    EXPECT_TRUE(list_->IsShown());
    EXPECT_FALSE(kind_->IsShown());
    EXPECT_EQ(kind_->GetDevice(), nullptr);
}

TEST_F(ListScreen, StartScanHandsTheFirstSelectedRowToTheKindScreen) {
    Build(TwoBackups());
    const int plain = RowOf(list_, false);
    const int locked = RowOf(list_, true);
    RkGrid* grid = list_->GetGrid();
    // Both rows selected, the unencrypted one first: that one is scanned.
    grid->SelectRow(plain);
    grid->SelectRow(locked, true);
    ASSERT_EQ(grid->GetSelectedRows().size(), 2u);
    ASSERT_EQ(grid->GetSelectedRows()[0], plain);
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(list_->IsShown());
    EXPECT_TRUE(kind_->IsShown());
    EXPECT_EQ(kind_->GetDevice(), list_->GetDevices()[static_cast<std::size_t>(plain)]);
    ASSERT_TRUE(WaitIdle());
    // Back shows the list again with its rows and selection.
    gui_test::SendCommand(kind_, wxEVT_BUTTON, PvRecoveryKindWindow::ID_BACK);
    EXPECT_TRUE(list_->IsShown());
    EXPECT_EQ(grid->GetNumberRows(), 2);
    EXPECT_EQ(grid->GetSelectedRows().size(), 2u);
}

TEST_F(ListScreen, ButtonsKeepTheirRightEdgeWhateverTheLabel) {
    Build({Options()});
    PvWordButton* scan = list_->GetScanButton();
    EXPECT_EQ(scan->GetLabel(), wxS("Start Scan"));
    const auto rightGap = [](wxWindow* screen, wxWindow* button) {
        return screen->GetSize().GetWidth() - button->GetPosition().x -
               button->GetSize().GetWidth();
    };
    EXPECT_EQ(rightGap(list_, scan), 10);
    scan->SetLabel(wxS("Start Scan Start Scan Start Scan"), scan->GetFont());
    EXPECT_EQ(rightGap(list_, scan), 10);

    // The kind screen: Recover 10 pixels from the edge, Back 10 pixels before it, the gauge
    // 10 pixels before Back, also after a longer label.
    list_->Hide();
    kind_->Show();
    PvWordButton* recover = kind_->GetRecoverButton();
    PvWordButton* back = kind_->GetBackButton();
    const auto laidOut = [&] {
        const wxRect gauge = kind_->GetGauge()->GetRect();
        return rightGap(kind_, recover) == 10 &&
               recover->GetPosition().x - back->GetPosition().x - back->GetSize().GetWidth() ==
                   10 &&
               back->GetPosition().y == recover->GetPosition().y &&
               back->GetPosition().x - gauge.GetRight() - 1 == 10;
    };
    EXPECT_TRUE(gui_test::PumpUntil(laidOut));
    recover->SetLabel(wxS("Recover every checked item"), recover->GetFont());
    EXPECT_TRUE(gui_test::PumpUntil(laidOut));
    kind_->Hide();
    list_->Show();
}

// The recovery's folder dialog opens in the user's documents folder (not on an empty page of
// recent places), or in his home folder while he has no documents folder.
TEST(ScreenPromptFolder, StartsInTheDocumentsFolderOrElseTheHomeFolder) {
    const std::string documents = AppInfo::GetDocumentsDir().ToStdString(wxConvUTF8);
    ASSERT_FALSE(documents.empty());
    std::error_code error;
    const bool existed = std::filesystem::is_directory(documents);
    std::filesystem::remove(documents, error);  // only when empty
    if (!std::filesystem::is_directory(documents)) {
        EXPECT_EQ(wxGetHomeDir(), ScreenPrompt::StartFolder());
    }
    std::filesystem::create_directories(documents, error);
    EXPECT_EQ(AppInfo::GetDocumentsDir(), ScreenPrompt::StartFolder());
    if (!existed) std::filesystem::remove(documents, error);
}

// The folder dialog hands back the folder as the system's bytes, also a name that is not UTF-8
// (the toolkit's own answer decodes it as UTF-8 and keeps nothing of it).
TEST(ScreenPromptFolder, HandsBackTheChosenFolderAsTheSystemsBytes) {
    if (!gui_test::HaveGui()) GTEST_SKIP() << "needs a display (xvfb-run -a)";
    // The chooser keeps its settings in memory, not in the user's (or a missing) dconf.
    testing_support::ScopedEnv settings("GSETTINGS_BACKEND", "memory");
    testing_support::TempDir dir;
    const std::string folder = dir / "caf\xE9";
    std::filesystem::create_directories(folder);
    // Answers the dialog as a user would: the folder is selected in the chooser, once the
    // chooser has read its parent, and confirmed.
    struct Answer : public wxModalDialogHook {
        std::string parent, folder;
        GtkWidget* chooser = nullptr;
        int polls = 0;
        int Enter(wxDialog* dialog) override {
            chooser = static_cast<GtkWidget*>(dialog->GetHandle());
            if (chooser == nullptr || !GTK_IS_FILE_CHOOSER(chooser)) return wxID_CANCEL;
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), parent.c_str());
            g_timeout_add(20, &Answer::Poll, this);
            return wxID_NONE;
        }
        void Exit(wxDialog*) override {}
        static gboolean Poll(gpointer data) {
            auto* self = static_cast<Answer*>(data);
            GtkFileChooser* c = GTK_FILE_CHOOSER(self->chooser);
            gtk_file_chooser_select_filename(c, self->folder.c_str());
            gchar* name = gtk_file_chooser_get_filename(c);
            const bool selected = name != nullptr && self->folder == name;
            g_free(name);
            // A guard against a chooser that never reads the folder, far above any load's time.
            if (selected || ++self->polls > 15000) {
                gtk_dialog_response(GTK_DIALOG(self->chooser),
                                    selected ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
                return G_SOURCE_REMOVE;
            }
            return G_SOURCE_CONTINUE;
        }
    };
    Answer answer;
    answer.parent = dir.Path();
    answer.folder = folder;
    answer.Register();
    std::string chosen;
    const bool confirmed =
        ScreenPrompt::ChooseFolder(nullptr, wxS("Select a output folder"), &chosen);
    answer.Unregister();
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(chosen, folder);
}

}  // namespace
}  // namespace screens_test
