// The grid of both screens: the toolkit grid plus a selected-row list that also counts selected
// blocks, Ctrl+click toggling of a whole row, clearing the selection by a click below the last
// row, a one-cell repaint, borrowed renderer access, short row/column helpers and the whole file
// name of a shortened picture cell as its tooltip.
#pragma once

#include <wx/grid.h>

#include <utility>
#include <vector>

class RkGridTable;

class RkGrid : public wxGrid {
  public:
    RkGrid() = default;
    RkGrid(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
           const wxSize& size = wxDefaultSize, long style = wxWANTS_CHARS,
           const wxString& name = wxGridNameStr);

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxWANTS_CHARS,
                const wxString& name = wxGridNameStr);

    // Wholly selected rows, then every row of every selected block, in order; not sorted, not
    // deduplicated.
    wxArrayInt GetSelectedRows() const;

    // The cell's renderer / editor without a reference for the caller: do not DecRef it.
    wxGridCellRenderer* PeekCellRenderer(int row, int col) const;
    wxGridCellEditor* PeekCellEditor(int row, int col) const;

    // Repaints one cell; a cell of zero width or height is left alone.
    void RefreshCell(int row, int col);

    // count 0: false and nothing changes; otherwise the toolkit's delete.
    bool RemoveRows(int pos, int count, bool updateLabels = true);
    bool RemoveColumns(int pos, int count, bool updateLabels = true);
    void ClearRows();
    // Width 0 for every column from first to the last.
    void HideColumnsFrom(int first);
    void SetColumnLabel(int col, const wxString& label, int width);
    // Labels and widths of the leading columns, in order; every later column gets width 0. The
    // native column header repaints from a changed column to its right edge and is handed a
    // rectangle of negative width for a column that starts past that edge, so the columns are
    // first all narrowed to 0, then labelled, then widened from the last to the first.
    void SetColumns(const std::vector<std::pair<wxString, int>>& columns);
    // Appends one column: shown with a centred label and the width, or hidden.
    void AppendColumn(const wxString& label, int width, bool visible);

    // The table of record rows that the grid shows, or null when the grid keeps its own cells.
    RkGridTable* GetRowTable() const;

  protected:
    void OnCellLeftClick(wxGridEvent& event);
    void OnGridWindowLeftDown(wxMouseEvent& event);
    // A picture cell whose file name is shown shortened gives the whole name as the tooltip.
    void OnGridWindowMotion(wxMouseEvent& event);

  private:
    wxDECLARE_CLASS(RkGrid);
    wxDECLARE_EVENT_TABLE();
};
