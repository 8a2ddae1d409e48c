#include "window/content/kind_tree_pane.h"

#include "common/face_layout.h"
#include "domain/kind_obj.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/content/screen_font.h"

void KindTreePane::Create(wxWindow* parent, int id) {
    const FaceRect t = GetFaceRect(wxS("/face/kindwindow/treectrl"));
    tree_ = new PvTreeCtrl(parent, id, wxPoint(t.x, t.y), wxSize(t.width, t.height),
                           wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxBORDER_NONE);
    tree_->SetBackgroundColour(ScreenFont::FaceColour("/face/kindwindow/treectrl/colour"));
    tree_->SetIndent(2);
    const wxTreeItemId root = tree_->AddRoot(wxS("root"));
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        const int image = static_cast<int>(kind);
        items_[kind] = tree_->AppendItem(root, wxString(), image, image);
    }
    SetKindLabel(KIND_CALL_HISTORY, 0);
}

wxTreeItemId KindTreePane::GetItem(std::uint32_t kind) const {
    return kind < kKindCount ? items_[kind] : wxTreeItemId();
}

int KindTreePane::KindOf(const wxTreeItemId& item) const {
    if (!item.IsOk()) return -1;
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        if (items_[kind] == item) return static_cast<int>(kind);
    }
    return -1;
}

void KindTreePane::SetKindLabel(std::uint32_t kind, int count) {
    const wxTreeItemId item = GetItem(kind);
    if (!item.IsOk()) return;
    tree_->SetItemText(item, KindLabel(TranslatedKindName(kind), count));
}

void KindTreePane::RestoreKindLabels(const Device& device) {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
        SetKindLabel(kind, static_cast<int>(device.Count(kind)));
}

void KindTreePane::ResetKindLabels() {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) SetKindLabel(kind, 0);
    // Unselect also forgets the current item, so that the next selection of the same kind is
    // reported again.
    tree_->Unselect();
    tree_->UnselectAll();
}

void KindTreePane::TranslateLabels() {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
        SetKindLabel(kind, CountInLabel(tree_->GetItemText(items_[kind])));
}

void KindTreePane::Select(std::uint32_t kind) {
    tree_->SelectItem(GetItem(kind));
}

const char* KindTreePane::KindName(std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->name : "";
}

wxString KindTreePane::KindLabel(const wxString& name, int count) {
    return name + wxString::Format(wxS(" (%d)"), count);
}

int KindTreePane::CountInLabel(const wxString& label) {
    const int open = label.Find(wxS('('), true);
    if (open == wxNOT_FOUND) return 0;
    const int close = label.Find(wxS(')'), true);
    if (close == wxNOT_FOUND || close <= open) return 0;
    long count = 0;
    if (!label.Mid(open + 1, close - open - 1).ToLong(&count)) return 0;
    if (count < 0 || count > 0x7FFFFFFF) return 0;
    return static_cast<int>(count);
}
