#include "window/content/screen_font.h"

#include <wx/settings.h>

#include "common/face_layout.h"

int ScreenFont::UsablePointSize(int pointSize) {
    if (pointSize > 0 && pointSize <= 200) return pointSize;
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).GetPointSize();
}

wxFont ScreenFont::ButtonFont() {
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.MakeBold();
    font.SetPointSize(
        UsablePointSize(GetFaceRect(wxS("/face/base-button/big-button-crop/font")).height));
    return font;
}

wxFont ScreenFont::ArialFont(int pointSize) {
    return wxFont(UsablePointSize(pointSize), wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL,
                  wxFONTWEIGHT_NORMAL, false, wxS("Arial"), wxFONTENCODING_ISO8859_1);
}

wxColour ScreenFont::FaceColour(const char* key) {
    const FaceRect c = GetFaceRect(wxString::FromUTF8(key));
    return wxColour(static_cast<unsigned char>(c.x & 0xFF), static_cast<unsigned char>(c.y & 0xFF),
                    static_cast<unsigned char>(c.width & 0xFF), 255);
}
