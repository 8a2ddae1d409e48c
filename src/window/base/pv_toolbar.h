// The band under the title bar: its slice of the frame background, the program icon, the brand
// and the product's own name as a two-line title, and the Home and Help buttons (icon above the
// label) that open the home and help pages. Positions, fonts and colours come from the layout
// map; the labels follow the installed language.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

class PvBottomWordButton;

constexpr int ID_TOOL_HOME = 3;
constexpr int ID_TOOL_HELP = 2;

class PvToolbar : public wxControl {
  public:
    PvToolbar();
    ~PvToolbar() override;

    // Creates the toolbar at the size of background, which it takes over, with its two buttons.
    // False, with no button made, when the control cannot be created.
    bool Create(wxBitmap* background, wxWindow* parent, wxWindowID id, const wxPoint& pos);

    // The labels "Home" and "Help" in the installed language, with the layout's font and colour.
    void SetTexts();
    // SetTexts, then repaint now.
    void UpdateLanguage();

    PvBottomWordButton* GetHomeButton() const { return homeButton; }
    PvBottomWordButton* GetHelpButton() const { return helpButton; }
    const wxBitmap* GetIcon() const { return icon; }

    void OnPaint(wxPaintEvent& event);
    void OnHomeClicked(wxCommandEvent& event);
    void OnHelpClicked(wxCommandEvent& event);
    // Keeps the button row inside the toolbar when a label changes: LayRow.
    void OnButtonSize(wxSizeEvent& event);
    // Re-lays the row right-aligned when the buttons overlap or the row overflows the toolbar,
    // and after that at every call.
    void LayRow();

    // The product's own name: the product name without the brand and the space after it.
    static wxString ProductOwnName();

  private:
    PvBottomWordButton* MakeButton(wxWindowID id, const wxPoint& pos, int gap, const char* normal,
                                   const char* current, const char* pressed);

    wxBitmap* background = nullptr;
    int height = 0;
    wxBitmap* icon = nullptr;
    PvBottomWordButton* homeButton = nullptr;
    PvBottomWordButton* helpButton = nullptr;
    bool rowReLaid = false;

    wxDECLARE_DYNAMIC_CLASS(PvToolbar);
    wxDECLARE_EVENT_TABLE();
};
