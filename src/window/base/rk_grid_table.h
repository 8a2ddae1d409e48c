// The rows of a table kind for an RkGrid, read from the records only for the cells that are drawn:
// filling the grid with any number of rows costs the same. Column 0 of every row is drawn by a
// check renderer beside its box; the check of each row lives in the table, so that it survives
// scrolling and repainting. Every cell is read-only.
#pragma once

#include <wx/grid.h>

#include <functional>
#include <vector>

#include "window/base/pv_photo_check_cell_render.h"

class RkGridTable : public wxGridTableBase {
  public:
    // The text of a cell of a row, taken from the row's record.
    using CellText = std::function<wxString(int row, int col)>;

    RkGridTable();
    ~RkGridTable() override;

    // Shows rows rows whose texts come from text; every row starts unchecked. The grid that
    // shows the table learns the new row count.
    void SetRows(int rows, CellText text);

    // The record's text of a cell (empty when the cell is outside the table).
    wxString GetText(int row, int col) const;

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    void Toggle(int row);
    void SetAllChecked(bool checked);
    // The checked rows, ascending.
    std::vector<int> GetCheckedRows() const;

    int GetNumberRows() override;
    int GetNumberCols() override;
    // Column 0 reads " " (its text is drawn by the renderer); an empty text reads " ".
    wxString GetValue(int row, int col) override;
    void SetValue(int row, int col, const wxString& value) override;
    bool IsEmptyCell(int row, int col) override;
    void Clear() override;
    // Rows can only be taken away as a whole or from the end; rows come from SetRows.
    bool DeleteRows(size_t pos, size_t numRows) override;
    bool AppendCols(size_t numCols) override;
    bool InsertCols(size_t pos, size_t numCols) override;
    bool DeleteCols(size_t pos, size_t numCols) override;
    wxString GetColLabelValue(int col) override;
    void SetColLabelValue(int col, const wxString& label) override;
    bool CanHaveAttributes() override;
    wxGridCellAttr* GetAttr(int row, int col, wxGridCellAttr::wxAttrKind kind) override;

  private:
    // Tells the grid, if any, that rows or columns went or came.
    void Notify(int message, int pos, int count);

    int rows_ = 0;
    CellText text_;
    std::vector<char> checked_;
    std::vector<wxString> labels_;
    wxGridCellAttr* check_attr_ = nullptr;
    wxGridCellAttr* text_attr_ = nullptr;
};

// The renderer of column 0: the box and text of a row, as the table holds them.
class RkGridCheckRenderer : public PvPhotoCheckCellRender {
  public:
    RkGridCheckRenderer();
    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override;
    wxGridCellRenderer* Clone() const override;
};
