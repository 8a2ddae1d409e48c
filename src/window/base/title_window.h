// The main frame's title bar: shows its slice of the frame background, carries the close,
// minimise and settings buttons at its right end, moves the frame while it is dragged, and opens
// the settings menu (help and support pages, language, update check, About box). It addresses
// the frame only as the application's top window.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

class PvBitmapButton;
class AboutDialog;
class wxMenu;

constexpr int ID_TITLE_CLOSE = 1;
constexpr int ID_TITLE_MINIMIZE = 2;
constexpr int ID_SETTING = 5;
constexpr int ID_MENU_HELP = 235;
constexpr int ID_MENU_SUPPORT = 238;
constexpr int ID_MENU_CHECK_UPDATE = 239;

class TitleWindow : public wxControl {
  public:
    TitleWindow();

    // Creates the bar as wide as the display and as high as background (not owned; it must
    // outlive the bar), with the three buttons flush at the parent's right edge. False, with no
    // button made, when the control cannot be created.
    bool Create(wxBitmap* background, wxWindow* parent, wxWindowID id, const wxPoint& pos);

    // The language number checked in the Language submenu (not checked against the list).
    void SetLanguage(int language) { currentLanguage = language; }
    int GetLanguage() const { return currentLanguage; }

    // Move the close or the minimise button by (dx, dy).
    void MoveCloseButton(int dx, int dy);
    void MoveMinimizeButton(int dx, int dy);

    // The settings menu as it is shown: Help, Language (seven check entries), Support, Check for
    // Update, About, with separators after Language, Support and Check for Update. The caller
    // owns it.
    wxMenu* NewSettingsMenu() const;
    // Creates the About box over parent with the theme's dialog background; false when the
    // dialog cannot be created. The caller shows it.
    static bool CreateAboutDialog(AboutDialog& dialog, wxWindow* parent);

    PvBitmapButton* GetCloseButton() const { return closeButton; }
    PvBitmapButton* GetMinimizeButton() const { return minimizeButton; }
    PvBitmapButton* GetSettingButton() const { return settingButton; }

    virtual void OnPaint(wxPaintEvent& event);
    virtual void OnLeftDown(wxMouseEvent& event);
    virtual void OnLeftUp(wxMouseEvent& event);
    virtual void OnMotion(wxMouseEvent& event);
    virtual void OnLeftDClick(wxMouseEvent& event);

    void OnCloseClicked(wxCommandEvent& event);
    void OnMinimizeClicked(wxCommandEvent& event);
    void OnSettingClicked(wxCommandEvent& event);
    void OnMenuItem(wxCommandEvent& event);
    void OnLanguageMenu(wxCommandEvent& event);

  private:
    void OnPaintEvent(wxPaintEvent& event) { OnPaint(event); }
    // The capture ends without a release (another window took it): the drag simply ends.
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    // Makes one title button left of *x (gap pixels apart) and moves *x to its left edge.
    PvBitmapButton* MakeButton(wxWindowID id, int* x, const char* normal, const char* pressed,
                               const char* hover, int gap);

    wxPoint dragOffset;
    PvBitmapButton* settingButton = nullptr;
    PvBitmapButton* minimizeButton = nullptr;
    PvBitmapButton* closeButton = nullptr;
    wxBitmap* background = nullptr;
    int currentLanguage = 0;

    wxDECLARE_DYNAMIC_CLASS(TitleWindow);
    wxDECLARE_EVENT_TABLE();
};
