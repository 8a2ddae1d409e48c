#include "window/base/msw/pv_static_bitmap.h"

void PvStaticBitmapBase::SetBackgroundBitmap(wxBitmap* bg) {
    bg_ = bg;
    // A native GTK widget has no window of its own: its draw is turned into erase events.
    if (!hooked_ && m_widget != nullptr) {
        GTKConnectWidget("draw", TransparentHook::DrawCallback());
        hooked_ = true;
    }
}

wxBEGIN_EVENT_TABLE(PvStaticBitmap, PvStaticBitmapBase)
    EVT_ERASE_BACKGROUND(PvStaticBitmap::OnEraseBackground)
wxEND_EVENT_TABLE()

PvStaticBitmap::PvStaticBitmap() : bg_rect_(0, 0, 0, 0) {
    SetBackgroundStyle(wxBG_STYLE_ERASE);
    hollow_brush_ = new wxBrush(wxNullColour, wxBRUSHSTYLE_TRANSPARENT);
}

PvStaticBitmap::~PvStaticBitmap() {
    delete hollow_brush_;
}

void PvStaticBitmap::OnEraseBackground(wxEraseEvent& event) {
    wxDC* dc = event.GetDC();
    if (dc == nullptr) return;
    TransparentHook::PaintPiece(*dc, bg_, GetRect(), bg_rect_, bg_piece_);
}
