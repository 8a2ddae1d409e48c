// The folder a recovery writes into, opened once. Every file of the recovery is made relative to
// the folder that was opened, never looked up again by its path: a folder renamed, replaced by a
// link or mounted over meanwhile receives nothing, and what was checked is what is written into.
//
// A file is written whole under a temporary name first and given its own name only when it is
// complete, by a rename that never replaces a file, so an interrupted recovery (a full disk, the
// window closed, the process killed) leaves no file under an item's name that is not whole.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "domain/export_outcome.h"

class ExportFolder {
  public:
    // Writes a file's whole content into a stream open for writing; false with the error.
    using Fill = std::function<bool(FILE* out, ExportError* error)>;

    ExportFolder() = default;
    ~ExportFolder();
    ExportFolder(const ExportFolder&) = delete;
    ExportFolder& operator=(const ExportFolder&) = delete;

    // Opens the folder at path (the system's bytes). Links on the way are followed; the folder
    // they led to is the one written into from then on. False with the error number when it
    // cannot be opened or is no folder. An open folder is closed first.
    bool Open(const std::string& path, int* error = nullptr);
    bool IsOpen() const { return fd_ >= 0; }
    // The open folder's descriptor (opened with O_PATH, a base for the *at calls); -1 when none.
    int Fd() const { return fd_; }

    // The name a file is written under until it is whole: its own name with ".partial" after it
    // ("IMG_1000.JPG.partial"), so that a file left by an interrupted recovery says what it is
    // and no program takes it for a picture or a page; the n-th (n >= 2) is
    // "IMG_1000 (2).JPG.partial". Kept within 255 bytes.
    static std::string TemporaryName(const std::string& name, int n);

    // Writes a new temporary file for a file to be named name through fill, and closes it. True
    // with its name in *temp; false with the error, and no temporary file stays.
    bool WriteTemporary(const std::string& name, const Fill& fill, std::string* temp,
                        ExportError* error);
    // Gives a whole temporary file the name name when no file has it. 0, or the error number:
    // EEXIST when the name is taken (the temporary file is then still there).
    int Publish(const std::string& temp, const std::string& name);
    // Removes a temporary file of this recovery.
    void Discard(const std::string& temp);

    // Writes a new file named name through fill: temporary first, then named. False with the
    // error (EEXIST when the name is taken), and no file of this call stays.
    bool WriteNew(const std::string& name, const Fill& fill, ExportError* error);

    // The names the folder holds now; empty when it cannot be listed.
    std::vector<std::string> Names() const { return NamesIn(fd_); }
    // The names the folder open at fd holds now, "." and ".." left out; empty when it cannot be
    // listed.
    static std::vector<std::string> NamesIn(int fd);

    // Writes a new file at path through fill, as WriteNew does in the folder that path names.
    static bool WriteNewAt(const std::string& path, const Fill& fill, ExportError* error);

  private:
    int fd_ = -1;
    // The file system refused RENAME_NOREPLACE: names are given by a link and an unlink.
    bool linkToPublish_ = false;
};
