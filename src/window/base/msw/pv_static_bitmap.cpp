#include "window/base/msw/pv_static_bitmap.h"

wxBEGIN_EVENT_TABLE(PvStaticBitmap, PvStaticBitmapBase)
    EVT_ERASE_BACKGROUND(PvStaticBitmap::OnEraseBackground)
wxEND_EVENT_TABLE()
