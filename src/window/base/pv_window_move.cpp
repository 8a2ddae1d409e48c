#include "window/base/pv_window_move.h"

#include <wx/dcscreen.h>
#include <wx/window.h>

void PvWindowMove::OnLeftDown(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                              wxPoint& offset) {
    if (!capturer->HasCapture()) capturer->CaptureMouse();
    offset = capturer->ClientToScreen(event.GetPosition()) - window->GetPosition();
}

void PvWindowMove::OnMotion(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                            const wxPoint& offset) {
    if (!event.Dragging() || !event.LeftIsDown() || !capturer->HasCapture()) return;
    window->Move(capturer->ClientToScreen(event.GetPosition()) - offset);
}

void PvWindowMove::OnLeftUp(wxWindow*, wxWindow* capturer) {
    if (capturer->HasCapture()) capturer->ReleaseMouse();
}

void PvWindowMove::DrawXorOutline(wxWindow* window, const wxPoint& corner) {
    wxScreenDC dc;
    const wxRasterOperationMode old = dc.GetLogicalFunction();
    dc.SetLogicalFunction(wxXOR);
    dc.SetPen(wxPen(*wxWHITE, 1, wxPENSTYLE_SOLID));
    dc.SetBrush(wxBrush(*wxWHITE, wxBRUSHSTYLE_TRANSPARENT));
    const wxSize size = window->GetSize();
    dc.DrawRectangle(corner.x, corner.y, size.GetWidth(), size.GetHeight());
    dc.SetLogicalFunction(old);
}

void PvWindowMove::OnOutlineLeftDown(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                     wxPoint& offset, wxPoint& outline) {
    OnLeftDown(window, capturer, event, offset);
    outline = window->GetPosition();
    DrawXorOutline(window, outline);
}

void PvWindowMove::OnOutlineMotion(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                   const wxPoint& offset, wxPoint& outline) {
    if (!event.Dragging() || !event.LeftIsDown() || !capturer->HasCapture()) return;
    DrawXorOutline(window, outline);
    outline = capturer->ClientToScreen(event.GetPosition()) - offset;
    DrawXorOutline(window, outline);
}

void PvWindowMove::OnOutlineLeftUp(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                   const wxPoint& offset, wxPoint& outline) {
    if (!capturer->HasCapture()) return;
    capturer->ReleaseMouse();
    DrawXorOutline(window, outline);
    window->Freeze();
    window->Move(capturer->ClientToScreen(event.GetPosition()) - offset);
    window->Thaw();
}

void PvWindowMove::DrawOutline(wxDC& dc, const wxRect& rect) {
    for (int x = rect.x; x <= rect.x + rect.width; x += 2) {
        dc.DrawPoint(x, rect.y);
        dc.DrawPoint(x, rect.y + rect.height);
    }
    for (int y = rect.y; y <= rect.y + rect.height; y += 2) {
        dc.DrawPoint(rect.x, y);
        dc.DrawPoint(rect.x + rect.width, y);
    }
}
