#include "window/base/pv_bitmap_button.h"

#include <wx/dcclient.h>

// Registered with wxControl as its base: PvButtonBase has no class information of its own.
wxIMPLEMENT_DYNAMIC_CLASS(PvBitmapButton, wxControl);

wxBEGIN_EVENT_TABLE(PvBitmapButton, PvButtonBase)
    EVT_PAINT(PvBitmapButton::OnPaint)
wxEND_EVENT_TABLE()

PvBitmapButton::PvBitmapButton() = default;

PvBitmapButton::PvBitmapButton(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                               const wxSize& size, long style, const wxValidator& validator) {
    Create(parent, id, pos, size, style, validator);
}

PvBitmapButton::~PvBitmapButton() {
    delete normal_;
    delete hover_;
    delete pressed_;
    delete disabled_;
}

bool PvBitmapButton::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                            long style, const wxValidator& validator) {
    normal_ = nullptr;
    pressed_ = nullptr;
    hover_ = nullptr;
    disabled_ = nullptr;
    if (!wxControl::Create(parent, id, pos, size, style, validator, wxControlNameStr)) {
        return false;
    }
    has_background_bitmap_ = false;
    forced_ = false;
    forced_state_ = 0;
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    return true;
}

PvBitmapButton* PvBitmapButton::SetNormalBitmap(wxBitmap* bitmap) {
    if (bitmap != normal_) {
        delete normal_;
        normal_ = bitmap;
    }
    return this;
}

PvBitmapButton* PvBitmapButton::SetPressedBitmap(wxBitmap* bitmap) {
    if (bitmap != pressed_) {
        delete pressed_;
        pressed_ = bitmap;
    }
    return this;
}

PvBitmapButton* PvBitmapButton::SetHoverBitmap(wxBitmap* bitmap) {
    if (bitmap != hover_) {
        delete hover_;
        hover_ = bitmap;
    }
    return this;
}

PvBitmapButton* PvBitmapButton::SetDisabledBitmap(wxBitmap* bitmap) {
    if (bitmap != disabled_) {
        delete disabled_;
        disabled_ = bitmap;
    }
    return this;
}

PvBitmapButton* PvBitmapButton::SetBackgroundBitmap(const wxBitmap& bitmap) {
    background_bitmap_ = bitmap;
    has_background_bitmap_ = true;
    return this;
}

bool PvBitmapButton::SetBackgroundColour(const wxColour& colour) {
    has_background_bitmap_ = false;
    return wxControl::SetBackgroundColour(colour);
}

void PvBitmapButton::SetState(int state) {
    state_ = state;
    RepaintNow(false);
}

void PvBitmapButton::SetForcedState(bool forced, int state) {
    forced_ = forced;
    forced_state_ = state;
    RepaintNow(false);
}

void PvBitmapButton::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    PaintButton(dc);
}

void PvBitmapButton::PaintButton(wxDC& dc) {
    DrawBackground(dc);
    DrawState(dc, forced_ ? forced_state_ : state_);
}

void PvBitmapButton::DrawBackground(wxDC& dc) {
    if (has_background_bitmap_ && background_bitmap_.IsOk()) {
        dc.DrawBitmap(background_bitmap_, 0, 0, true);
        return;
    }
    const wxColour colour = GetBackgroundColour();
    dc.SetBrush(wxBrush(colour, wxBRUSHSTYLE_SOLID));
    dc.SetPen(wxPen(colour, 1, wxPENSTYLE_SOLID));
    const wxSize size = GetSize();
    dc.DrawRectangle(0, 0, size.GetWidth(), size.GetHeight());
}

void PvBitmapButton::DrawState(wxDC& dc, int state) {
    // A button whose normal image was never set shows only its background.
    const wxBitmap* image = normal_;
    switch (state) {
        case BUTTON_HOVER:
            if (!hover_) {
                // No hover image: a one-pixel red frame over the background. It goes on the
                // paint context: GTK composes every frame from the paint pass, so a separate
                // client context would be painted over.
                dc.SetPen(*wxRED_PEN);
                dc.SetBrush(*wxTRANSPARENT_BRUSH);
                const wxSize size = DoGetBestSize();
                dc.DrawRectangle(0, 0, size.GetWidth(), size.GetHeight());
                return;
            }
            image = hover_;
            break;
        case BUTTON_PRESSED:
        case BUTTON_PRESSED_ALT:
            if (pressed_) {
                image = pressed_;
            }
            break;
        case BUTTON_DISABLED:
            if (disabled_) {
                image = disabled_;
            }
            break;
        default:
            break;
    }
    if (image && image->IsOk()) {
        dc.DrawBitmap(*image, 0, 0, true);
    }
}
