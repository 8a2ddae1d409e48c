#include "window/base/msw/pv_hyperlink_ctrl.h"

void PvHyperLinkCtrlBase::SetBackgroundBitmap(wxBitmap* bg) {
    bg_ = bg;
    // The generic control has a window of its own and gets erase events from the toolkit.
}

wxBEGIN_EVENT_TABLE(PvHyperLinkCtrl, PvHyperLinkCtrlBase)
    EVT_ERASE_BACKGROUND(PvHyperLinkCtrl::OnEraseBackground)
wxEND_EVENT_TABLE()

PvHyperLinkCtrl::PvHyperLinkCtrl() : bg_rect_(0, 0, 0, 0) {
    SetBackgroundStyle(wxBG_STYLE_ERASE);
    hollow_brush_ = new wxBrush(wxNullColour, wxBRUSHSTYLE_TRANSPARENT);
}

PvHyperLinkCtrl::~PvHyperLinkCtrl() {
    delete hollow_brush_;
}

void PvHyperLinkCtrl::OnEraseBackground(wxEraseEvent& event) {
    wxDC* dc = event.GetDC();
    if (dc == nullptr) return;
    TransparentHook::PaintPiece(*dc, bg_, GetRect(), bg_rect_, bg_piece_);
}
