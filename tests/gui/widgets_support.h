// Small helpers of the widget tests: solid test images, pixels of bitmaps and of the screen, a
// plain frame to hold a widget, and mouse events handed straight to a window.
#pragma once

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/uiaction.h>

#include <cstdlib>

#include "gui_support.h"

namespace widgets_test {

// A bitmap of one colour; with alpha when asked (every pixel opaque).
inline wxBitmap Solid(int width, int height, const wxColour& colour, bool alpha = false) {
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), colour.Red(), colour.Green(), colour.Blue());
    if (alpha) {
        image.InitAlpha();
    }
    return wxBitmap(image);
}

// A bitmap whose every pixel tells its own position: red = x, green = y (both below 256).
inline wxBitmap Positions(int width, int height) {
    wxImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.SetRGB(x, y, x & 0xff, y & 0xff, 0x80);
    }
    return wxBitmap(image);
}

inline wxColour PixelOf(const wxImage& image, int x, int y) {
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

inline bool Near(const wxColour& a, const wxColour& b, int tolerance = 8) {
    return std::abs(a.Red() - b.Red()) <= tolerance &&
           std::abs(a.Green() - b.Green()) <= tolerance &&
           std::abs(a.Blue() - b.Blue()) <= tolerance;
}

// Puts the pointer in the screen's top-left corner, away from the test windows, so that the
// window system sends them no enter or leave events of its own.
inline void PointerAway() {
    gui_test::MovePointer(wxPoint(0, 0));
    gui_test::PumpFor(0.05);
}

// A borderless frame at a fixed place (40, 40), shown, with its background in one colour.
inline wxFrame* ShownFrame(const wxSize& size = wxSize(240, 160),
                           const wxColour& colour = wxColour(30, 30, 30)) {
    PointerAway();
    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "widgets", wxPoint(40, 40), size,
                                 wxFRAME_SHAPED | wxBORDER_NONE);
    frame->SetBackgroundColour(colour);
    frame->Show();
    gui_test::PumpUntil([frame] { return frame->IsShownOnScreen(); });
    gui_test::PumpFor(0.1);
    return frame;
}

// Hands a mouse event of the given type straight to window's event handler.
inline void SendMouse(wxWindow* window, wxEventType type, const wxPoint& at = wxPoint(2, 2)) {
    wxMouseEvent event(type);
    event.SetEventObject(window);
    event.SetId(window->GetId());
    event.SetPosition(at);
    event.m_leftDown = type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK;
    window->GetEventHandler()->ProcessEvent(event);
}

}  // namespace widgets_test
