#include "app/main_app.h"

#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <utility>

#include "app/main_frame_idevice_backup.h"
#include "common/app_info.h"
#include "common/app_util.h"
#include "common/face_layout.h"
#include "domain/domain_option.h"
#include "window/base/program_pages.h"

DomainOption* g_domainOption = nullptr;

namespace {

std::function<void(const wxString&)>& WebPageOpener() {
    static std::function<void(const wxString&)> opener;  // GUI thread only
    return opener;
}

// The pages the windows use: the addresses of the program-wide settings, opened through
// OpenWebPage, and their update check.
class AppPages final : public ProgramPages {
  public:
    wxString HelpUrl() const override { return GetHelpUrl(); }
    wxString SupportUrl() const override { return GetSupportUrl(); }
    wxString HomeUrl() const override { return GetHomeUrl(); }
    void Open(const wxString& url) const override { OpenWebPage(url); }
    void CheckUpdate() const override {
        if (g_domainOption != nullptr) g_domainOption->CheckUpdate();
    }
};

const AppPages g_appPages;
// Installed during static initialisation, with the program's other start-up tables, so that
// every window of the program finds them, however it was made.
[[maybe_unused]] const bool g_appPagesInstalled = (ProgramPages::Install(&g_appPages), true);

}  // namespace

wxString GetHelpUrl() {
    return g_domainOption != nullptr ? g_domainOption->GetHelpUrl() : wxString();
}

wxString GetSupportUrl() {
    return g_domainOption != nullptr ? g_domainOption->GetSupportUrl() : wxString();
}

wxString GetHomeUrl() {
    return g_domainOption != nullptr ? g_domainOption->GetHomeUrl() : wxString();
}

void OpenWebPage(const wxString& url) {
    // Without settings there is no address; the desktop's opener would only complain.
    if (url.empty()) return;
    if (WebPageOpener()) {
        WebPageOpener()(url);
        return;
    }
    wxLaunchDefaultBrowser(url, 0);
}

void SetWebPageOpener(std::function<void(const wxString&)> opener) {
    WebPageOpener() = std::move(opener);
}

bool MainApp::OnInit() {
    return Start(*this);
}

bool MainApp::Start(wxApp& app) {
    // The command line is not parsed: the base class's OnInit, which would parse it, is not
    // called. The toolkit's log would show its messages as modal boxes; they go to the standard
    // error stream instead.
    delete wxLog::SetActiveTarget(new wxLogStderr());

    // Every theme image is an entry of Themes/default.zip: the archive handler must be there
    // before the first image is loaded.
    wxFileSystem::AddHandler(new wxArchiveFSHandler());
    wxInitAllImageHandlers();

    g_domainOption = new DomainOption(AppInfo::GetOptionFilePath());
    g_domainOption->Load();

    LoadFaceLayout(AppUtil::GetAppRoot() + wxS("/Themes/face.xml"));

    MainFrameIDeviceBackup* frame = new MainFrameIDeviceBackup();
    frame->Init(ID_MAIN_FRAME, AppInfo::GetProductName());
    if (frame->GetHandle() == nullptr) {
        // Without its window the frame cannot be shown, and the program would wait for nothing.
        delete frame;
        wxLogError("The main window could not be created.");
        return false;
    }
    app.SetTopWindow(frame);
    frame->Show(true);
    return true;
}

int MainApp::OnExit() {
    if (g_domainOption != nullptr) {
        delete g_domainOption;
        g_domainOption = nullptr;
    }
    return 0;
}

wxAppConsole* CreateApp() {
    // The toolkit compares its own build with the one the program was compiled against.
    wxAppConsole::CheckBuildOptions(WX_BUILD_OPTIONS_SIGNATURE, "your program");
    return new MainApp();
}
