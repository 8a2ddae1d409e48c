// Dragging a borderless window by its own surface: press to start, move to follow, release to
// end. The caller routes its mouse events here and keeps the grab offset (pointer's screen
// position minus the window's position at the press). window is the window to move (top level,
// screen coordinates); capturer receives the mouse events and holds the capture. None of the
// operations skips or consumes the event.
#pragma once

#include <wx/event.h>
#include <wx/gdicmn.h>

class wxDC;
class wxWindow;

class PvWindowMove {
  public:
    virtual ~PvWindowMove() = default;

    static void OnLeftDown(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                           wxPoint& offset);
    static void OnMotion(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                         const wxPoint& offset);
    static void OnLeftUp(wxWindow* window, wxWindow* capturer);

    // The same drag with an exclusive-or outline on the screen; the window moves on release.
    // outline is the outline's top-left corner on the screen, kept by the caller.
    static void OnOutlineLeftDown(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                  wxPoint& offset, wxPoint& outline);
    static void OnOutlineMotion(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                const wxPoint& offset, wxPoint& outline);
    static void OnOutlineLeftUp(wxWindow* window, wxWindow* capturer, wxMouseEvent& event,
                                const wxPoint& offset, wxPoint& outline);

    // A dotted outline: one point every 2 pixels along the four edges.
    static void DrawOutline(wxDC& dc, const wxRect& rect);

  private:
    static void DrawXorOutline(wxWindow* window, const wxPoint& corner);
};
