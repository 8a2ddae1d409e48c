#include "window/base/rk_grid.h"

#include <wx/dcclient.h>

#include <algorithm>

#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid_table.h"

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
    GetGridWindow()->Bind(wxEVT_MOTION, &RkGrid::OnGridWindowMotion, this);
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

void RkGrid::SetColumns(const std::vector<std::pair<wxString, int>>& columns) {
    const int count = GetNumberCols();
    for (int col = 0; col < count; ++col) {
        if (GetColSize(col) != 0) SetColSize(col, 0);
    }
    for (int col = 0; col < count && col < static_cast<int>(columns.size()); ++col) {
        SetColLabelValue(col, columns[col].first);
    }
    for (int col = std::min(count, static_cast<int>(columns.size())) - 1; col >= 0; --col) {
        if (columns[col].second > 0) SetColSize(col, columns[col].second);
    }
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

void RkGrid::OnGridWindowMotion(wxMouseEvent& event) {
    event.Skip();
    const wxPoint logical = CalcUnscrolledPosition(event.GetPosition());
    const int row = YToRow(logical.y);
    const int col = XToCol(logical.x);
    wxString tip;
    if (row != wxNOT_FOUND && col != wxNOT_FOUND) {
        auto* picture = dynamic_cast<PvPhotoCheckCellRender*>(PeekCellRenderer(row, col));
        // A table of record rows shares one renderer among its rows: it takes the row's text.
        RkGridTable* table = GetRowTable();
        if (picture != nullptr && table != nullptr) picture->SetText(table->GetText(row, col));
        if (picture != nullptr) {
            wxClientDC dc(GetGridWindow());
            dc.SetFont(GetCellFont(row, col));
            if (picture->ShownText(*this, dc, GetColSize(col)) != picture->GetText())
                tip = picture->GetText();
        }
    }
    wxWindow* area = GetGridWindow();
    if (tip == area->GetToolTipText()) return;
    if (tip.empty()) {
        area->UnsetToolTip();
    } else {
        area->SetToolTip(tip);
    }
}

RkGridTable* RkGrid::GetRowTable() const {
    return dynamic_cast<RkGridTable*>(GetTable());
}
