// Where the program lives: its own folder and the application root above it.
#pragma once

#include <wx/string.h>

class AppUtil {
  public:
    virtual ~AppUtil() = default;

    // The folder that holds the running program file (from the system, not argv[0]), without a
    // trailing "/"; empty when it cannot be found.
    static wxString GetExeDir();
    // The application root: the parent of GetExeDir(); empty when there is none.
    static wxString GetAppRoot();
    // Opens the folder with the desktop's default opener, without waiting.
    static void OpenInExplorer(const wxString& path);

    // The text before the last "/" of path; empty when path holds no "/".
    static wxString DirName(const wxString& path);
};
