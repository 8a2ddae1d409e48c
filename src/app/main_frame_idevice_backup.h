// The program's main frame: binds the backup reader for the whole run, installs the saved
// language, and builds the window tree on a background panel the size of the theme background:
// title bar, toolbar, and the two screens (the backup list, and the kinds of one backup, hidden
// at first) that switch to each other through the observer pair.
#pragma once

#include <wx/intl.h>

#include "app/main_frame.h"

class PvToolbar;
class TitleWindow;
class PvRecoveryListWindow;
class PvRecoveryKindWindow;
class wxPanel;

constexpr int ID_TITLE_WINDOW = 2001;
constexpr int ID_TOOL_WINDOW = 2003;
constexpr int ID_LIST_WINDOW = 0;
constexpr int ID_KIND_WINDOW = 1;

class MainFrameIDeviceBackup : public MainFrame {
  public:
    // Binds the backup reader; no window exists yet.
    MainFrameIDeviceBackup();
    // Gives the reader's table back.
    ~MainFrameIDeviceBackup() override;

    // Installs the saved language, creates the frame at the size of "image/base/bg.png" and its
    // window tree, centres it and cuts its rounded outline. False when the frame's window cannot
    // be created (nothing else is built then).
    bool Init(wxWindowID id, const wxString& title) override;

    // Replaces the installed locale by one for the language number, with the catalog "language"
    // from the application root's Language folder.
    void SetLanguage(int language);
    // Stores the number in language.txt.
    void SaveLanguage(int language);
    // EVT_LANGUAGE_CHANGED: saves the number, installs it and has the windows take their texts
    // again.
    void OnLanguageChanged(wxCommandEvent& event);
    // Cuts the frame's outline to a rectangle of width x height with rounded corners.
    void SetRoundShape(int width, int height);

    PvToolbar* GetToolbar() const { return toolbar; }
    TitleWindow* GetTitleWindow() const { return titleWindow; }
    PvRecoveryListWindow* GetListWindow() const { return listWindow; }
    PvRecoveryKindWindow* GetKindWindow() const { return kindWindow; }
    wxPanel* GetBackgroundPanel() const { return panel; }
    const wxLocale* GetLocale() const { return locale; }

  private:
    // The two screens, their observer links included.
    void CreateScreens(const wxBitmap& background);

    PvToolbar* toolbar = nullptr;
    TitleWindow* titleWindow = nullptr;
    PvRecoveryListWindow* listWindow = nullptr;
    PvRecoveryKindWindow* kindWindow = nullptr;
    wxLocale* locale = nullptr;
    wxPanel* panel = nullptr;
    // The backgrounds of the title bar and the kind screen, which those keep without owning.
    wxBitmap* titleBackground = nullptr;
    wxBitmap* kindBackground = nullptr;

    wxDECLARE_DYNAMIC_CLASS(MainFrameIDeviceBackup);
    wxDECLARE_EVENT_TABLE();
};
