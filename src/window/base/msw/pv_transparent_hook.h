// Native GTK labels and images have no window of their own and get no erase events from the
// toolkit. The transparent controls connect DrawCallback to their native widget's draw signal:
// before the widget draws, an erase event with a device context on the widget's drawing surface
// goes to the control's event handler, so the control paints the parent's background piece and
// the native text or image comes on top.
#pragma once

#include <wx/gdicmn.h>
#include <wx/window.h>

class wxBitmap;
class wxDC;

class TransparentHook {
  public:
    virtual ~TransparentHook() = default;

    // The handler for the native "draw" signal; its user data is the control (wxWindow*).
    static wxGTKCallback DrawCallback();

    // The erase-time painting that the three transparent controls share: cuts the piece of bg
    // under rect (the control's rectangle in its parent) when rect differs from cached_rect,
    // clipped to bg, and draws it at (0, 0) of dc without mask. With no background image
    // nothing is painted.
    static void PaintPiece(wxDC& dc, const wxBitmap* bg, const wxRect& rect, wxRect& cached_rect,
                           wxBitmap& piece);
};
