// A hyperlink without a box of its own on a skinned window (PvTransparentBase): the link text is
// drawn over the piece of the parent's background image under it.
#pragma once

#include <wx/hyperlink.h>  // brings the generic control on GTK

#include "window/base/msw/pv_transparent_base.h"

using PvHyperLinkCtrlBase = PvTransparentBase<wxGenericHyperlinkCtrl>;

class PvHyperLinkCtrl : public PvHyperLinkCtrlBase {
  public:
    PvHyperLinkCtrl() = default;

  private:
    wxDECLARE_EVENT_TABLE();
};
