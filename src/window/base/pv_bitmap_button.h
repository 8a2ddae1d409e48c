// The owner-drawn image button of the skinned windows (title bar, About box): no text, no native
// look; one of up to four images by the mouse-driven state machine of PvButtonBase, over a piece
// of the parent's background or a plain colour.
#pragma once

#include <wx/bitmap.h>

#include "window/base/pv_button_base.h"

class wxDC;

class PvBitmapButton : public PvButtonBase {
  public:
    PvBitmapButton();
    PvBitmapButton(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                   const wxSize& size = wxDefaultSize, long style = wxBORDER_NONE,
                   const wxValidator& validator = wxDefaultValidator);
    ~PvBitmapButton() override;

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxBORDER_NONE,
                const wxValidator& validator = wxDefaultValidator);

    // The button takes ownership of each image; the setters do not repaint and return the
    // button so that calls chain.
    PvBitmapButton* SetNormalBitmap(wxBitmap* bitmap);
    PvBitmapButton* SetPressedBitmap(wxBitmap* bitmap);
    PvBitmapButton* SetHoverBitmap(wxBitmap* bitmap);
    PvBitmapButton* SetDisabledBitmap(wxBitmap* bitmap);

    // The piece of the parent's background under the button (copied); painted under the image.
    PvBitmapButton* SetBackgroundBitmap(const wxBitmap& bitmap);
    // Switches the background back to a plain fill of this colour.
    bool SetBackgroundColour(const wxColour& colour) override;

    void SetState(int state);
    // While forced, painting shows state instead of the mouse-driven look.
    void SetForcedState(bool forced, int state);

  protected:
    void OnPaint(wxPaintEvent& event);
    // Everything a paint puts on the button: background, then the image of the look.
    void PaintButton(wxDC& dc);
    void DrawBackground(wxDC& dc);
    void DrawState(wxDC& dc, int state);

  private:
    wxBitmap background_bitmap_;
    bool has_background_bitmap_ = false;
    wxBitmap* normal_ = nullptr;
    wxBitmap* pressed_ = nullptr;
    wxBitmap* hover_ = nullptr;
    wxBitmap* disabled_ = nullptr;
    bool forced_ = false;
    int forced_state_ = 0;

    wxDECLARE_DYNAMIC_CLASS(PvBitmapButton);
    wxDECLARE_EVENT_TABLE();
};
