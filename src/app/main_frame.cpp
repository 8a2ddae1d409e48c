#include "app/main_frame.h"

#include <wx/icon.h>
#include <wx/msgdlg.h>

#include <cstdlib>

#include "app/main_app.h"
#include "common/app_info.h"
#include "common/custom_event.h"
#include "common/image_util.h"
#include "domain/domain_option.h"

namespace {

MainFrame::UpdateAnswerUi& AnswerUi() {
    static MainFrame::UpdateAnswerUi ui;  // GUI thread only
    return ui;
}

void ShowMessage(const wxString& text, const wxString& caption) {
    if (AnswerUi().message) {
        AnswerUi().message(text, caption);
        return;
    }
    wxMessageBox(text, caption, wxOK | wxCENTRE, nullptr);
}

int AskYesNo(wxWindow* parent, const wxString& text, const wxString& caption) {
    if (AnswerUi().askYesNo) return AnswerUi().askYesNo(parent, text, caption);
    wxMessageDialog dialog(parent, text, caption, wxYES_NO | wxCENTRE, wxDefaultPosition);
    dialog.SetTitle(caption);
    return dialog.ShowModal();
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(MainFrame, wxFrame);

wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_COMMAND(wxID_ANY, EVT_UPDATE_RESULT, MainFrame::OnUpdateChecked)
    EVT_CLOSE(MainFrame::OnCloseEvent)
wxEND_EVENT_TABLE()

MainFrame::MainFrame() = default;

void MainFrame::Refresh(bool /*eraseBackground*/, const wxRect* /*rect*/) {}

bool MainFrame::Init(wxWindowID id, const wxString& title) {
    return Create(id, title, wxDefaultSize);
}

bool MainFrame::Create(wxWindowID id, const wxString& title, const wxSize& size) {
    // No caption or border of the window manager: the title bar is drawn by the frame itself and
    // the outline is cut by a shape.
    const long style =
        wxFRAME_SHAPED | wxBORDER_NONE | wxMINIMIZE_BOX | wxCLOSE_BOX | wxSYSTEM_MENU;
    if (!wxFrame::Create(nullptr, id, title, wxDefaultPosition, size, style, wxFrameNameStr))
        return false;
    SetAppIcon();
    return true;
}

void MainFrame::SetAppIcon() {
    const wxBitmap picture =
        ImageUtil::GetThemeBitmap(wxS("application/application.png"), wxBITMAP_TYPE_PNG);
    if (!picture.IsOk()) return;
    wxIcon icon;
    icon.CopyFromBitmap(picture);
    SetIcon(icon);
}

void MainFrame::OnCloseEvent(wxCloseEvent& event) {
    OnClose(event);
}

void MainFrame::OnClose(wxCloseEvent& /*event*/) {
    // Running workers end with the process; an export in progress stays as far as written.
    std::exit(0);
}

void MainFrame::OnUpdateChecked(wxCommandEvent& event) {
    const wxString product = AppInfo::GetProductName();
    const wxString received = event.GetString();
    if (received.empty()) {
        ShowMessage(_("Update failed!Please check if the network is available."), product);
        return;
    }
    const wxString current = AppInfo::GetVersion();
    if (DomainOption::IsNewerVersion(current, received)) {
        const wxString text = _("A new version of ") + product + wxS("(") + received +
                              _(") is available. Click Yes to open download page.");
        if (AskYesNo(this, text, product) == wxID_YES) OpenWebPage(GetHomeUrl());
        return;
    }
    ShowMessage(
        _("This version of ") + product + wxS("(") + current + _(") is the latest version."),
        product);
}

void MainFrame::SetUpdateAnswerUi(const UpdateAnswerUi& ui) {
    AnswerUi() = ui;
}
