// Where a recovery may write. A backup is evidence: no recovery writes into the folder of the
// backups, into a backup folder (listed or not: any folder holding "Manifest.mbdb" or
// "Info.plist"), or into any folder inside them, wherever links or mounts lead. Paths are the
// system's bytes throughout; none passes through a text codec.
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

    // True when a recovery may write into folder, which need not exist yet: the folder as far
    // as it exists is checked as MayWriteIntoOpened checks it. Otherwise false, with the folder
    // that forbids it (the backup folder, or the folder of the backups) in *backup and whether
    // it is the folder of the backups in *root.
    static bool MayWriteInto(const std::string& folder, std::string* backup = nullptr,
                             bool* root = nullptr);

    // True when a recovery may write into the folder open at fd (any descriptor of a folder, an
    // O_PATH one too). That folder and every folder above it, reached by ".." as the system goes
    // up from it, is compared by device and inode with the folder of the backups and each folder
    // in it, and looked into for "Manifest.mbdb" and "Info.plist": so a link, a bind mount or a
    // folder swapped after its path was checked is seen for what it is. Otherwise false, as
    // MayWriteInto, with the forbidding folder as the system names it.
    static bool MayWriteIntoOpened(int fd, std::string* backup = nullptr, bool* root = nullptr);

    // The message that tells the user that nothing was recovered into folder because it lies in
    // the backup (or the folder of the backups) given, in the current catalog's language. Call it
    // on the GUI thread.
    static wxString DescribeRefusal(const std::string& folder, const std::string& backup,
                                    bool root);
};
