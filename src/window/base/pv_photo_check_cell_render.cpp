#include "window/base/pv_photo_check_cell_render.h"

#include <wx/dc.h>
#include <wx/renderer.h>

namespace {

// The native check box size, asked once per process, separately for drawing and for the best
// size. GTK measures a check box only for a window, so drawing asks it for the grid window too.
wxSize g_drawCheckSize;
wxSize g_bestCheckSize;

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

    if (g_drawCheckSize.GetWidth() == 0) {
        g_drawCheckSize = wxRendererNative::Get().GetCheckBoxSize(grid.GetGridWindow());
    }
    const wxSize checkSize = g_drawCheckSize;
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
    dc.DrawText(text_, checkRect.x + checkSize.GetWidth() + 4, checkRect.y);
    dc.DestroyClippingRegion();
}
