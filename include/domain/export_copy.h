// A media copy: one stored file of a backup copied byte for byte into a new file.
#pragma once

#include <cstdio>

#include "domain/export_outcome.h"

class ExportCopy {
  public:
    virtual ~ExportCopy() = default;

    // The error code of a stored file that is not a regular file (a FIFO, a device, a socket, a
    // folder or a symbolic link), which is never opened for reading.
    static constexpr int kNotRegular = -1;

    // Opens a stored file for reading, regular files only. Null with the error (a kStored one)
    // when it is missing, not a regular file or cannot be read. The caller closes the stream.
    static FILE* OpenSource(const char* sourcePath, ExportError* error);
    // Copies what in holds to out byte for byte, in blocks of at most 255 bytes. False with the
    // error of the read (kStored) or the write (kTarget) that failed.
    static bool CopyStream(FILE* in, FILE* out, ExportError* error);

    // Copies a regular file byte for byte into a new file, written whole under a temporary name
    // first (ExportFolder). Returns 0 after a complete copy; -1 when the source is not a regular
    // file or cannot be read, or the target exists already or cannot be created or written (the
    // error tells which). An existing target is never replaced, and a failed copy leaves no
    // target behind.
    static int Copy(const char* sourcePath, const char* targetPath, ExportError* error);
};
