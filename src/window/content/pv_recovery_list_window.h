// The first screen of the main window: every iTunes backup found on the computer as one row of a
// grid (an icon tells whether it is encrypted), two lines of explanation and "Start Scan", which
// hides the screen and hands the chosen Device to the kind screen. The backups are read once, on
// the screen's first idle event.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>

#include <vector>

#include "common/face_layout.h"
#include "common/tqm_subject.h"
#include "domain/kind_obj.h"

class RkGrid;
class PvWordButton;
class wxIdleEvent;
class wxPaintEvent;
class wxSizeEvent;

class PvRecoveryListWindow : public wxControl, public TqmObserver, public TqmSubject {
  public:
    // The id of "Start Scan".
    enum { ID_SCAN = 0 };

    PvRecoveryListWindow();
    ~PvRecoveryListWindow() override;

    // Builds the screen. background is the screen's part of the main window's background; the
    // screen owns it. The style is not used (always borderless). False when the toolkit cannot
    // make the window.
    bool Create(wxBitmap* background, wxWindow* parent, wxWindowID id, const wxPoint& pos,
                const wxSize& size, long style = 0,
                const wxValidator& validator = wxDefaultValidator);

    // The kind screen went back: show this screen again, whatever the code.
    void Update(TqmSubject* subject, TqmCode code) override;
    using wxControl::Update;

    // After a language change: the texts again, repainted at once.
    void UpdateLanguage();

    RkGrid* GetGrid() const { return grid; }
    PvWordButton* GetScanButton() const { return scanButton; }
    const std::vector<Device*>& GetDevices() const { return devices; }
    bool IsLoaded() const { return loaded; }

    // One row of the grid: the name beside the encryption icon, the date, the serial number.
    void AddDeviceRow(const wxString& name, const wxString& date, const wxString& serial,
                      int encrypted);

  private:
    void LoadFace();
    void SetupGrid();
    wxString AddColumn(const wxString& label, int width, bool visible);
    void SetTexts();

    void OnFirstIdle(wxIdleEvent& event);
    void OnScanClicked(wxCommandEvent& event);
    void OnScanButtonSize(wxSizeEvent& event);
    // Keeps the button 10 pixels from the right edge.
    void LayoutScanButton();
    void OnPaint(wxPaintEvent& event);

    std::vector<Device*> devices;
    RkGrid* grid = nullptr;
    bool loaded = false;
    PvWordButton* scanButton = nullptr;
    wxBitmap* background = nullptr;
    FaceRect description1;
    FaceRect description2;
    FaceRect description1Font;
    FaceRect description2Font;

    wxDECLARE_DYNAMIC_CLASS(PvRecoveryListWindow);
    wxDECLARE_EVENT_TABLE();
};
