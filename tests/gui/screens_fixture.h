// The two screens as the main frame arranges them: a frame holding the backup-list screen and
// the hidden kind screen at the same rectangle, each attached to the other, over a generated
// backup. Questions to the user are answered by the test.
#pragma once

#include <wx/bitmap.h>
#include <wx/frame.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui_support.h"

class PvRecoveryKindWindow;
class PvRecoveryListWindow;
class RkGrid;

namespace screens_test {

// Small counts of every kind; pictures are real and decodable.
gen::SampleOptions Options(std::uint32_t seed = 1);

class ScreensTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the backups (the first one by options), binds the reader, makes the frame and its
    // two screens and waits for the backup list. appDataName: see gui_test::GeneratedBackup.
    void Build(const std::vector<gen::SampleOptions>& backups, const std::string& appDataName = "");
    // Selects row and presses "Start Scan"; waits until every job of the kind screen ended.
    void ScanRow(int row);
    bool WaitIdle(double seconds = gui_test::kHangGuardSeconds);
    // Selects the tree item of a kind.
    void SelectKind(std::uint32_t kind);
    // The texts of the cells of a grid row (column 0 is drawn by its renderer: its value is " ").
    static std::vector<std::string> RowValues(RkGrid* grid, int row);
    // A left click on a grid cell as the grid reports it (the handlers bound on the grid run).
    static void ClickCell(RkGrid* grid, int row, int col);

    std::unique_ptr<gui_test::GeneratedBackup> backup_;
    wxFrame* frame_ = nullptr;
    wxBitmap* kindBackground_ = nullptr;
    PvRecoveryListWindow* list_ = nullptr;
    PvRecoveryKindWindow* kind_ = nullptr;
    std::vector<wxString> messages_;      // texts the screens showed in message boxes
    int folderQuestions_ = 0;             // folder dialogs asked
    std::string folderAnswer_;            // the folder chosen; empty: cancelled
    std::vector<std::string> addedKeys_;  // layout keys this fixture supplied
};

}  // namespace screens_test
