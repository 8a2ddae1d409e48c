#include "window/base/pv_button_base.h"

wxBEGIN_EVENT_TABLE(PvButtonBase, wxControl)
    EVT_ENTER_WINDOW(PvButtonBase::OnEnterWindow)
    EVT_LEAVE_WINDOW(PvButtonBase::OnLeaveWindow)
    EVT_LEFT_DOWN(PvButtonBase::OnLeftDown)
    EVT_LEFT_DCLICK(PvButtonBase::OnLeftDClick)
    EVT_LEFT_UP(PvButtonBase::OnLeftUp)
wxEND_EVENT_TABLE()

bool PvButtonBase::Enable(bool enable) {
    state_ = enable ? BUTTON_NORMAL : BUTTON_DISABLED;
    RepaintNow(false);
    return wxWindowBase::Enable(enable);
}

bool PvButtonBase::Disable() {
    return Enable(false);
}

wxSize PvButtonBase::DoGetBestSize() const {
    return GetSize();
}

void PvButtonBase::RepaintNow(bool erase) {
    if (!GetHandle()) return;
    Refresh(erase);
    Update();
}

void PvButtonBase::OnEnterWindow(wxMouseEvent&) {
    state_ = BUTTON_HOVER;
    RepaintNow(true);
}

void PvButtonBase::OnLeaveWindow(wxMouseEvent&) {
    if (!IsEnabled()) return;
    state_ = BUTTON_OUTSIDE;
    RepaintNow(true);
}

void PvButtonBase::OnLeftDown(wxMouseEvent&) {
    state_ = BUTTON_PRESSED;
    RepaintNow(true);
}

void PvButtonBase::OnLeftDClick(wxMouseEvent&) {
    // The second press of a double click arms a second click.
    state_ = BUTTON_PRESSED;
    RepaintNow(false);
}

void PvButtonBase::OnLeftUp(wxMouseEvent&) {
    if (state_ != BUTTON_PRESSED) return;
    state_ = BUTTON_RELEASED;
    RepaintNow(true);
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, GetId());
    click.SetEventObject(this);
    GetEventHandler()->ProcessEvent(click);
}
