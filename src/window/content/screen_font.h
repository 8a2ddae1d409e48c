// The fonts of the two screens (the bold label font of the big buttons and the "Arial" label
// font of the grids, at the point sizes the theme's layout gives) and their layout colours.
#pragma once

#include <wx/colour.h>
#include <wx/font.h>

class ScreenFont {
  public:
    virtual ~ScreenFont() = default;

    // The system's default GUI font, bold, at the point size of
    // /face/base-button/big-button-crop/font.
    static wxFont ButtonFont();
    // "Arial", Swiss family, normal style and weight, not underlined, ISO 8859-1.
    static wxFont ArialFont(int pointSize);
    // A usable point size: a size the layout lacks (0) or a nonsensical one takes the default
    // GUI font's size instead.
    static int UsablePointSize(int pointSize);
    // The colour at a layout key: red, green and blue in x, y and width (lowest 8 bits each),
    // opaque.
    static wxColour FaceColour(const char* key);
};
