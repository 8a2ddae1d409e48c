#include "window/content/screen_prompt.h"

#include <gtk/gtk.h>
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

bool ScreenPrompt::ChooseFolder(wxWindow* parent, const wxString& message, std::string* path) {
    if (FolderStandIn()) return FolderStandIn()(parent, message, path);
    wxDirDialog dialog(parent, message, StartFolder(), 0, wxDefaultPosition, wxDefaultSize);
    if (dialog.ShowModal() != wxID_OK) return false;
    if (path == nullptr) return true;
    // The toolkit decodes the chooser's answer as UTF-8, which leaves nothing of a name that is
    // not: take the bytes from the chooser itself.
    path->clear();
    if (GtkWidget* widget = static_cast<GtkWidget*>(dialog.GetHandle());
        widget != nullptr && GTK_IS_FILE_CHOOSER(widget)) {
        if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(widget))) {
            path->assign(name);
            g_free(name);
        }
    }
    if (path->empty()) path->assign(dialog.GetPath().fn_str());
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
