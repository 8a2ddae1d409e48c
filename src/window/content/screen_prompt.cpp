#include "window/content/screen_prompt.h"

#include <wx/dir.h>
#include <wx/dirdlg.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "common/app_info.h"

namespace {

ScreenPrompt::MessageAnswer& MessageStandIn() {
    static ScreenPrompt::MessageAnswer answer;
    return answer;
}

ScreenPrompt::FolderAnswer& FolderStandIn() {
    static ScreenPrompt::FolderAnswer answer;
    return answer;
}

}  // namespace

void ScreenPrompt::ShowMessage(const wxString& text) {
    if (MessageStandIn()) {
        MessageStandIn()(text);
        return;
    }
    wxMessageBox(text, AppInfo::GetProductName(), wxOK | wxCENTRE, nullptr);
}

bool ScreenPrompt::ChooseFolder(wxWindow* parent, const wxString& message, wxString* path) {
    if (FolderStandIn()) return FolderStandIn()(parent, message, path);
    wxDirDialog dialog(parent, message, StartFolder(), 0, wxDefaultPosition, wxDefaultSize);
    if (dialog.ShowModal() != wxID_OK) return false;
    if (path != nullptr) *path = dialog.GetPath();
    return true;
}

wxString ScreenPrompt::StartFolder() {
    const wxString documents = AppInfo::GetDocumentsDir();
    if (!documents.empty() && wxDirExists(documents)) return documents;
    return wxGetHomeDir();
}

void ScreenPrompt::SetMessageAnswer(MessageAnswer answer) {
    MessageStandIn() = std::move(answer);
}

void ScreenPrompt::SetFolderAnswer(FolderAnswer answer) {
    FolderStandIn() = std::move(answer);
}
