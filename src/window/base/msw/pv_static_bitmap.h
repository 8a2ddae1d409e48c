// A static bitmap without a box of its own on a skinned window (PvTransparentBase): the image is
// drawn over the piece of the parent's background image under it.
#pragma once

#include <wx/statbmp.h>

#include "window/base/msw/pv_transparent_base.h"

using PvStaticBitmapBase = PvTransparentBase<wxStaticBitmap>;

class PvStaticBitmap : public PvStaticBitmapBase {
  public:
    PvStaticBitmap() = default;

  private:
    wxDECLARE_EVENT_TABLE();
};
