// The whole program over a generated backup: the start-up sequence builds the main frame, the
// backup list shows the backups under APPDATA, "Start Scan" scans the chosen one, every kind can
// be shown from the tree, and Recover writes the checked items into the chosen folder. Clicks go
// through the system's input simulator, as a person's would. Pictures of the main screens are
// saved into the build folder (screenshots/) for a person to look at.
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/gauge.h>
#include <wx/log.h>
#include <wx/settings.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/main_app.h"
#include "app/main_frame.h"
#include "app/main_frame_idevice_backup.h"
#include "common/app_info.h"
#include "common/face_layout.h"
#include "common/image_util.h"
#include "domain/domain_ib.h"
#include "domain/domain_option.h"
#include "domain/kind_obj.h"
#include "domain/language_file.h"
#include "gui_support.h"
#include "ib/wz_ib.h"
#include "window/base/about_dialog_base.h"
#include "window/base/pv_toolbar.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/base/title_window.h"
#include "window/content/pv_kind_message_window.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"
#include "window/content/screen_font.h"
#include "window/content/screen_prompt.h"

namespace {

constexpr int kKinds = 11;

const char* const kShotNames[kKinds] = {
    "call_history", "contacts",  "messages",    "sms_attachments", "notes", "safari",
    "calendar",     "reminders", "voice_memos", "camera_roll",     "photos"};

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

class AppProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!gui_test::HaveGui()) GTEST_SKIP() << "needs a display (xvfb-run -a)";
        // Whatever GTK and the libraries under it warn about while the program runs fails the
        // test: such a warning stands for a fault of the program's own (a bad rectangle, a
        // widget used after its end) that the picture may not show.
        stderr_.reset(new gui_test::StderrCapture());
        ScreenPrompt::SetMessageAnswer([this](const wxString& text) { messages_.push_back(text); });
        ScreenPrompt::SetFolderAnswer([this](wxWindow*, const wxString&, std::string* path) {
            ++folderQuestions_;
            if (folderAnswer_.empty()) return false;
            *path = folderAnswer_;
            return true;
        });
    }

    void TearDown() override {
        std::vector<Device*> devices;
        if (frame_ != nullptr) {
            // Workers of the kind screen end before the windows they report to.
            WaitIdle();
            devices = list_->GetDevices();
            wxTheApp->SetTopWindow(nullptr);
            gui_test::DestroyAndWait(frame_);
        }
        // The program keeps the backups for its whole run and ends without giving them back;
        // the test gives them back (through a reader table of its own: the frame's went with it).
        BackupInfo* head = devices.empty() ? nullptr : devices.front()->backup;
        for (Device*& device : devices) TrackedDelete(__FILE__, __LINE__, device);
        if (head != nullptr) {
            DomainIB::CreateService();
            if (DomainIB::GetService() != nullptr) DomainIB::GetService()->FreeBackupList(head);
            DomainIB::FreeService();
        }
        ScreenPrompt::SetMessageAnswer(nullptr);
        ScreenPrompt::SetFolderAnswer(nullptr);
        delete g_domainOption;
        g_domainOption = nullptr;
        if (stderr_) {
            const std::vector<std::string> warnings = gui_test::ToolkitWarnings(stderr_->Stop());
            EXPECT_TRUE(warnings.empty()) << Lines(warnings);
        }
    }

    // Writes the backups, runs the program's start-up and waits for the backup list.
    void Start(const std::vector<gen::SampleOptions>& backups) {
        backup_.reset(new gui_test::GeneratedBackup(backups.front()));
        for (size_t i = 1; i < backups.size(); ++i) backup_->AddBackup(backups[i], "");
        // The start-up adds the image handlers once more (the test program has them already):
        // the toolkit's debug notes about that are not shown.
        const wxLogLevel level = wxLog::GetLogLevel();
        wxLog::SetLogLevel(wxLOG_Info);
        const bool started = MainApp::Start(*static_cast<wxApp*>(wxTheApp));
        wxLog::SetLogLevel(level);
        ASSERT_TRUE(started);
        frame_ = dynamic_cast<MainFrameIDeviceBackup*>(wxTheApp->GetTopWindow());
        ASSERT_NE(nullptr, frame_);
        list_ = frame_->GetListWindow();
        kind_ = frame_->GetKindWindow();
        ASSERT_NE(nullptr, list_);
        ASSERT_NE(nullptr, kind_);
        ASSERT_TRUE(gui_test::PumpUntil([&] {
            return list_->IsShownOnScreen() &&
                   list_->GetGrid()->GetNumberRows() == static_cast<int>(backups.size());
        }));
        gui_test::PumpFor(0.2);
    }

    bool WaitIdle(double seconds = gui_test::kHangGuardSeconds) {
        return gui_test::PumpUntil([&] { return kind_->GetPendingJobs() == 0; }, seconds);
    }

    // The row of the backup list whose device name is name.
    int RowOf(const wxString& name) const {
        const std::vector<Device*>& devices = list_->GetDevices();
        for (size_t i = 0; i < devices.size(); ++i) {
            if (devices[i]->deviceName == name) return static_cast<int>(i);
        }
        return -1;
    }

    // Clicks the middle of a grid cell (the grid's cell area is a window of its own).
    static bool ClickCell(RkGrid* grid, int row, int col) {
        grid->MakeCellVisible(row, col);
        gui_test::PumpFor(0.05);
        const wxRect rect = grid->CellToRect(row, col);
        const wxPoint scrolled = grid->CalcScrolledPosition(rect.GetPosition());
        return gui_test::ClickAt(grid->GetGridWindow(), wxPoint(scrolled.x + rect.width / 2,
                                                                scrolled.y + rect.height / 2));
    }

    void ScanRow(int row) {
        ASSERT_GE(row, 0);
        ASSERT_TRUE(ClickCell(list_->GetGrid(), row, 1));
        ASSERT_TRUE(gui_test::Click(list_->GetScanButton()));
        ASSERT_TRUE(gui_test::PumpUntil([&] { return kind_->IsShownOnScreen(); }));
        ASSERT_TRUE(WaitIdle()) << "the scan did not end";
        gui_test::PumpFor(0.2);
    }

    // Selects the encrypted backup and presses "Start Scan": a message, and the list stays.
    void ScanRowExpectRefusal() {
        const int row = RowOf(wxS("Ben's iPhone"));
        ASSERT_GE(row, 0);
        ASSERT_TRUE(ClickCell(list_->GetGrid(), row, 1));
        ASSERT_TRUE(gui_test::Click(list_->GetScanButton()));
        ASSERT_TRUE(gui_test::PumpUntil([&] { return messages_.size() == 1; }));
        EXPECT_TRUE(messages_[0].Contains(wxS("password protected")));
        gui_test::PumpFor(0.1);
        EXPECT_TRUE(list_->IsShown());
        EXPECT_FALSE(kind_->IsShown());
        messages_.clear();
    }

    wxTreeItemId KindItem(int kind) const {
        PvTreeCtrl* tree = kind_->GetTree();
        wxTreeItemIdValue cookie;
        wxTreeItemId item = tree->GetFirstChild(tree->GetRootItem(), cookie);
        for (int k = 0; k < kind && item.IsOk(); ++k)
            item = tree->GetNextChild(tree->GetRootItem(), cookie);
        return item;
    }

    int KindCount(int kind) const {
        return KindTreePane::CountInLabel(kind_->GetTree()->GetItemText(KindItem(kind)));
    }

    // Clicks the kind's item in the tree and waits until its view is filled.
    void ShowKind(int kind) {
        PvTreeCtrl* tree = kind_->GetTree();
        wxRect rect;
        ASSERT_TRUE(tree->GetBoundingRect(KindItem(kind), rect, true));
        ASSERT_TRUE(
            gui_test::ClickAt(tree, wxPoint(rect.x + rect.width / 2, rect.y + rect.height / 2)));
        ASSERT_TRUE(gui_test::PumpUntil([&] { return kind_->GetCurrentKind() == kind; }));
        ASSERT_TRUE(WaitIdle());
    }

    void Shot(const std::string& name) {
        const wxString path = gui_test::OutputDir() + "/screenshots/app_" + name + ".png";
        EXPECT_TRUE(gui_test::SaveScreenshot(frame_, path)) << name;
    }

    std::unique_ptr<gui_test::StderrCapture> stderr_;
    std::unique_ptr<gui_test::GeneratedBackup> backup_;
    MainFrameIDeviceBackup* frame_ = nullptr;
    PvRecoveryListWindow* list_ = nullptr;
    PvRecoveryKindWindow* kind_ = nullptr;
    std::vector<wxString> messages_;
    int folderQuestions_ = 0;
    std::string folderAnswer_;
};

// The seven languages of the settings menu: number and catalog folder.
struct Language {
    int number;
    const char* code;
};
const Language kLanguages[] = {{58, "en"}, {46, "zh_CN"}, {47, "zh_TW"}, {89, "de"},
                               {80, "fr"}, {110, "it"},   {112, "ja"}};

gen::SampleOptions Encrypted() {
    gen::SampleOptions o = gui_test::SmallOptions(7);
    o.device.deviceName = "Ben's iPhone";
    o.device.serialNumber = "F17LQ2W8FH1A";
    o.device.encrypted = true;
    return o;
}

TEST_F(AppProgram, StartsOnTheBackupListAndScansTheChosenBackup) {
    Start({gui_test::SmallOptions(1), Encrypted()});
    EXPECT_EQ(ID_MAIN_FRAME, frame_->GetId());
    EXPECT_EQ(AppInfo::GetProductName(), frame_->GetTitle());
    // The frame has the size of its background; the list is shown, the kind screen hidden.
    EXPECT_EQ(wxSize(900, 620), frame_->GetClientSize());
    EXPECT_TRUE(list_->IsShown());
    EXPECT_FALSE(kind_->IsShown());
    Shot("backup_list");

    // An encrypted backup is refused with a message and the list stays.
    ScanRowExpectRefusal();

    const int row = RowOf(wxS("Ann's iPhone"));
    ScanRow(row);
    EXPECT_FALSE(list_->IsShown());
    // The call history is shown at once; every kind has its count; Back is enabled again.
    EXPECT_EQ(KIND_CALL_HISTORY, kind_->GetCurrentKind());
    EXPECT_EQ(100, kind_->GetGauge()->GetValue());
    EXPECT_TRUE(kind_->GetBackButton()->IsEnabled());
    EXPECT_EQ(12, KindCount(KIND_CALL_HISTORY));
    EXPECT_EQ(KindCount(KIND_CALL_HISTORY), kind_->GetMainGrid()->GetNumberRows());
    for (int k = 0; k < kKinds; ++k) EXPECT_GT(KindCount(k), 0) << kShotNames[k];
    Shot("kind_call_history");

    // Back shows the list again with the same backups; a second visit needs no new scan.
    ASSERT_TRUE(gui_test::Click(kind_->GetBackButton()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return list_->IsShownOnScreen(); }));
    EXPECT_FALSE(kind_->IsShown());
    EXPECT_EQ(0, KindCount(KIND_CALL_HISTORY));
    ScanRow(row);
    EXPECT_EQ(12, KindCount(KIND_CALL_HISTORY));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AppProgram, ShowsEveryKindFromTheTree) {
    Start({gui_test::SmallOptions(1)});
    ScanRow(0);
    for (int k = 0; k < kKinds; ++k) {
        SCOPED_TRACE(kShotNames[k]);
        ShowKind(k);
        const int count = KindCount(k);
        RkGrid* grid = kind_->GetCurrentGrid();
        ASSERT_NE(nullptr, grid);
        EXPECT_TRUE(grid->IsShown());
        const bool pictures =
            k == KIND_CAMERA_ROLL || k == KIND_PHOTOS || k == KIND_SMS_ATTACHMENTS;
        if (pictures) {
            EXPECT_NE(kind_->GetMainGrid(), grid);
            EXPECT_EQ((count + PvRecoveryKindWindow::kPhotoColumns - 1) /
                          PvRecoveryKindWindow::kPhotoColumns,
                      grid->GetNumberRows());
        } else {
            EXPECT_EQ(kind_->GetMainGrid(), grid);
            EXPECT_EQ(count, grid->GetNumberRows());
        }
        if (k == KIND_MESSAGES) {
            // A click on a conversation shows it as bubbles beside the list.
            ASSERT_TRUE(ClickCell(grid, 0, 1));
            ASSERT_TRUE(gui_test::PumpUntil([&] { return kind_->GetMessageView()->IsShown(); }));
            gui_test::PumpFor(0.3);
        }
        Shot("kind_" + std::string(kShotNames[k]));
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AppProgram, RecoversTheCheckedItemsIntoTheChosenFolder) {
    Start({gui_test::SmallOptions(1)});
    const auto before = testing_support::SnapshotTree(backup_->BackupFolder());
    ScanRow(0);
    const std::string out = backup_->OutputFolder("recovered");

    // Nothing checked: a message, no folder question, nothing written.
    ShowKind(KIND_NOTES);
    ASSERT_TRUE(gui_test::Click(kind_->GetRecoverButton()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return !messages_.empty(); }));
    EXPECT_EQ(0, folderQuestions_);
    EXPECT_TRUE(std::filesystem::is_empty(out));

    // Check All, then Recover into the folder: the notes page is written.
    ASSERT_TRUE(gui_test::Click(kind_->GetCheckAllBox()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return kind_->GetCheckAllBox()->GetValue(); }));
    folderAnswer_ = out;
    ASSERT_TRUE(gui_test::Click(kind_->GetRecoverButton()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return folderQuestions_ == 1; }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(std::filesystem::exists(out + "/Notes.html"));
    ASSERT_EQ(2u, messages_.size());
    // The message counts the checked notes, all on the one page.
    const std::size_t notes = kind_->GetDevice()->Count(KIND_NOTES);
    ASSERT_GT(notes, 1u);
    EXPECT_EQ(messages_[1],
              wxString::FromUTF8(std::to_string(notes) +
                                 " notes were recovered into Notes.html in \"" + out + "\"."));

    // Pictures: checking two thumbnails of the camera roll copies those two files.
    const std::string photosOut = backup_->OutputFolder("photos");
    folderAnswer_ = photosOut;
    ShowKind(KIND_CAMERA_ROLL);
    RkGrid* grid = kind_->GetCurrentGrid();
    ASSERT_GE(grid->GetNumberCols(), 2);
    ASSERT_TRUE(ClickCell(grid, 0, 0));
    ASSERT_TRUE(ClickCell(grid, 0, 1));
    ASSERT_TRUE(gui_test::Click(kind_->GetRecoverButton()));
    ASSERT_TRUE(gui_test::PumpUntil([&] { return folderQuestions_ == 2; }));
    ASSERT_TRUE(WaitIdle());
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(photosOut)) {
        if (entry.is_regular_file() && entry.file_size() > 0) ++files;
    }
    EXPECT_EQ(2u, files);
    ASSERT_EQ(3u, messages_.size());
    EXPECT_EQ(messages_[2],
              wxString::FromUTF8("2 pictures were recovered into \"" + photosOut + "\"."));
    // The backup is evidence: nothing in it changed.
    EXPECT_EQ(before, testing_support::SnapshotTree(backup_->BackupFolder()));
}

TEST_F(AppProgram, EveryScreenReadsRightInEveryLanguage) {
    gen::SampleOptions options = gui_test::SmallOptions(1);
    options.calls = 1200;  // a four-digit count in the kind tree
    options.chats = 20;    // more conversations than the list shows at once
    Start({options, Encrypted()});
    auto switchTo = [&](const Language& language) {
        gui_test::SendCommand(frame_->GetTitleWindow(), wxEVT_MENU, language.number);
        ASSERT_TRUE(gui_test::PumpUntil([&] {
            return frame_->GetTitleWindow()->GetLanguage() == language.number &&
                   frame_->GetToolbar()->GetHomeButton()->GetLabel() == wxGetTranslation("Home");
        }));
        gui_test::PumpFor(0.2);
    };
    auto check = [&](const std::string& screen) {
        const std::vector<std::string> problems = gui_test::TextFitProblems(frame_);
        EXPECT_TRUE(problems.empty()) << screen << Lines(problems);
        Shot(screen);
    };

    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.code);
        switchTo(language);
        check(std::string("lang_") + language.code + "_backup_list");
        // The two lines of explanation painted above the list end inside the screen.
        wxClientDC dc(list_);
        wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
        font.SetPointSize(ScreenFont::UsablePointSize(
            GetFaceRect(wxS("/face/listwindow/description1/font")).height));
        dc.SetFont(font);
        EXPECT_LE(GetFaceRect(wxS("/face/listwindow/description1")).x +
                      dc.GetTextExtent(_("Select an iTunes backup file of your iOS device below "
                                         "to scan."))
                          .x,
                  list_->GetSize().x);
        dc.SetFont(
            ScreenFont::ArialFont(GetFaceRect(wxS("/face/listwindow/description2/font")).height));
        EXPECT_LE(GetFaceRect(wxS("/face/listwindow/description2")).x +
                      dc.GetTextExtent(_("If your iOS device is not listed here, it may be "
                                         "because iTunes has not made backup for the device."))
                          .x,
                  list_->GetSize().x);
        // The About box as the settings menu builds it.
        wxBitmap* background =
            ImageUtil::LoadThemeBitmap(wxS("image/dialog/dialog_bg.png"), wxBITMAP_TYPE_PNG);
        ASSERT_NE(nullptr, background);
        AboutDialog* about = new AboutDialog();
        ASSERT_TRUE(about->Create(background, frame_, wxID_ANY, _("About"), wxDefaultPosition,
                                  background->GetSize(), wxBORDER_NONE | wxFRAME_SHAPED));
        about->Show();
        ASSERT_TRUE(gui_test::PumpUntil([&] { return about->IsShownOnScreen(); }));
        gui_test::PumpFor(0.1);
        const std::vector<std::string> problems = gui_test::TextFitProblems(about);
        EXPECT_TRUE(problems.empty()) << "about" << Lines(problems);
        EXPECT_TRUE(gui_test::SaveScreenshot(
            about,
            gui_test::OutputDir() + "/screenshots/app_lang_" + language.code + "_about.png"));
        gui_test::DestroyAndWait(about);
    }
    ScanRow(RowOf(wxS("Ann's iPhone")));
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.code);
        switchTo(language);
        for (int k = 0; k < kKinds; ++k) {
            SCOPED_TRACE(kShotNames[k]);
            ShowKind(k);
            if (k == KIND_MESSAGES) {
                ASSERT_TRUE(ClickCell(kind_->GetMainGrid(), 0, 1));
                ASSERT_TRUE(
                    gui_test::PumpUntil([&] { return kind_->GetMessageView()->IsShown(); }));
                gui_test::PumpFor(0.2);
                // The conversation list never scrolls sideways: its columns fit its width.
                RkGrid* grid = kind_->GetMainGrid();
                int columns = 0;
                for (int col = 0; col < grid->GetNumberCols(); ++col)
                    columns += grid->GetColSize(col);
                EXPECT_LE(columns, grid->GetGridWindow()->GetClientSize().x);
                EXPECT_EQ(0, grid->GetScrollPos(wxHORIZONTAL));
            }
            check(std::string("lang_") + language.code + "_kind_" + kShotNames[k]);
        }
    }
    switchTo(kLanguages[0]);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AppProgram, AboutBoxAndTitleBarAsShown) {
    Start({gui_test::SmallOptions(1)});
    // The pointer over the title bar's minimise button shows its hover look (the close button is
    // left alone: it ends the program).
    wxWindow* minimize = frame_->FindWindow(2);
    ASSERT_NE(nullptr, minimize);
    wxUIActionSimulator sim;
    sim.MouseMove(minimize->ClientToScreen(wxPoint(minimize->GetSize().x / 2, 10)));
    gui_test::PumpFor(0.3);
    Shot("title_hover");
    sim.MouseMove(frame_->ClientToScreen(wxPoint(450, 400)));
    gui_test::PumpFor(0.1);

    // The About box as the settings menu builds it, shown without its modal loop.
    wxBitmap* background =
        ImageUtil::LoadThemeBitmap(wxS("image/dialog/dialog_bg.png"), wxBITMAP_TYPE_PNG);
    ASSERT_NE(nullptr, background);
    const wxSize size = background->GetSize();
    AboutDialog* about = new AboutDialog();
    ASSERT_TRUE(about->Create(background, frame_, wxID_ANY, _("About"), wxDefaultPosition, size,
                              wxBORDER_NONE | wxFRAME_SHAPED));
    about->Show();
    ASSERT_TRUE(gui_test::PumpUntil([&] { return about->IsShownOnScreen(); }));
    EXPECT_EQ(size, about->GetSize());
    wxWindow* ok = about->FindWindow(wxID_OK);
    ASSERT_NE(nullptr, ok);
    EXPECT_TRUE(wxRect(size).Contains(ok->GetRect()));
    gui_test::PumpFor(0.2);
    EXPECT_TRUE(
        gui_test::SaveScreenshot(about, gui_test::OutputDir() + "/screenshots/app_about.png"));
    gui_test::DestroyAndWait(about);
}

}  // namespace
