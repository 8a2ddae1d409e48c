// The kind screen's tree: one item per kind, in kind order, each labelled with the kind's name
// and its count in parentheses.
#pragma once

#include <wx/string.h>
#include <wx/treebase.h>

#include <cstdint>

#include "ib/wz_ib.h"

class Device;
class PvTreeCtrl;
class wxWindow;

class KindTreePane {
  public:
    // The tree at "/face/kindwindow/treectrl" with a hidden root and the eleven kind items; the
    // call-history item is labelled at once with count 0.
    void Create(wxWindow* parent, int id);

    PvTreeCtrl* GetTree() const { return tree_; }
    wxTreeItemId GetItem(std::uint32_t kind) const;
    // The kind of a tree item; -1 for an item that is no kind's.
    int KindOf(const wxTreeItemId& item) const;

    // The kind's label with the translated name and count.
    void SetKindLabel(std::uint32_t kind, int count);
    // Every kind with the count the device holds.
    void RestoreKindLabels(const Device& device);
    // Every kind with count 0, and no selection.
    void ResetKindLabels();
    // After a language change: every name translated again, each label keeping its count.
    void TranslateLabels();
    // Selecting an item reports the selection change, which shows the kind.
    void Select(std::uint32_t kind);

    // The untranslated name of a kind ("Call History", ...); empty above 10.
    static const char* KindName(std::uint32_t kind);
    // The tree label of a kind: the name, a blank and the count in parentheses.
    static wxString KindLabel(const wxString& name, int count);
    // The count in a tree label: the number between its last "(" and the last ")" after it;
    // 0 when there is none.
    static int CountInLabel(const wxString& label);

  private:
    PvTreeCtrl* tree_ = nullptr;
    wxTreeItemId items_[kKindCount];
};
