#include "window/base/pv_tree_ctrl.h"

#include <wx/icon.h>
#include <wx/imaglist.h>
#include <wx/utils.h>

#include <algorithm>

#include "common/image_util.h"

namespace {

// Icon files in image-index order; the index is the kind number.
const char* const kKindIcons[] = {
    "image/content/call-history.png", "image/content/contacts.png",
    "image/content/messages.png",     "image/content/message_attachment.png",
    "image/content/notes.png",        "image/content/safari.png",
    "image/content/calendar.png",     "image/content/reminders.png",
    "image/content/voice-memos.png",  "image/content/camera-roll.png",
    "image/content/photos.png",
};

// A fully transparent square, standing in for a kind whose icon the theme lacks.
wxBitmap EmptyIcon(int size) {
    wxImage image(size, size, true);
    image.InitAlpha();
    std::fill(image.GetAlpha(), image.GetAlpha() + static_cast<size_t>(size) * size, 0);
    return wxBitmap(image);
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(PvTreeCtrl, wxTreeCtrl);

wxBEGIN_EVENT_TABLE(PvTreeCtrl, wxTreeCtrl)
wxEND_EVENT_TABLE()

PvTreeCtrl::PvTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                       long style)
    : wxTreeCtrl(parent, id, pos, size, style, wxDefaultValidator, wxTreeCtrlNameStr) {
    LoadImageList(16);
}

void PvTreeCtrl::LoadImageList(int size) {
    if (size == -1) {
        SetImageList(nullptr);
        return;
    }
    if (size == 0) {
        size = image_size_;
    } else {
        image_size_ = size;
    }
    // No size was ever given: there is nothing sensible to build.
    if (size <= 0) return;

    wxImageList* images = new wxImageList(size, size, false, 1);
    wxBusyCursor busy;
    for (const char* file : kKindIcons) {
        wxBitmap bitmap = ImageUtil::GetThemeBitmap(file, wxBITMAP_TYPE_PNG);
        if (!bitmap.IsOk()) {
            images->Add(EmptyIcon(size));
            continue;
        }
        wxIcon icon;
        icon.CopyFromBitmap(bitmap);
        if (icon.GetWidth() == size && icon.GetHeight() == size) {
            images->Add(icon);
            continue;
        }
        wxBitmap back;
        back.CopyFromIcon(icon);
        wxImage image = back.ConvertToImage();
        image.Rescale(size, size, wxIMAGE_QUALITY_NORMAL);
        images->Add(wxBitmap(image, -1));
    }
    AssignImageList(images);
}
