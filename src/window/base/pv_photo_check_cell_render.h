// A cell with a check box: the first cell of a table row (centred box and the row's first value)
// and every cell of the picture grids (thumbnail, box at (2, 120), file name). The check state
// lives only in the renderer.
#pragma once

#include <wx/bitmap.h>
#include <wx/grid.h>

class PvPhotoCheckCellRender : public wxGridCellRenderer {
  public:
    PvPhotoCheckCellRender() = default;
    ~PvPhotoCheckCellRender() override;

    void SetText(const wxString& text) { text_ = text; }
    const wxString& GetText() const { return text_; }
    // The text as drawn in a cell of the given width: a picture's file name that does not fit
    // is shortened in the middle with an ellipsis, so that its start and its extension stay; a
    // table row's value comes whole (the cell's edge cuts it).
    wxString ShownText(wxGrid& grid, wxDC& dc, int cellWidth) const;
    // x of the check box inside the cell; the text starts 4 pixels after the box.
    int GetCheckX() const { return check_x_; }
    // Kept, not owned; drawn at (6, 6) of the cell.
    void SetBitmap(wxBitmap* bitmap) { thumbnail_ = bitmap; }
    // Centres the box vertically and drops the checked frame (table rows); no way back.
    void SetCentred() { centred_ = true; }
    void SetChecked(bool checked) { checked_ = checked ? 1 : 0; }
    void Toggle() { checked_ = checked_ == 0 ? 1 : 0; }
    bool IsChecked() const { return checked_ != 0; }

    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override;
    wxSize GetBestSize(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, int row, int col) override;
    // A fresh renderer with the defaults; nothing is copied.
    wxGridCellRenderer* Clone() const override;

  private:
    wxBitmap* thumbnail_ = nullptr;
    wxString text_;
    int check_x_ = 2;
    int check_y_ = 120;
    bool centred_ = false;
    int checked_ = 0;
};
