#include "window/base/pv_pdf_item_grid_cell_renderer.h"

#include <wx/dc.h>

#include "common/image_util.h"

PvPdfItemGridCellRenderer::PvPdfItemGridCellRenderer() {
    delete_icon_ = ImageUtil::LoadThemeBitmap("image/base/delete.png", wxBITMAP_TYPE_PNG);
    lock_icon_ = ImageUtil::LoadThemeBitmap("image/base/lock.png", wxBITMAP_TYPE_PNG);
}

PvPdfItemGridCellRenderer::~PvPdfItemGridCellRenderer() {
    delete lock_icon_;
    delete delete_icon_;
}

void PvPdfItemGridCellRenderer::Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc,
                                     const wxRect& rect, int row, int col, bool isSelected) {
    wxGridCellStringRenderer::Draw(grid, attr, dc, rect, row, col, isSelected);
    // The string renderer leaves the cell's text colours and font set; set them again in case a
    // toolkit version does not.
    SetTextColoursAndFont(grid, attr, dc, isSelected);

    const bool hasDelete = delete_icon_ != nullptr && delete_icon_->IsOk();
    const int iconHeight = hasDelete ? delete_icon_->GetHeight() : 0;
    const int iconWidth = hasDelete ? delete_icon_->GetWidth() : 0;
    const int iconTop = (rect.height - iconHeight) / 2;

    const wxBitmap* icon = nullptr;
    if (state_ == 0) icon = lock_icon_;
    if (state_ == 1) icon = delete_icon_;
    if (icon != nullptr && icon->IsOk()) {
        dc.DrawBitmap(*icon, rect.x + 4, rect.y + iconTop, true);
    }

    if (text_.empty()) return;
    const wxSize extent = dc.GetTextExtent(text_);
    dc.SetClippingRegion(rect);
    dc.DrawText(text_, rect.x + iconWidth + 8, rect.y + (rect.height - extent.GetHeight()) / 2);
    dc.DestroyClippingRegion();
}
