// The kind tree: the toolkit tree with its own image list of the eleven kind icons, index =
// RecoveryKind, so the item of kind k takes image k; its font shrinks so that every item's text
// fits its width.
#pragma once

#include <wx/treectrl.h>

class PvTreeCtrl : public wxTreeCtrl {
  public:
    PvTreeCtrl() = default;
    // Creates the tree and loads the 16-pixel icon list.
    PvTreeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
               const wxSize& size = wxDefaultSize, long style = wxTR_DEFAULT_STYLE);

    // size -1: no images; 0: the size given last time; otherwise that size in pixels. The list
    // always holds eleven images; a missing icon file leaves a transparent entry.
    void LoadImageList(int size);

    // Sets the item's text, then keeps every item inside the tree (FitTexts).
    void SetItemText(const wxTreeItemId& item, const wxString& text) override;
    // When an item's text (a kind's name with its count) would end past the tree's right edge,
    // the tree's font becomes smaller, a point at a time, until every item fits or the smallest
    // readable size is reached; when the texts are short enough again it grows back to the size
    // the tree started with.
    void FitTexts();

  private:
    int image_size_ = 0;
    int base_points_ = 0;  // the font's point size before any fitting
    wxTreeItemId first_item_;
    wxTreeItemId second_item_;

    wxDECLARE_DYNAMIC_CLASS(PvTreeCtrl);
    wxDECLARE_EVENT_TABLE();
};
