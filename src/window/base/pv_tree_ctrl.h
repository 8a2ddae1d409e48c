// The kind tree: the toolkit tree with its own image list of the eleven kind icons, index =
// RecoveryKind, so the item of kind k takes image k.
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

  private:
    int image_size_ = 0;
    wxTreeItemId first_item_;
    wxTreeItemId second_item_;

    wxDECLARE_DYNAMIC_CLASS(PvTreeCtrl);
    wxDECLARE_EVENT_TABLE();
};
