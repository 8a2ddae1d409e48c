// The owner-drawn image button of the skinned windows (title bar, About box): no text, no native
// look; one of up to four images by a small mouse-driven state machine, over a piece of the
// parent's background or a plain colour. A completed click sends wxEVT_COMMAND_BUTTON_CLICKED
// with the button's own id, so the parent handles it like any button.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

class wxDC;

// The looks of the skinned buttons (PvBitmapButton, PvWordButton).
enum ButtonState {
    BUTTON_NORMAL = 0,       // enabled, mouse not over it
    BUTTON_HOVER = 1,        // mouse over the button
    BUTTON_PRESSED = 2,      // left button went down on it
    BUTTON_RELEASED = 3,     // a click was just completed
    BUTTON_OUTSIDE = 4,      // the mouse left the enabled button
    BUTTON_PRESSED_ALT = 5,  // drawn like BUTTON_PRESSED; only set from outside
    BUTTON_DISABLED = 6,
};

class PvBitmapButton : public wxControl {
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

    // BUTTON_NORMAL when enabling, BUTTON_DISABLED when disabling; repaints at once.
    bool Enable(bool enable = true) override;
    virtual bool Disable();

    void SetState(int state);
    int GetState() const { return state_; }
    // While forced, painting shows state instead of the mouse-driven look.
    void SetForcedState(bool forced, int state);

    virtual void OnEnterWindow(wxMouseEvent& event);
    virtual void OnLeaveWindow(wxMouseEvent& event);
    virtual void OnLeftDown(wxMouseEvent& event);
    virtual void OnLeftDClick(wxMouseEvent& event);
    virtual void OnLeftUp(wxMouseEvent& event);

  protected:
    wxSize DoGetBestSize() const override;

    void OnPaint(wxPaintEvent& event);
    // Everything a paint puts on the button: background, then the image of the look.
    void PaintButton(wxDC& dc);
    void DrawBackground(wxDC& dc);
    void DrawState(wxDC& dc, int state);

  private:
    void RepaintNow(bool erase);

    wxBitmap background_bitmap_;
    bool has_background_bitmap_ = false;
    wxBitmap* normal_ = nullptr;
    wxBitmap* pressed_ = nullptr;
    wxBitmap* hover_ = nullptr;
    wxBitmap* disabled_ = nullptr;
    int state_ = BUTTON_NORMAL;
    bool forced_ = false;
    int forced_state_ = 0;

    wxDECLARE_DYNAMIC_CLASS(PvBitmapButton);
    wxDECLARE_EVENT_TABLE();
};
