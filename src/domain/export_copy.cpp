#include "domain/export_copy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "domain/export_folder.h"
#include "util/wz_tool.h"

FILE* ExportCopy::OpenSource(const char* sourcePath, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    if (sourcePath == nullptr) {
        *error = ExportError{ENOENT, ExportError::kStored};
        return nullptr;
    }
    // Only a regular file is read: a FIFO would block the export for ever, a device or a link
    // would copy something that is not in the backup.
    FILE* in = WZfopen(sourcePath, "rb");
    if (in != nullptr) return in;
    const int openError = errno;
    struct stat st;
    if (lstat(sourcePath, &st) != 0) {
        *error = ExportError{errno, ExportError::kStored};
    } else if (!S_ISREG(st.st_mode)) {
        *error = ExportError{kNotRegular, ExportError::kStored};
    } else {
        *error = ExportError{openError, ExportError::kStored};
    }
    return nullptr;
}

bool ExportCopy::CopyStream(FILE* in, FILE* out, ExportError* error) {
    char buffer[256];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, in);
        if (n > 0 && std::fwrite(buffer, 1, n, out) != n) {
            *error = ExportError{errno != 0 ? errno : EIO, ExportError::kTarget};
            return false;
        }
        if (n < sizeof buffer - 1) {
            if (std::ferror(in) == 0) return true;
            *error = ExportError{errno != 0 ? errno : EIO, ExportError::kStored};
            return false;
        }
    }
}

int ExportCopy::Copy(const char* sourcePath, const char* targetPath, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    if (targetPath == nullptr) {
        *error = ExportError{ENOENT, ExportError::kTarget};
        return -1;
    }
    // The source first: a stored file that cannot be read leaves no file at all.
    FILE* in = OpenSource(sourcePath, error);
    if (in == nullptr) return -1;
    // A new file only, whole or not at all: a copy never replaces a file, be it an earlier
    // copy, a file of the user's, or the stored file itself when the folder lies in the backup.
    const bool copied = ExportFolder::WriteNewAt(
        targetPath, [in](FILE* out, ExportError* e) { return CopyStream(in, out, e); }, error);
    std::fclose(in);
    return copied ? 0 : -1;
}
