// Free file names in the folder of one recovery: a file keeps its own name, and when that is
// taken it gets the next free "name (2).ext", "name (3).ext". A recovery never replaces a file.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "domain/export_folder.h"
#include "domain/export_outcome.h"

class ExportFreeNames {
  public:
    // folder: the open folder of the recovery; it outlives this object.
    explicit ExportFreeNames(ExportFolder& folder) : folder_(folder) {}

    // Writes a file through fill, whole, into the folder (ExportFolder::WriteTemporary), then
    // gives it name made safe (SafeName), or the next free numbered name when that is taken.
    // True with the name given; false with the error, and no file of this call stays.
    //
    // The folder is listed once, when a name is first found taken; from then on the names it
    // holds are passed over without a try, and every name continues from the number it reached,
    // so a folder of many numbered copies costs each item one try, not one per copy.
    bool Write(const std::string& name, const ExportFolder::Fill& fill, std::string* written,
               ExportError* error);

    // The names tried so far, each one rename.
    long NamesTried() const { return tried_; }

    // Tries that a name may fail with EEXIST although the listing does not hold it (a file
    // made meanwhile, a file system that folds case) before the item counts as failed; a
    // name that used them all up fails at once afterwards.
    static constexpr int kMaxUnexpectedTries = 100000;

    // The name a file gets for a record's name: unchanged when it is an ordinary file name;
    // each "/" becomes "_", an empty name becomes "_" and "." and ".." get a "_" in front, so
    // that the file lands inside the folder; a name longer than a file system takes (255 bytes)
    // is shortened between characters, keeping its extension.
    static std::string SafeName(const std::string& name);
    // The n-th name (n >= 2) for a safe name: "IMG_1000 (2).JPG", kept within 255 bytes.
    static std::string NumberedName(const std::string& safeName, int n);

  private:
    void ListFolder();

    struct NameState {
        int next = 1;            // the number to try first (1: the name itself)
        bool exhausted = false;  // every try failed with EEXIST
    };

    ExportFolder& folder_;
    bool listed_ = false;
    long tried_ = 0;
    std::unordered_set<std::string> taken_;
    std::unordered_map<std::string, NameState> names_;
};
