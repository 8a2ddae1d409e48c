#include "window/base/msw/pv_static_text.h"

wxBEGIN_EVENT_TABLE(PvStaticText, PvStaticTextBase)
    EVT_ERASE_BACKGROUND(PvStaticText::OnEraseBackground)
wxEND_EVENT_TABLE()

PvStaticText::PvStaticText() {
    SetForegroundColour(*wxWHITE);
}
