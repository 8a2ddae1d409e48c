#include "window/base/pv_photo_check_cell_render.h"

#include <wx/control.h>
#include <wx/dc.h>
#include <wx/renderer.h>

namespace {

// The native check box size, asked once per process, separately for drawing and for the best
// size. GTK measures a check box only for a window, so drawing asks it for the grid window too.
wxSize g_drawCheckSize;
wxSize g_bestCheckSize;

constexpr int kTextGap = 4;

wxSize DrawCheckSize(wxGrid& grid) {
    if (g_drawCheckSize.GetWidth() == 0) {
        g_drawCheckSize = wxRendererNative::Get().GetCheckBoxSize(grid.GetGridWindow());
    }
    return g_drawCheckSize;
}

}  // namespace

PvPhotoCheckCellRender::~PvPhotoCheckCellRender() = default;

wxGridCellRenderer* PvPhotoCheckCellRender::Clone() const {
    return new PvPhotoCheckCellRender;
}

wxSize PvPhotoCheckCellRender::GetBestSize(wxGrid& grid, wxGridCellAttr&, wxDC&, int, int) {
    if (g_bestCheckSize.GetWidth() == 0) {
        g_bestCheckSize = wxRendererNative::Get().GetCheckBoxSize(grid.GetGridWindow());
    }
    return g_bestCheckSize;
}

void PvPhotoCheckCellRender::Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect,
                                  int row, int col, bool isSelected) {
    wxGridCellRenderer::Draw(grid, attr, dc, rect, row, col, isSelected);

    const wxSize checkSize = DrawCheckSize(grid);
    const int checkTop =
        centred_ ? rect.y + (rect.height - checkSize.GetHeight()) / 2 : rect.y + check_y_;
    const wxRect checkRect(rect.x + check_x_, checkTop, checkSize.GetWidth(),
                           checkSize.GetHeight());

    if (checked_ != 0 && !centred_) {
        dc.SetPen(wxPen(*wxBLUE, 1, wxPENSTYLE_SOLID));
        dc.DrawRectangle(rect.x + 1, rect.y + 1, rect.width - 2, rect.height - 2);
    }

    wxRendererNative::Get().DrawCheckBox(grid.GetGridWindow(), dc, checkRect,
                                         checked_ != 0 ? int(wxCONTROL_CHECKED) : 0);

    if (thumbnail_ != nullptr && thumbnail_->IsOk()) {
        dc.DrawBitmap(*thumbnail_, rect.x + 6, rect.y + 6, false);
    }

    // The cell's font and text colours, as the grid's own renderers use them.
    SetTextColoursAndFont(grid, attr, dc, isSelected);
    dc.SetClippingRegion(rect);
    dc.DrawText(ShownText(grid, dc, rect.width), checkRect.x + checkSize.GetWidth() + kTextGap,
                checkRect.y);
    dc.DestroyClippingRegion();
}

wxString PvPhotoCheckCellRender::ShownText(wxGrid& grid, wxDC& dc, int cellWidth) const {
    if (centred_) return text_;
    // One pixel of the cell's frame stays free on the right.
    const int room = cellWidth - (check_x_ + DrawCheckSize(grid).GetWidth() + kTextGap) - 2;
    if (room <= 0 || dc.GetTextExtent(text_).GetWidth() <= room) return text_;
    return wxControl::Ellipsize(text_, dc, wxELLIPSIZE_MIDDLE, room);
}
