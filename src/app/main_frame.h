// The generic skinned frame: a top-level window without visible caption or border that handles
// the update check's answer and ends the process when it is asked to close.
#pragma once

#include <wx/frame.h>

#include <functional>

constexpr int ID_MAIN_FRAME = 2000;

class MainFrame : public wxFrame {
  public:
    MainFrame();

    // A refresh addressed to the frame itself does nothing; its children repaint themselves.
    void Refresh(bool eraseBackground = true, const wxRect* rect = nullptr) override;

    // Create with the toolkit's default size.
    virtual bool Init(wxWindowID id, const wxString& title);
    // Creates the window (no parent, default position, a style that takes a shape) and sets the
    // program icon; false when the window cannot be created.
    using wxFrame::Create;
    virtual bool Create(wxWindowID id, const wxString& title, const wxSize& size);
    // Ends the process at once with exit status 0; nothing is destroyed or asked.
    virtual void OnClose(wxCloseEvent& event);

    // Shows the answer of the update check (EVT_UPDATE_RESULT): the failure message for an empty
    // answer, an offer of the download page for a newer version, the latest-version message
    // otherwise.
    void OnUpdateChecked(wxCommandEvent& event);
    // The theme's program picture as the frame's icon.
    void SetAppIcon();

    // The boxes through which the update answer is shown. The defaults are the toolkit's modal
    // boxes; tests put recorders here. An empty member restores its default.
    struct UpdateAnswerUi {
        // A message with an Ok button, no parent, centred.
        std::function<void(const wxString& text, const wxString& caption)> message;
        // A Yes/No question over parent; returns wxID_YES, wxID_NO or another button id.
        std::function<int(wxWindow* parent, const wxString& text, const wxString& caption)>
            askYesNo;
    };
    static void SetUpdateAnswerUi(const UpdateAnswerUi& ui);

  private:
    void OnCloseEvent(wxCloseEvent& event);

    wxDECLARE_DYNAMIC_CLASS(MainFrame);
    wxDECLARE_EVENT_TABLE();
};
