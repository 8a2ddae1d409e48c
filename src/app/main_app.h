// The application object: prepares, in a fixed order, everything the windows read while they are
// built (archive file system, image handlers, settings, layout map), then makes and shows the
// main frame and hands over to the toolkit's event loop.
#pragma once

#include <wx/app.h>
#include <wx/string.h>

#include <functional>

class DomainOption;

// The program-wide settings: made and loaded by MainApp::OnInit, deleted by MainApp::OnExit;
// null before. Read by the toolbar, the title bar's menu, the About box and the main frame.
extern DomainOption* g_domainOption;

// The addresses of the settings, empty while g_domainOption is null.
wxString GetHelpUrl();
wxString GetSupportUrl();
wxString GetHomeUrl();

// Opens a web address in the desktop's default browser; an empty address opens nothing. Every
// link of the windows goes through here.
void OpenWebPage(const wxString& url);
// Replaces the browser call (tests record the address instead); an empty function restores it.
void SetWebPageOpener(std::function<void(const wxString&)> opener);

class MainApp : public wxApp {
  public:
    // The start-up sequence (Start on this application).
    bool OnInit() override;
    // Deletes the program-wide settings; 0. Runs only when the toolkit ends its loop itself.
    int OnExit() override;

    // The start-up sequence for app: archive handler, image handlers, settings, layout, then the
    // main frame, made app's top window and shown. False only when the frame's window cannot be
    // created.
    static bool Start(wxApp& app);
};

// The application factory that the toolkit's entry calls: checks the toolkit build against the
// program's, then makes the MainApp.
wxAppConsole* CreateApp();
