// A media copy: one stored file of a backup copied byte for byte into a new file.
#pragma once

#include "domain/export_outcome.h"

class ExportCopy {
  public:
    virtual ~ExportCopy() = default;

    // The error code of a stored file that is not a regular file (a FIFO, a device, a socket, a
    // folder or a symbolic link), which is never opened for reading.
    static constexpr int kNotRegular = -1;

    // Copies a regular file byte for byte into a new file. Returns 0 after a complete copy; -1
    // when the source is not a regular file or cannot be read, or the target exists already or
    // cannot be created or written (the error tells which). An existing target is never
    // replaced, and a failed copy leaves no target behind.
    static int Copy(const char* sourcePath, const char* targetPath, ExportError* error);
};
