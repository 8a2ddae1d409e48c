// What the windows need of the program around them and do not reach themselves: the addresses
// of the help, support and home pages, opening an address in the desktop's browser, and the
// update check. The program installs its own before its first window is made; the windows ask
// for it each time they use it.
#pragma once

#include <wx/string.h>

class ProgramPages {
  public:
    virtual ~ProgramPages();

    // The pages' addresses; empty when the program has none.
    virtual wxString HelpUrl() const = 0;
    virtual wxString SupportUrl() const = 0;
    virtual wxString HomeUrl() const = 0;
    // Opens url in the desktop's browser; an empty address opens nothing.
    virtual void Open(const wxString& url) const = 0;
    // Starts the update check, whose answer the program shows; nothing when it has no address.
    virtual void CheckUpdate() const = 0;

    // The installed pages, or null while none is installed: the windows then show no link,
    // open nothing and check nothing. GUI thread only.
    static const ProgramPages* Get();
    // Installs pages (not owned; it must outlive every window), or null to remove them.
    static void Install(const ProgramPages* pages);
};
