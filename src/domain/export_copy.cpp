#include "domain/export_copy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/wz_tool.h"

int ExportCopy::Copy(const char* sourcePath, const char* targetPath, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    auto fail = [error](ExportError::Place place, int code) {
        error->place = place;
        error->code = code;
        return -1;
    };
    if (sourcePath == nullptr) return fail(ExportError::kStored, ENOENT);
    if (targetPath == nullptr) return fail(ExportError::kTarget, ENOENT);
    // Only a regular file is read: a FIFO would block the export for ever, a device or a link
    // would copy something that is not in the backup.
    FILE* in = WZfopen(sourcePath, "rb");
    if (in == nullptr) {
        const int openError = errno;
        struct stat st;
        if (lstat(sourcePath, &st) != 0) return fail(ExportError::kStored, errno);
        if (!S_ISREG(st.st_mode)) return fail(ExportError::kStored, kNotRegular);
        return fail(ExportError::kStored, openError);
    }

    // A new file only ("x"): a copy never replaces a file, be it an earlier copy, a file of the
    // user's, or the stored file itself when the folder lies inside the backup.
    FILE* out = WZfopen(targetPath, "wbx");
    if (out == nullptr) {
        const int openError = errno;
        std::fclose(in);
        return fail(ExportError::kTarget, openError);
    }
    ExportError failure;
    char buffer[256];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, in);
        if (n > 0 && std::fwrite(buffer, 1, n, out) != n) {
            failure = {errno != 0 ? errno : EIO, ExportError::kTarget};
            break;
        }
        if (n < sizeof buffer - 1) {
            if (std::ferror(in) != 0) failure = {errno != 0 ? errno : EIO, ExportError::kStored};
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && failure.code == 0) {
        failure = {errno != 0 ? errno : EIO, ExportError::kTarget};
    }
    if (failure.code != 0) {
        // No truncated copy that looks complete.
        std::remove(targetPath);
        return fail(failure.place, failure.code);
    }
    return 0;
}
