#include "window/base/pv_tree_ctrl.h"

#include <wx/dcclient.h>
#include <wx/icon.h>
#include <wx/imaglist.h>
#include <wx/utils.h>

#include <algorithm>
#include <utility>
#include <vector>

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

// The smallest point size the tree's texts are shrunk to.
constexpr int kSmallestPoints = 7;

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

void PvTreeCtrl::SetItemText(const wxTreeItemId& item, const wxString& text) {
    wxTreeCtrl::SetItemText(item, text);
    FitTexts();
}

void PvTreeCtrl::FitTexts() {
    wxFont font = GetFont();
    if (!font.IsOk()) return;
    if (base_points_ == 0) base_points_ = font.GetPointSize();
    const wxTreeItemId root = GetRootItem();
    if (!root.IsOk()) return;
    // Where each item's text starts does not depend on the font; its width does.
    std::vector<std::pair<int, wxString>> items;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = GetFirstChild(root, cookie); item.IsOk();
         item = GetNextChild(root, cookie)) {
        wxRect rect;
        if (GetBoundingRect(item, rect, true)) items.emplace_back(rect.x, GetItemText(item));
    }
    if (items.empty()) return;
    const int right = GetClientSize().GetWidth();
    wxClientDC dc(this);
    int points = base_points_;
    for (; points > kSmallestPoints; --points) {
        font.SetPointSize(points);
        dc.SetFont(font);
        bool fits = true;
        for (const auto& item : items) {
            // A pixel of the selection's frame on either side of the text.
            if (item.first + dc.GetTextExtent(item.second).GetWidth() + 2 > right) {
                fits = false;
                break;
            }
        }
        if (fits) break;
    }
    if (points == GetFont().GetPointSize()) return;
    font.SetPointSize(points);
    SetFont(font);
}
