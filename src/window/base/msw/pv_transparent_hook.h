// Native GTK labels and images have no window of their own and get no erase events from the
// toolkit. TransparentHook makes them get one: before the native widget draws, an erase event
// with a device context on the widget's drawing surface goes to the control's event handler, so
// the control paints the parent's background piece and the native text or image comes on top.
#pragma once

#include <wx/gdicmn.h>

class wxBitmap;
class wxDC;
class wxWindow;

class TransparentHook {
  public:
    virtual ~TransparentHook() = default;

    // Connects the native draw of window to an erase event; once per window (later calls do
    // nothing). window must be created.
    static void Install(wxWindow* window);

    // The erase-time painting that the three transparent controls share: cuts the piece of bg
    // under rect (the control's rectangle in its parent) when rect differs from cached_rect,
    // clipped to bg, and draws it at (0, 0) of dc without mask. With no background image
    // nothing is painted.
    static void PaintPiece(wxDC& dc, const wxBitmap* bg, const wxRect& rect, wxRect& cached_rect,
                           wxBitmap& piece);
};
