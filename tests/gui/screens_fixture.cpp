#include "screens_fixture.h"

#include <wx/dcmemory.h>
#include <wx/grid.h>

#include "common/face_layout.h"
#include "domain/domain_ib.h"
#include "gui_support.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/rk_grid.h"
#include "window/content/pv_recovery_kind_window.h"
#include "window/content/pv_recovery_list_window.h"
#include "window/content/screen_prompt.h"

namespace screens_test {

gen::SampleOptions Options(std::uint32_t seed) {
    gen::SampleOptions o = gui_test::SmallOptions(seed);
    o.photos = 12;
    o.memos = 3;
    return o;
}

namespace {

const wxSize kScreen(900, 560);

// The rectangles the screens read, for a layout that lacks them (a test build without the
// staged theme): one coherent arrangement inside kScreen.
const struct {
    const char* key;
    FaceRect rect;
} kLayout[] = {
    {"/face/listwindow/grid", {10, 60, 880, 420}},
    {"/face/listwindow/grid-label", {0, 0, 0, 9}},
    {"/face/listwindow/scan-button", {760, 500, 0, 0}},
    {"/face/listwindow/description1", {10, 10, 0, 0}},
    {"/face/listwindow/description1/font", {0, 0, 0, 10}},
    {"/face/listwindow/description2", {10, 34, 0, 0}},
    {"/face/listwindow/description2/font", {0, 0, 0, 9}},
    {"/face/kindwindow/grid", {200, 10, 690, 460}},
    {"/face/kindwindow/grid-label", {0, 0, 0, 9}},
    {"/face/kindwindow/gauge", {10, 510, 500, 16}},
    {"/face/kindwindow/back-button", {600, 500, 0, 0}},
    {"/face/kindwindow/recover-button", {760, 500, 0, 0}},
    {"/face/kindwindow/treectrl", {10, 10, 180, 460}},
    {"/face/kindwindow/treectrl/colour", {255, 255, 255, 0}},
    {"/face/base-button/big-button-crop", {8, 0, 4, 0}},
    {"/face/base-button/big-button-crop/font", {0, 0, 0, 10}},
    {"/face/base-button/big-button-crop/offsety", {0, 8, 0, 0}},
};

wxBitmap* PlainBitmap() {
    auto* bitmap = new wxBitmap(kScreen.x, kScreen.y, 24);
    wxMemoryDC dc(*bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    return bitmap;
}

}  // namespace

void ScreensTest::SetUp() {
    if (!gui_test::HaveGui()) GTEST_SKIP() << "needs a display (xvfb-run -a)";
    for (const auto& entry : kLayout) {
        const wxString key = wxString::FromUTF8(entry.key);
        if (FaceLayout.find(key) == FaceLayout.end()) {
            FaceLayout[key] = entry.rect;
            addedKeys_.push_back(entry.key);
        }
    }
    ScreenPrompt::SetMessageAnswer([this](const wxString& text) { messages_.push_back(text); });
    ScreenPrompt::SetFolderAnswer([this](wxWindow*, const wxString&, std::string* path) {
        ++folderQuestions_;
        if (folderAnswer_.empty()) return false;
        *path = folderAnswer_;
        return true;
    });
}

void ScreensTest::TearDown() {
    std::vector<Device*> devices;
    if (frame_ != nullptr) {
        // No worker may still report to a screen that goes.
        WaitIdle();
        devices = list_->GetDevices();
        gui_test::DestroyAndWait(frame_);
        frame_ = nullptr;
    }
    delete kindBackground_;
    kindBackground_ = nullptr;
    // The program keeps the backups for its whole run; the test gives them back.
    BackupInfo* head = devices.empty() ? nullptr : devices.front()->backup;
    for (Device*& device : devices) TrackedDelete(__FILE__, __LINE__, device);
    if (DomainIB::GetService() != nullptr) {
        if (head != nullptr) DomainIB::GetService()->FreeBackupList(head);
        DomainIB::FreeService();
    }
    ScreenPrompt::SetMessageAnswer(nullptr);
    ScreenPrompt::SetFolderAnswer(nullptr);
    for (const std::string& key : addedKeys_) FaceLayout.erase(wxString::FromUTF8(key));
    addedKeys_.clear();
    backup_.reset();
}

void ScreensTest::Build(const std::vector<gen::SampleOptions>& backups,
                        const std::string& appDataName) {
    ASSERT_FALSE(backups.empty());
    backup_.reset(new gui_test::GeneratedBackup(
        backups[0], "00000000000000000000000000000000000000a1", appDataName));
    for (std::size_t i = 1; i < backups.size(); ++i) {
        backup_->AddBackup(backups[i], std::string(38, '0') + "b" + std::to_string(i % 10));
    }
    DomainIB::CreateService();
    ASSERT_NE(DomainIB::GetService(), nullptr);

    frame_ = new wxFrame(nullptr, wxID_ANY, wxS("screens"), wxPoint(0, 0), kScreen, wxBORDER_NONE);
    list_ = new PvRecoveryListWindow();
    ASSERT_TRUE(list_->Create(PlainBitmap(), frame_, 0, wxPoint(0, 0), kScreen));
    kindBackground_ = PlainBitmap();
    kind_ = new PvRecoveryKindWindow();
    ASSERT_TRUE(kind_->Create(kindBackground_, frame_, 1, wxPoint(0, 0), kScreen));
    kind_->Hide();
    list_->Attach(kind_);
    kind_->Attach(list_);
    frame_->Show();
    ASSERT_TRUE(gui_test::PumpUntil([this] { return list_->IsLoaded(); }));
}

bool ScreensTest::WaitIdle(double seconds) {
    return gui_test::PumpUntil([this] { return kind_ == nullptr || kind_->GetPendingJobs() == 0; },
                               seconds);
}

void ScreensTest::ScanRow(int row) {
    list_->GetGrid()->SelectRow(row);
    gui_test::SendCommand(list_, wxEVT_BUTTON, PvRecoveryListWindow::ID_SCAN);
    ASSERT_TRUE(WaitIdle());
}

void ScreensTest::SelectKind(std::uint32_t kind) {
    // The tree reports the selection at once; worker events stay queued until the next pump.
    kind_->GetTree()->SelectItem(kind_->GetKindItem(kind));
}

std::vector<std::string> ScreensTest::RowValues(RkGrid* grid, int row) {
    std::vector<std::string> values;
    for (int col = 0; col < grid->GetNumberCols(); ++col)
        values.push_back(grid->GetCellValue(row, col).utf8_string());
    return values;
}

void ScreensTest::ClickCell(RkGrid* grid, int row, int col) {
    wxGridEvent event(grid->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, grid, row, col);
    grid->GetEventHandler()->ProcessEvent(event);
}

}  // namespace screens_test
