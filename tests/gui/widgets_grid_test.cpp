// The grid of both screens: the selected-row list, Ctrl+click toggling, clearing by a click under
// the last row (also after scrolling), borrowed renderers and the row and column helpers.
#include <algorithm>
#include <vector>

#include "widgets_support.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"

namespace {

std::vector<int> Rows(const wxArrayInt& rows) {
    return std::vector<int>(rows.begin(), rows.end());
}

class GridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_GUI();
        assertions_ = gui_test::AssertionCount();
        frame_ = widgets_test::ShownFrame(wxSize(400, 300));
        grid_ = new RkGrid();
        ASSERT_TRUE(grid_->Create(frame_, wxID_ANY, wxPoint(0, 0), wxSize(400, 300)));
        grid_->CreateGrid(10, 3);
        grid_->SetRowLabelSize(0);
        grid_->SetColLabelSize(20);
        grid_->SetDefaultRowSize(20, true);
        gui_test::PumpFor(0.05);
    }
    void TearDown() override {
        if (frame_) gui_test::DestroyAndWait(frame_);
        EXPECT_EQ(assertions_, gui_test::AssertionCount()) << gui_test::LastAssertion();
    }
    // A click on a cell as the grid reports it, with or without the Ctrl key.
    void CellClick(int row, bool ctrl) {
        wxKeyboardState keys(ctrl, false, false, false);
        wxGridEvent event(grid_->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, grid_, row, 1, -1, -1, true,
                          keys);
        grid_->GetEventHandler()->ProcessEvent(event);
    }
    // A press of the left button in the cell area at y (cell-area coordinates).
    void PressCellArea(int y) {
        wxWindow* area = grid_->GetGridWindow();
        wxMouseEvent press(wxEVT_LEFT_DOWN);
        press.SetEventObject(area);
        press.SetPosition(wxPoint(30, y));
        press.m_leftDown = true;
        area->GetEventHandler()->ProcessEvent(press);
    }

    int assertions_ = 0;
    wxFrame* frame_ = nullptr;
    RkGrid* grid_ = nullptr;
};

TEST_F(GridTest, SelectedRowsListWholeRowsThenTheRowsOfEachBlock) {
    EXPECT_TRUE(Rows(grid_->GetSelectedRows()).empty());

    grid_->SetSelectionMode(wxGrid::wxGridSelectCells);
    grid_->SelectRow(7);
    grid_->SelectBlock(2, 0, 4, 1, true);
    EXPECT_EQ((std::vector<int>{7, 2, 3, 4}), Rows(grid_->GetSelectedRows()));

    // A block that covers a wholly selected row lists that row again.
    grid_->SelectBlock(6, 0, 7, 1, true);
    EXPECT_EQ((std::vector<int>{7, 2, 3, 4, 6, 7}), Rows(grid_->GetSelectedRows()));

    // A single cell or a column adds nothing.
    grid_->ClearSelection();
    grid_->SelectBlock(5, 2, 5, 2);
    grid_->SelectRow(1, true);
    EXPECT_EQ((std::vector<int>{1, 5}), Rows(grid_->GetSelectedRows()));
}

TEST_F(GridTest, RowSelectionModeListsEachSelectedRowFirstAsTheScreensUseIt) {
    grid_->SetSelectionMode(wxGrid::wxGridSelectRows);
    grid_->SelectRow(3);
    EXPECT_EQ(3, grid_->GetSelectedRows().empty() ? -1 : grid_->GetSelectedRows()[0]);
    grid_->SelectRow(8, true);
    const std::vector<int> rows = Rows(grid_->GetSelectedRows());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(3, rows[0]);
    EXPECT_NE(rows.end(), std::find(rows.begin(), rows.end(), 8));
}

TEST_F(GridTest, CtrlClickTogglesAWholeRowAndAPlainClickGoesToTheToolkit) {
    grid_->SetSelectionMode(wxGrid::wxGridSelectRows);
    bool passedOn = false;
    grid_->Bind(wxEVT_GRID_CELL_LEFT_CLICK, [&](wxGridEvent& event) {
        event.Skip();  // a screen's own handler that lets the grid go on
        passedOn = true;
    });
    grid_->SelectRow(2);
    CellClick(5, true);
    EXPECT_TRUE(grid_->IsInSelection(2, 0));
    EXPECT_TRUE(grid_->IsInSelection(5, 0));
    EXPECT_TRUE(grid_->IsInSelection(5, 2));
    CellClick(2, true);
    EXPECT_FALSE(grid_->IsInSelection(2, 0));
    EXPECT_TRUE(grid_->IsInSelection(5, 0));
    EXPECT_TRUE(passedOn);

    // Without Ctrl the grid itself does not toggle: the toolkit's handling follows.
    CellClick(5, false);
    EXPECT_TRUE(grid_->IsInSelection(5, 0));
}

TEST_F(GridTest, APressUnderTheLastRowClearsTheSelectionAndEveryPressGoesOnToTheToolkit) {
    grid_->SetSelectionMode(wxGrid::wxGridSelectRows);
    grid_->SelectRow(1);
    PressCellArea(5 * 20 + 5);  // on row 5: the toolkit selects the pressed row
    EXPECT_TRUE(grid_->IsInSelection(5, 0));
    grid_->SelectRow(1);
    PressCellArea(10 * 20 + 30);  // under the last row
    EXPECT_TRUE(Rows(grid_->GetSelectedRows()).empty());

    // Many rows, scrolled down: a press on a visible row lands on the row under the pointer.
    grid_->AppendRows(90);
    gui_test::PumpFor(0.05);
    grid_->Scroll(0, 60);
    gui_test::PumpFor(0.05);
    ASSERT_GT(grid_->GetViewStart().y, 0);
    const int y = grid_->GetGridWindow()->GetClientSize().y - 10;
    const int row = grid_->YToRow(grid_->CalcUnscrolledPosition(wxPoint(0, y)).y);
    ASSERT_GT(row, 10);
    PressCellArea(y);
    EXPECT_EQ((std::vector<int>{row}), Rows(grid_->GetSelectedRows()));
}

TEST_F(GridTest, PeekedRenderersComeWithoutAReferenceForTheCaller) {
    PvPhotoCheckCellRender* renderer = new PvPhotoCheckCellRender();
    grid_->SetCellRenderer(4, 0, renderer);
    const int before = renderer->GetRefCount();
    for (int i = 0; i < 3; ++i) {
        wxGridCellRenderer* peeked = grid_->PeekCellRenderer(4, 0);
        ASSERT_EQ(renderer, peeked);
        static_cast<PvPhotoCheckCellRender*>(peeked)->Toggle();
    }
    EXPECT_EQ(before, renderer->GetRefCount());
    EXPECT_TRUE(renderer->IsChecked());
    // A cell without its own renderer: the grid's default, still with its references.
    wxGridCellRenderer* fallback = grid_->PeekCellRenderer(4, 1);
    ASSERT_NE(nullptr, fallback);
    EXPECT_GE(fallback->GetRefCount(), 1);
    wxGridCellEditor* editor = grid_->PeekCellEditor(4, 1);
    ASSERT_NE(nullptr, editor);
    EXPECT_GE(editor->GetRefCount(), 1);
}

TEST_F(GridTest, RowAndColumnHelpers) {
    EXPECT_FALSE(grid_->RemoveRows(0, 0));
    EXPECT_EQ(10, grid_->GetNumberRows());
    EXPECT_TRUE(grid_->RemoveRows(2, 3));
    EXPECT_EQ(7, grid_->GetNumberRows());
    grid_->ClearRows();
    EXPECT_EQ(0, grid_->GetNumberRows());
    grid_->ClearRows();  // empty: nothing changes
    EXPECT_EQ(0, grid_->GetNumberRows());
    EXPECT_FALSE(grid_->RemoveRows(0, 0));

    grid_->SetColumnLabel(0, "Name", 120);
    grid_->SetColumnLabel(1, "Date", 80);
    grid_->SetColumnLabel(2, "Size", 60);
    EXPECT_EQ("Name", grid_->GetColLabelValue(0));
    EXPECT_EQ(120, grid_->GetColSize(0));
    grid_->HideColumnsFrom(3);
    EXPECT_EQ((std::vector<int>{120, 80, 60}),
              (std::vector<int>{grid_->GetColSize(0), grid_->GetColSize(1), grid_->GetColSize(2)}));
    grid_->HideColumnsFrom(1);
    EXPECT_EQ((std::vector<int>{120, 0, 0}),
              (std::vector<int>{grid_->GetColSize(0), grid_->GetColSize(1), grid_->GetColSize(2)}));

    // Columns set as a whole: the leading ones labelled and sized, the rest narrowed to 0, also
    // when the columns run far past the grid's right edge (the header is repainted only over
    // rectangles that exist).
    grid_->UseNativeColHeader(true);
    gui_test::PumpFor(0.05);
    gui_test::StderrCapture capture;
    grid_->SetColumns({{"Title", 300}, {"Place", 250}});
    EXPECT_EQ((std::vector<int>{300, 250, 0}),
              (std::vector<int>{grid_->GetColSize(0), grid_->GetColSize(1), grid_->GetColSize(2)}));
    EXPECT_EQ("Place", grid_->GetColLabelValue(1));
    grid_->SetColumns({{"A", 500}, {"B", 500}, {"C", 500}});
    grid_->SetColumns({{"D", 100}});
    EXPECT_EQ((std::vector<int>{100, 0, 0}),
              (std::vector<int>{grid_->GetColSize(0), grid_->GetColSize(1), grid_->GetColSize(2)}));
    EXPECT_EQ("D", grid_->GetColLabelValue(0));
    gui_test::PumpFor(0.05);
    EXPECT_TRUE(gui_test::ToolkitWarnings(capture.Stop()).empty());

    EXPECT_FALSE(grid_->RemoveColumns(0, 0));
    EXPECT_TRUE(grid_->RemoveColumns(1, 2));
    EXPECT_EQ(1, grid_->GetNumberCols());

    // One-cell repaints: a hidden or missing cell is left alone, a visible one repaints.
    grid_->AppendRows(2);
    grid_->RefreshCell(0, 0);
    grid_->RefreshCell(5, 5);
    grid_->RefreshCell(-1, 0);
    gui_test::PumpFor(0.05);
}

TEST_F(GridTest, AShortenedPictureNameShowsWholeAsTheTooltip) {
    grid_->SetColSize(0, 112);
    grid_->SetColSize(1, 112);
    grid_->SetRowSize(0, 140);
    const wxString longName = wxS("Holiday at the lake with the whole family 2013-07-14.JPG");
    const wxString names[] = {longName, wxS("A.JPG")};
    for (int col = 0; col < 2; ++col) {
        auto* picture = new PvPhotoCheckCellRender();
        picture->SetText(names[col]);
        grid_->SetCellRenderer(0, col, picture);
    }
    wxWindow* area = grid_->GetGridWindow();
    auto moveTo = [&](const wxPoint& at) {
        wxMouseEvent move(wxEVT_MOTION);
        move.SetEventObject(area);
        move.SetPosition(at);
        area->GetEventHandler()->ProcessEvent(move);
    };
    moveTo(wxPoint(50, 120));
    EXPECT_EQ(longName, area->GetToolTipText());
    moveTo(wxPoint(112 + 50, 120));
    EXPECT_EQ(wxString(), area->GetToolTipText());
    moveTo(wxPoint(50, 120));
    EXPECT_EQ(longName, area->GetToolTipText());
    moveTo(wxPoint(50, 200));  // a plain cell
    EXPECT_EQ(wxString(), area->GetToolTipText());
}

TEST(GridClass, IsKnownButNotMadeByName) {
    wxClassInfo* info = wxClassInfo::FindClass("RkGrid");
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxGrid)));
    EXPECT_FALSE(info->IsDynamic());
}

}  // namespace
