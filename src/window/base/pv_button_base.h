// The mouse and enabling state machine that the skinned buttons share (PvBitmapButton,
// PvWordButton): the look follows the mouse, every change repaints at once, and a press released
// on the button sends wxEVT_COMMAND_BUTTON_CLICKED with the button's own id, processed at once by
// its own event handler, so the parent handles it like any button. The mouse is not captured:
// a press that leaves the button is no click. Derived classes paint the look of GetState().
#pragma once

#include <wx/control.h>

// The looks of the skinned buttons.
enum ButtonState {
    BUTTON_NORMAL = 0,       // enabled, mouse not over it
    BUTTON_HOVER = 1,        // mouse over the button
    BUTTON_PRESSED = 2,      // left button went down on it
    BUTTON_RELEASED = 3,     // a click was just completed
    BUTTON_OUTSIDE = 4,      // the mouse left the enabled button
    BUTTON_PRESSED_ALT = 5,  // drawn like BUTTON_PRESSED; only set from outside
    BUTTON_DISABLED = 6,
};

class PvButtonBase : public wxControl {
  public:
    // BUTTON_NORMAL when enabling, BUTTON_DISABLED when disabling; repaints at once.
    bool Enable(bool enable = true) override;
    virtual bool Disable();

    int GetState() const { return state_; }

    // The transitions; virtual, so that a derived button can change one.
    virtual void OnEnterWindow(wxMouseEvent& event);
    virtual void OnLeaveWindow(wxMouseEvent& event);
    virtual void OnLeftDown(wxMouseEvent& event);
    virtual void OnLeftDClick(wxMouseEvent& event);
    virtual void OnLeftUp(wxMouseEvent& event);

  protected:
    PvButtonBase() = default;

    // The button keeps the size its creator gave it: layout never resizes it.
    wxSize DoGetBestSize() const override;

    // Refresh then Update, so that the new look shows before the handler returns.
    void RepaintNow(bool erase);

    int state_ = BUTTON_NORMAL;

  private:
    wxDECLARE_EVENT_TABLE();
};
