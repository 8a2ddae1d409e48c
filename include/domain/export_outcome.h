// What a recovery did: how many of the items the user checked it recovered, which it could not
// and why. The export task fills it on its worker; the done event carries it to the kind screen,
// which tells the user.
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <string>
#include <vector>

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

// One checked item that was not recovered.
struct ExportFailure {
    // The item as the user knows it: a copy by its name, a row by its first non-empty cell
    // (UTF-8); empty when it has none.
    std::string name;
    // Why, in English: a catalog key where the text is one of the reasons that ReasonText names.
    std::string reason;
    // The error it came from; the message counts the failures of each cause.
    ExportError cause;
};

struct ExportOutcome {
    // The RecoveryKind of the items; above 10 for none.
    std::uint32_t kind = UINT32_MAX;
    std::string folder;  // the chosen folder, the system's bytes
    std::string page;    // the file name of the page written (table kinds), empty when none
    int checked = 0;     // items the user checked
    int recovered = 0;   // of them, items recovered (every row of a page written)
    int failed = 0;      // of them, items not recovered
    std::string reason;  // why the first of them failed (see ExportFailure::reason)
    std::vector<ExportFailure> failures;  // every item not recovered, in the order checked
    // The file beside the recovered ones that lists the failures (its name in the folder), or,
    // when it could not be written, why (English, as reason); both empty when nothing failed.
    std::string listFile;
    std::string listReason;
    // The folder lies in a backup (or is the folder of the backups): nothing was written.
    bool refused = false;
    bool refusedRoot = false;
    std::string refusedIn;  // the backup folder (or the folder of the backups)

    // Counts n items recovered.
    void Recovered(int n = 1) { recovered += n; }
    // Counts one item not recovered, keeping its name and cause.
    void Failed(const std::string& name, const ExportError& error);

    // The English reason of an error: "not in the backup", "not a regular file", "Permission
    // denied", "No space left on device" and the like.
    static std::string ReasonText(const ExportError& error);
    // Every reason that ReasonText may give and the catalog translates.
    static std::vector<std::string> ReasonKeys();

    // The message the kind screen shows when the recovery ends, in the current catalog's
    // language: how many of the checked items were recovered into which page or folder, and,
    // where any failed, how many failed of each cause (the most first), whether their list
    // could be written, the first ten by name and where all are listed. Call it on the GUI
    // thread.
    wxString Describe() const;
    // How many failed items the message names.
    static constexpr int kNamesShown = 10;

    // Creates folder (the system's bytes) with its parents when it does not exist. False, with
    // the English reason, when it cannot be made or is no folder.
    static bool MakeFolder(const std::string& folder, std::string* reason);
    // The message that tells the user a folder could not be made, in the current language.
    static wxString DescribeFolderFailure(const wxString& folder, const std::string& reason);

    // A path (the system's bytes) as the user reads it: UTF-8 as it stands, what is not UTF-8 as
    // U+FFFD (StringUtil::FromUtf8).
    static wxString DisplayPath(const std::string& bytes);
};
