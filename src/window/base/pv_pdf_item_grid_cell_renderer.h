// First cell of a backup-list row: the encryption icon (lock in state 0, delete in state 1)
// followed by the device name.
#pragma once

#include <wx/bitmap.h>
#include <wx/grid.h>

class PvPdfItemGridCellRenderer : public wxGridCellStringRenderer {
  public:
    PvPdfItemGridCellRenderer();
    ~PvPdfItemGridCellRenderer() override;

    // 0 draws the lock icon, 1 the delete icon, anything else no icon.
    void SetState(int state) { state_ = state; }
    void SetText(const wxString& text) { text_ = text; }

    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override;

  private:
    wxBitmap* lock_icon_ = nullptr;
    wxBitmap* delete_icon_ = nullptr;
    int state_ = -1;
    wxString text_;
};
