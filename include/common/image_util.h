// Theme images: every picture of the skinned interface is a PNG inside Themes/default.zip under
// the application root, named by its path in the archive ("image/content/unload_picture.png").
// Needs the archive file-system handler (wxArchiveFSHandler) and the image handlers registered
// at start-up. No cache: every load opens the archive again.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/string.h>

class wxWindow;

class ImageUtil {
  public:
    virtual ~ImageUtil() = default;

    // A new bitmap that the caller owns, or null when the image cannot be loaded.
    static wxBitmap* LoadThemeBitmap(const wxString& name, wxBitmapType type);
    // The same by value; wxNullBitmap when the image cannot be loaded.
    static wxBitmap GetThemeBitmap(const wxString& name, wxBitmapType type);
    // Like LoadThemeBitmap, but pixels with an alpha above 0 and below threshold become fully
    // transparent.
    static wxBitmap* GetThemeBitmapClearFaint(const wxString& name, int threshold,
                                              wxBitmapType type);

    // The rectangle (x, y, width, height) of source as a bitmap of its own, the source's mask
    // used.
    static wxBitmap CropBitmap(const wxBitmap& source, int x, int y, int width, int height);
    static wxBitmap* NewCroppedBitmap(const wxBitmap& source, int x, int y, int width, int height);

    // Turns the image's mask colour into alpha 0 and every other pixel into 255, then drops the
    // mask. The image must have a mask and no alpha channel.
    static void MaskToAlpha(wxImage& image);

    // The platform's check box, checked or not, at the renderer's size for window.
    static wxBitmap GetCheckBoxBitmap(wxWindow* window, bool checked);

    // The location of a theme image for wxFileSystem: the archive's file URL + "#zip:" + name.
    static wxString ThemeLocation(const wxString& name);
};
