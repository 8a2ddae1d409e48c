// The grid of both screens: the selected-row list, Ctrl+click toggling, clearing by a click under
// the last row (also after scrolling), borrowed renderers, the row and column helpers, and a
// table of record rows that reads only the cells drawn and keeps the checks of its rows.
#include <algorithm>
#include <set>
#include <vector>

#include "widgets_support.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"

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

TEST_F(GridTest, ATableOfRecordRowsReadsTheDrawnCellsOnlyAndKeepsTheChecksOfItsRows) {
    auto* table = new RkGridTable();
    grid_->SetTable(table, true, wxGrid::wxGridSelectRows);
    EXPECT_EQ(table, grid_->GetRowTable());
    for (int c = 0; c < 3; ++c) grid_->AppendColumn(wxS("."), 120, true);
    EXPECT_EQ(3, grid_->GetNumberCols());
    grid_->SetColumnLabel(1, wxS("Phone"), 120);
    EXPECT_EQ(wxS("Phone"), grid_->GetColLabelValue(1));

    const int kRows = 100000;
    std::set<int> asked;
    table->SetRows(kRows, [&asked](int row, int col) {
        asked.insert(row);
        return col == 2 && row % 2 == 1 ? wxString() : wxString::Format(wxS("%d:%d"), row, col);
    });
    EXPECT_EQ(kRows, grid_->GetNumberRows());
    // Column 0 is drawn by the check renderer from the row's text; an empty text reads " ".
    EXPECT_EQ(wxS(" "), grid_->GetCellValue(7, 0));
    EXPECT_EQ(wxS("7:0"), table->GetText(7, 0));
    EXPECT_EQ(wxS("7:1"), grid_->GetCellValue(7, 1));
    EXPECT_EQ(wxS(" "), grid_->GetCellValue(7, 2));
    EXPECT_EQ(wxS("8:2"), grid_->GetCellValue(8, 2));
    EXPECT_TRUE(grid_->IsReadOnly(7, 0));
    EXPECT_TRUE(grid_->IsReadOnly(7, 1));
    EXPECT_NE(nullptr, dynamic_cast<RkGridCheckRenderer*>(grid_->PeekCellRenderer(7, 0)));
    EXPECT_EQ(nullptr, dynamic_cast<RkGridCheckRenderer*>(grid_->PeekCellRenderer(7, 1)));

    // Checks belong to rows and stay while the grid scrolls to the end, where only the rows in
    // view are read.
    table->Toggle(3);
    table->SetChecked(kRows - 1, true);
    table->SetChecked(kRows, true);  // outside: nothing
    asked.clear();
    grid_->MakeCellVisible(kRows - 1, 0);
    grid_->Refresh();
    gui_test::PumpFor(0.1);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(kRows - 1, *asked.rbegin());
    EXPECT_GT(*asked.begin(), kRows - 40);
    EXPECT_TRUE(table->IsChecked(kRows - 1));
    EXPECT_FALSE(table->IsChecked(kRows - 2));
    grid_->MakeCellVisible(0, 0);
    gui_test::PumpFor(0.05);
    EXPECT_EQ((std::vector<int>{3, kRows - 1}), table->GetCheckedRows());
    table->Toggle(3);
    EXPECT_EQ((std::vector<int>{kRows - 1}), table->GetCheckedRows());

    // Check All and back.
    table->SetAllChecked(true);
    EXPECT_EQ(static_cast<std::size_t>(kRows), table->GetCheckedRows().size());
    table->SetAllChecked(false);
    EXPECT_TRUE(table->GetCheckedRows().empty());

    // Selection works as with the grid's own cells.
    grid_->SelectRow(5);
    grid_->SelectRow(9, true);
    EXPECT_EQ((std::vector<int>{5, 9}), Rows(grid_->GetSelectedRows()));

    // New rows start unchecked and unselected.
    table->Toggle(1);
    table->SetRows(4,
                   [](int row, int col) { return wxString::Format(wxS("new %d:%d"), row, col); });
    EXPECT_EQ(4, grid_->GetNumberRows());
    EXPECT_EQ(wxS("new 2:1"), grid_->GetCellValue(2, 1));
    EXPECT_TRUE(table->GetCheckedRows().empty());
    EXPECT_TRUE(Rows(grid_->GetSelectedRows()).empty());
    gui_test::PumpFor(0.05);

    // Rows go as a whole or from the end.
    EXPECT_FALSE(grid_->RemoveRows(1, 1));
    EXPECT_TRUE(grid_->RemoveRows(3, 1));
    EXPECT_EQ(3, grid_->GetNumberRows());
    grid_->ClearRows();
    EXPECT_EQ(0, grid_->GetNumberRows());
    EXPECT_EQ(wxString(), table->GetText(0, 1));
}

TEST(GridClass, IsKnownButNotMadeByName) {
    wxClassInfo* info = wxClassInfo::FindClass("RkGrid");
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->IsKindOf(wxCLASSINFO(wxGrid)));
    EXPECT_FALSE(info->IsDynamic());
}

}  // namespace
