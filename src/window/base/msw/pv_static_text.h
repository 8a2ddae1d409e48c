// A static text without a box of its own on a skinned window (PvTransparentBase): the text is
// drawn over the piece of the parent's background image under it. White until a colour is set.
#pragma once

#include <wx/stattext.h>

#include "window/base/msw/pv_transparent_base.h"

using PvStaticTextBase = PvTransparentBase<wxStaticText>;

class PvStaticText : public PvStaticTextBase {
  public:
    PvStaticText();

  private:
    wxDECLARE_EVENT_TABLE();
};
