#include "window/base/msw/pv_transparent_hook.h"

#include <wx/bitmap.h>
#include <wx/dcgraph.h>
#include <wx/graphics.h>

namespace {

// Runs before the native widget's own drawing, with the widget's top-left corner as origin.
int OnNativeDraw(void* /*widget*/, void* cairo, wxWindow* window) {
    if (window == nullptr || cairo == nullptr || window->IsBeingDeleted()) return 0;
    wxGraphicsRenderer* renderer = wxGraphicsRenderer::GetCairoRenderer();
    if (renderer == nullptr) return 0;
    wxGraphicsContext* gc = renderer->CreateContextFromNativeContext(cairo);
    if (gc == nullptr) return 0;
    wxGCDC dc(gc);
    wxEraseEvent erase(window->GetId(), &dc);
    erase.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(erase);
    return 0;  // the native text or image draws next
}

}  // namespace

wxGTKCallback TransparentHook::DrawCallback() {
    return reinterpret_cast<wxGTKCallback>(OnNativeDraw);
}

void TransparentHook::PaintPiece(wxDC& dc, const wxBitmap* bg, const wxRect& rect,
                                 wxRect& cached_rect, wxBitmap& piece) {
    if (bg == nullptr || !bg->IsOk()) return;
    if (rect != cached_rect) {
        cached_rect = rect;
        wxRect clipped = rect;
        if (clipped.y + clipped.height > bg->GetHeight()) {
            clipped.height = bg->GetHeight() - clipped.y;
        }
        if (clipped.x + clipped.width > bg->GetWidth()) clipped.width = bg->GetWidth() - clipped.x;
        // A control left of or above the image, or wholly outside it, gets no piece.
        clipped.Intersect(wxRect(bg->GetSize()));
        piece = clipped.IsEmpty() ? wxNullBitmap : bg->GetSubBitmap(clipped);
    }
    if (piece.IsOk()) dc.DrawBitmap(piece, 0, 0, false);
}
