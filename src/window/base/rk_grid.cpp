#include "window/base/rk_grid.h"

#include <algorithm>

wxIMPLEMENT_CLASS(RkGrid, wxGrid);

wxBEGIN_EVENT_TABLE(RkGrid, wxGrid)
    EVT_GRID_CELL_LEFT_CLICK(RkGrid::OnCellLeftClick)
wxEND_EVENT_TABLE()

RkGrid::RkGrid(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
               const wxString& name) {
    Create(parent, id, pos, size, style, name);
}

bool RkGrid::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                    long style, const wxString& name) {
    if (!wxGrid::Create(parent, id, pos, size, style, name)) return false;
    GetGridWindow()->Bind(wxEVT_LEFT_DOWN, &RkGrid::OnGridWindowLeftDown, this);
    return true;
}

wxArrayInt RkGrid::GetSelectedRows() const {
    wxArrayInt rows = wxGrid::GetSelectedRows();
    const wxGridCellCoordsArray tops = GetSelectionBlockTopLeft();
    const wxGridCellCoordsArray bottoms = GetSelectionBlockBottomRight();
    if (tops.empty() || bottoms.empty()) return rows;
    const int lastCol = GetNumberCols() - 1;
    const size_t count = std::min(tops.size(), bottoms.size());
    for (size_t i = 0; i < count; ++i) {
        // The toolkit also reports a wholly selected row as a block over every column; that
        // block is the row listed above, not a selection of its own.
        if (tops[i].GetCol() == 0 && bottoms[i].GetCol() == lastCol) {
            bool listed = true;
            for (int row = tops[i].GetRow(); row <= bottoms[i].GetRow() && listed; ++row) {
                listed = rows.Index(row) != wxNOT_FOUND;
            }
            if (listed) continue;
        }
        for (int row = tops[i].GetRow(); row <= bottoms[i].GetRow(); ++row) rows.Add(row);
    }
    return rows;
}

wxGridCellRenderer* RkGrid::PeekCellRenderer(int row, int col) const {
    wxGridCellRenderer* renderer = GetCellRenderer(row, col);
    if (renderer && renderer->GetRefCount() > 1) renderer->DecRef();
    return renderer;
}

wxGridCellEditor* RkGrid::PeekCellEditor(int row, int col) const {
    wxGridCellEditor* editor = GetCellEditor(row, col);
    if (editor && editor->GetRefCount() > 1) editor->DecRef();
    return editor;
}

void RkGrid::RefreshCell(int row, int col) {
    if (row < 0 || col < 0 || row >= GetNumberRows() || col >= GetNumberCols()) return;
    const wxRect rect = CellToRect(row, col);
    if (rect.width <= 0 || rect.height <= 0) return;
    const wxPoint scrolled = CalcScrolledPosition(rect.GetTopLeft());
    GetGridWindow()->RefreshRect(wxRect(scrolled, rect.GetSize()), true);
}

bool RkGrid::RemoveRows(int pos, int count, bool updateLabels) {
    if (count == 0) return false;
    return DeleteRows(pos, count, updateLabels);
}

bool RkGrid::RemoveColumns(int pos, int count, bool updateLabels) {
    if (count == 0) return false;
    return DeleteCols(pos, count, updateLabels);
}

void RkGrid::ClearRows() {
    RemoveRows(0, GetNumberRows(), true);
}

void RkGrid::HideColumnsFrom(int first) {
    for (int col = std::max(first, 0); col < GetNumberCols(); ++col) SetColSize(col, 0);
}

void RkGrid::SetColumnLabel(int col, const wxString& label, int width) {
    SetColLabelValue(col, label);
    SetColSize(col, width);
}

void RkGrid::AppendColumn(const wxString& label, int width, bool visible) {
    AppendCols(1, true);
    const int col = GetNumberCols() - 1;
    if (!visible) {
        HideCol(col);
        return;
    }
    ShowCol(col);
    SetColLabelValue(col, label);
    SetColSize(col, width);
    SetColLabelAlignment(wxALIGN_CENTRE, wxALIGN_CENTRE);
}

void RkGrid::OnCellLeftClick(wxGridEvent& event) {
    const int row = event.GetRow();
    if (!event.CmdDown()) {
        event.Skip();
        return;
    }
    if (IsInSelection(row, 0)) {
        DeselectRow(row);
        ForceRefresh();
    } else {
        SelectRow(row, true);
    }
}

void RkGrid::OnGridWindowLeftDown(wxMouseEvent& event) {
    // The click's position in the cell area is scrolled; the row lookup takes the whole grid's
    // coordinates, so that the empty area under the last row is found also after scrolling.
    const wxPoint logical = CalcUnscrolledPosition(event.GetPosition());
    if (YToRow(logical.y, false) == wxNOT_FOUND) ClearSelection();
    event.Skip();
}
