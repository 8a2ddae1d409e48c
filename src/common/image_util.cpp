#include "common/image_util.h"

#include <wx/dcmemory.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/log.h>
#include <wx/renderer.h>

#include <memory>
#include <mutex>

#include "common/app_util.h"

namespace {

// The archive handler of wxFileSystem is one object shared by every file system and keeps a
// cache of opened archives; the thumbnail worker loads its fallback picture while the GUI thread
// loads theme images, so the reads out of the archive take turns.
std::mutex g_archiveMutex;

// Reads one image out of the theme archive; an invalid image when anything is missing.
wxImage LoadThemeImage(const wxString& name, wxBitmapType type) {
    // A missing archive or entry is an ordinary outcome here: no message for it.
    wxLogNull noLog;
    std::lock_guard<std::mutex> lock(g_archiveMutex);
    wxFileSystem fs;
    std::unique_ptr<wxFSFile> file(fs.OpenFile(ImageUtil::ThemeLocation(name), wxFS_READ));
    if (!file || file->GetStream() == nullptr) return wxImage();
    wxImage image;
    if (!image.LoadFile(*file->GetStream(), type, -1)) return wxImage();
    return image;
}

}  // namespace

wxString ImageUtil::ThemeLocation(const wxString& name) {
    const wxString archive = AppUtil::GetAppRoot() + wxS("/Themes/default.zip");
    return wxFileSystem::FileNameToURL(wxFileName(archive)) + wxS("#zip:") + name;
}

wxBitmap* ImageUtil::LoadThemeBitmap(const wxString& name, wxBitmapType type) {
    const wxImage image = LoadThemeImage(name, type);
    if (!image.IsOk()) return nullptr;
    auto* bitmap = new wxBitmap(image, -1);
    if (!bitmap->IsOk()) {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}

wxBitmap ImageUtil::GetThemeBitmap(const wxString& name, wxBitmapType type) {
    const wxImage image = LoadThemeImage(name, type);
    if (!image.IsOk()) return wxNullBitmap;
    wxBitmap bitmap(image, -1);
    return bitmap.IsOk() ? bitmap : wxNullBitmap;
}

wxBitmap* ImageUtil::GetThemeBitmapClearFaint(const wxString& name, int threshold,
                                              wxBitmapType type) {
    wxImage image = LoadThemeImage(name, type);
    if (!image.IsOk()) return nullptr;
    if (image.HasAlpha()) {
        unsigned char* alpha = image.GetAlpha();
        unsigned char* rgb = image.GetData();
        const unsigned char mr = image.GetMaskRed(), mg = image.GetMaskGreen(),
                            mb = image.GetMaskBlue();
        const long n = static_cast<long>(image.GetWidth()) * image.GetHeight();
        for (long i = 0; i < n; ++i) {
            if (alpha[i] > 0 && alpha[i] < threshold) {
                rgb[3 * i] = mr;
                rgb[3 * i + 1] = mg;
                rgb[3 * i + 2] = mb;
                alpha[i] = 0;
            }
        }
    }
    auto* bitmap = new wxBitmap(image, -1);
    if (!bitmap->IsOk()) {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}

wxBitmap ImageUtil::CropBitmap(const wxBitmap& source, int x, int y, int width, int height) {
    if (!source.IsOk() || width <= 0 || height <= 0) return wxNullBitmap;
    wxBitmap result(width, height, -1);
    if (!result.IsOk()) return wxNullBitmap;
    {
        wxMemoryDC to(result);
        wxMemoryDC from;
        from.SelectObjectAsSource(source);
        to.Blit(0, 0, width, height, &from, x, y, wxCOPY, true);
        from.SelectObject(wxNullBitmap);
        to.SelectObject(wxNullBitmap);
    }
    return result;
}

wxBitmap* ImageUtil::NewCroppedBitmap(const wxBitmap& source, int x, int y, int width, int height) {
    return new wxBitmap(CropBitmap(source, x, y, width, height));
}

void ImageUtil::MaskToAlpha(wxImage& image) {
    wxCHECK_RET(image.HasMask(), "image.HasMask()");
    wxCHECK_RET(!image.HasAlpha(), "!image.HasAlpha()");
    const unsigned char mr = image.GetMaskRed(), mg = image.GetMaskGreen(),
                        mb = image.GetMaskBlue();
    image.InitAlpha();
    unsigned char* alpha = image.GetAlpha();
    const unsigned char* rgb = image.GetData();
    if (alpha == nullptr || rgb == nullptr) return;
    const long n = static_cast<long>(image.GetWidth()) * image.GetHeight();
    for (long i = 0; i < n; ++i) {
        const bool masked = rgb[3 * i] == mr && rgb[3 * i + 1] == mg && rgb[3 * i + 2] == mb;
        alpha[i] = masked ? 0 : 255;
    }
    image.SetMask(false);
}

wxBitmap ImageUtil::GetCheckBoxBitmap(wxWindow* window, bool checked) {
    const wxSize size = wxRendererNative::Get().GetCheckBoxSize(window);
    wxBitmap bitmap(size.x, size.y, -1);
    if (!bitmap.IsOk()) return bitmap;
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        wxRendererNative::Get().DrawCheckBox(window, dc, wxRect(size),
                                             checked ? int{wxCONTROL_CHECKED} : 0);
        dc.SelectObject(wxNullBitmap);
    }
    return bitmap;
}
