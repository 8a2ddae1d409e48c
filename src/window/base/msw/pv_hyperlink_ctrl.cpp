#include "window/base/msw/pv_hyperlink_ctrl.h"

wxBEGIN_EVENT_TABLE(PvHyperLinkCtrl, PvHyperLinkCtrlBase)
    EVT_ERASE_BACKGROUND(PvHyperLinkCtrl::OnEraseBackground)
wxEND_EVENT_TABLE()
