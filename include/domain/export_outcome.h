// What a recovery did: how many pages or copies it wrote, how many it could not write and why.
// The export task fills it on its worker; the done event carries it to the kind screen, which
// tells the user.
#pragma once

#include <wx/string.h>

#include <string>

// Why one item of a recovery was not written: the system's error number and where it arose.
struct ExportError {
    enum Place {
        kTarget,    // the file written into the chosen folder
        kStored,    // the file read from the backup
        kTemplate,  // the page template
    };
    int code = 0;
    Place place = kTarget;
};

struct ExportOutcome {
    std::string folder;  // the chosen folder, UTF-8
    int written = 0;     // pages or copies written whole
    int failed = 0;      // items that could not be written
    // Why the first of them failed, in English; a catalog key where the text is one of the
    // reasons that ReasonText names.
    std::string reason;

    // Counts one item written.
    void Written() { ++written; }
    // Counts one item not written, keeping the reason of the first.
    void Failed(const ExportError& error);
    void Failed(const std::string& why);

    // The English reason of an error: "not in the backup", "not a regular file", "Permission
    // denied", "No space left on device" and the like.
    static std::string ReasonText(const ExportError& error);

    // The message the kind screen shows when the recovery ends, in the current catalog's
    // language: the folder and the count written, and, where anything failed, how many items
    // could not be recovered and why. Call it on the GUI thread.
    wxString Describe() const;

    // Creates folder with its parents when it does not exist. False, with the English reason,
    // when it cannot be made or is no folder.
    static bool MakeFolder(const wxString& folder, std::string* reason);
    // The message that tells the user a folder could not be made, in the current language.
    static wxString DescribeFolderFailure(const wxString& folder, const std::string& reason);
};
