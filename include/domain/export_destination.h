// Where a recovery may write. A backup is evidence: no recovery writes into the folder of the
// backups, into a backup folder (listed or not: any folder holding "Manifest.mbdb" or
// "Info.plist"), or into any folder inside them, wherever links lead. Paths are the system's
// bytes throughout; none passes through a text codec.
#pragma once

#include <wx/string.h>

#include <string>

class ExportDestination {
  public:
    virtual ~ExportDestination();

    // The folder, absolute (relative to the working folder when it is not), with every link and
    // every "." and ".." resolved; the parts that do not exist yet are kept as given. Ends
    // without "/" (but "/" itself).
    static std::string Resolve(const std::string& folder);

    // The folder of the current user's backups, where the reader lists them
    // ("<app data>/Apple Computer/MobileSync/Backup"), without a trailing "/"; empty when no
    // application-data folder is known.
    static std::string BackupRoot();

    // True when a recovery may write into folder. Otherwise false, with the folder that forbids
    // it (the backup folder, or the folder of the backups) in *backup and whether it is the
    // folder of the backups in *root.
    static bool MayWriteInto(const std::string& folder, std::string* backup = nullptr,
                             bool* root = nullptr);

    // The message that tells the user that nothing was recovered into folder because it lies in
    // the backup (or the folder of the backups) given, in the current catalog's language. Call it
    // on the GUI thread.
    static wxString DescribeRefusal(const std::string& folder, const std::string& backup,
                                    bool root);
};
