// A static bitmap without a box of its own on a skinned window: at every erase it paints the
// piece of the parent's background image that lies under it, and the image is drawn over it.
// Create it with the default constructor, then wxStaticBitmap::Create, then SetBackgroundBitmap
// before it is first shown.
#pragma once

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/statbmp.h>

#include "window/base/msw/pv_transparent_hook.h"

class PvStaticBitmapBase : public wxStaticBitmap {
  public:
    PvStaticBitmapBase() = default;

    bool HasTransparentBackground() override { return true; }
    // The parent's background image (not owned), the image the parent draws at (0, 0).
    void SetBackgroundBitmap(wxBitmap* bg);

  protected:
    wxBitmap* bg_ = nullptr;
    bool hooked_ = false;  // native draw connected to erase events
};

class PvStaticBitmap : public PvStaticBitmapBase {
  public:
    PvStaticBitmap();
    ~PvStaticBitmap() override;

    void OnEraseBackground(wxEraseEvent& event);

  private:
    wxBrush* hollow_brush_ = nullptr;
    wxRect bg_rect_;
    wxBitmap bg_piece_;

    wxDECLARE_EVENT_TABLE();
};
