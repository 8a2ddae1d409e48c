// The one base of the transparent controls (static text, static bitmap, hyperlink): a library
// control that sits on a skinned window without a box of its own. It holds a pointer to the
// parent's background image and, at every erase, paints the piece of that image which lies under
// the control (cut once per position and size, clipped to the image); the control's own text or
// image is drawn over it. A derived class routes wxEVT_ERASE_BACKGROUND to OnEraseBackground.
// Create it with the default constructor, then the library control's own Create, then
// SetBackgroundBitmap before it is first shown.
#pragma once

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/event.h>

#include "window/base/msw/pv_transparent_hook.h"

template <class Control>
class PvTransparentBase : public Control {
  public:
    bool HasTransparentBackground() override { return true; }

    // The parent's background image (not owned), the image the parent draws at (0, 0).
    void SetBackgroundBitmap(wxBitmap* bg) {
        bg_ = bg;
        // A native GTK widget without a window of its own (a label, an image) gets no erase
        // events from the toolkit: its draw is turned into erase events, once. A generic control
        // has its own window and gets them anyway.
        if (!hooked_ && this->m_widget != nullptr && this->m_wxwindow == nullptr) {
            this->GTKConnectWidget("draw", TransparentHook::DrawCallback());
            hooked_ = true;
        }
    }

    void OnEraseBackground(wxEraseEvent& event) {
        wxDC* dc = event.GetDC();
        if (dc == nullptr) return;
        TransparentHook::PaintPiece(*dc, bg_, this->GetRect(), bg_rect_, bg_piece_);
    }

  protected:
    PvTransparentBase()
        : hollow_brush_(new wxBrush(wxNullColour, wxBRUSHSTYLE_TRANSPARENT)), bg_rect_(0, 0, 0, 0) {
        this->SetBackgroundStyle(wxBG_STYLE_ERASE);
    }
    ~PvTransparentBase() override { delete hollow_brush_; }
    PvTransparentBase(const PvTransparentBase&) = delete;
    PvTransparentBase& operator=(const PvTransparentBase&) = delete;

    wxBitmap* bg_ = nullptr;
    bool hooked_ = false;    // native draw connected to erase events
    wxBrush* hollow_brush_;  // what a native control-colour request would be answered with
    wxRect bg_rect_;         // the control rectangle the piece was cut for
    wxBitmap bg_piece_;      // the piece of bg_ under the control
};
