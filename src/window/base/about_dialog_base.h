// A modal dialog in the skinned style of the main frame: no system caption or border, rounded
// corners, a background image with its own title text, close and minimise buttons, and movable
// by dragging its background. Its construction steps are virtual so that a derived dialog can
// replace them. AboutDialog, the About box, uses them unchanged: the program icon, the product
// name with the version, the home page as a link, and an Ok button.
#pragma once

#include <wx/bitmap.h>
#include <wx/dialog.h>

constexpr int ID_DIALOG_CLOSE = 2;
constexpr int ID_DIALOG_MINIMIZE = 3;

class PvBitmapButton;
class PvStaticBitmap;
class PvStaticText;
class PvHyperLinkCtrl;
class wxButton;

class AboutDialogBase : public wxDialog {
  public:
    AboutDialogBase();
    ~AboutDialogBase() override;

    // Creates the dialog, takes background over (null: no background is painted), makes the
    // title buttons, the content and the Ok button, cuts the rounded outline to size and centres
    // the dialog. False, with nothing else made, when the dialog cannot be created.
    virtual bool Create(wxBitmap* background, wxWindow* parent, wxWindowID id,
                        const wxString& title, const wxPoint& pos, const wxSize& size, long style);
    virtual void OnPaint(wxPaintEvent& event);
    virtual void DrawTitle(wxDC& dc);
    virtual void DrawBackground(wxDC& dc);
    virtual void CreateOkButton();
    virtual void CreateContent();
    virtual void CreateTitleButtons();
    virtual void OnLeftDown(wxMouseEvent& event);
    virtual void OnMotion(wxMouseEvent& event);
    virtual void OnLeftUp(wxMouseEvent& event);
    virtual void SetRoundShape(int width, int height);

    // Ends the modal loop with 0 (close button, Ok, wxID_CLOSE).
    void OnCloseClicked(wxCommandEvent& event);
    // Minimises the application's top window, and the dialog with it.
    void OnMinimizeClicked(wxCommandEvent& event);

    // The parts, for the code that lays out or checks the dialog.
    wxButton* GetOkButton() const { return okButton; }
    const wxBitmap* GetIcon() const { return icon; }
    const wxBitmap* GetBackground() const { return background; }
    PvBitmapButton* GetCloseButton() const { return closeButton; }
    PvBitmapButton* GetMinimizeButton() const { return minimizeButton; }
    PvStaticBitmap* GetIconControl() const { return iconControl; }
    PvStaticText* GetNameText() const { return nameText; }
    PvHyperLinkCtrl* GetLink() const { return link; }

    // The product name, a space and the version.
    static wxString NameAndVersion();

  private:
    void OnPaintEvent(wxPaintEvent& event) { OnPaint(event); }
    void OnLeftDownEvent(wxMouseEvent& event) { OnLeftDown(event); }
    void OnMotionEvent(wxMouseEvent& event) { OnMotion(event); }
    void OnLeftUpEvent(wxMouseEvent& event) { OnLeftUp(event); }
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    PvBitmapButton* MakeTitleButton(wxWindowID id, int x, const char* normal, const char* pressed,
                                    const char* hover);

    wxBitmap* icon = nullptr;
    wxBitmap* background = nullptr;
    wxPoint dragOffset;
    wxButton* okButton = nullptr;
    PvBitmapButton* closeButton = nullptr;
    PvBitmapButton* minimizeButton = nullptr;
    PvStaticBitmap* iconControl = nullptr;
    PvStaticText* nameText = nullptr;
    PvHyperLinkCtrl* link = nullptr;

    wxDECLARE_DYNAMIC_CLASS(AboutDialogBase);
    wxDECLARE_EVENT_TABLE();
};

// The About box.
class AboutDialog : public AboutDialogBase {
  public:
    ~AboutDialog() override = default;
};
