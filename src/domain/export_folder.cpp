#include "domain/export_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "domain/export_free_names.h"

namespace {

const char kTemporarySuffix[] = ".partial";
const std::size_t kMaxNameBytes = 255;
// Temporary names tried before a file counts as failed: more only when earlier recoveries were
// interrupted that often on the same name.
const int kMaxTemporaryTries = 1000;

int ErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

}  // namespace

ExportFolder::~ExportFolder() {
    if (fd_ >= 0) close(fd_);
}

bool ExportFolder::Open(const std::string& path, int* error) {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    linkToPublish_ = false;
    if (path.empty()) {
        if (error != nullptr) *error = ENOENT;
        return false;
    }
    // O_PATH: writing into the folder needs no right to read it, and a FIFO or device in its
    // place is never opened for real.
    do {
        fd_ = open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0 && error != nullptr) *error = errno;
    return fd_ >= 0;
}

std::string ExportFolder::TemporaryName(const std::string& name, int n) {
    std::string base = n <= 1 ? name : ExportFreeNames::NumberedName(name, n);
    const std::size_t room = kMaxNameBytes - (sizeof kTemporarySuffix - 1);
    if (base.size() > room) {
        std::size_t keep = room;
        // Never inside a UTF-8 character: back up over continuation bytes.
        while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
        base.resize(keep);
    }
    return base + kTemporarySuffix;
}

bool ExportFolder::WriteTemporary(const std::string& name, const Fill& fill, std::string* temp,
                                  ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    if (fd_ < 0) {
        *error = ExportError{EBADF, ExportError::kTarget};
        return false;
    }
    // A new file only, never through a link: a temporary file left by an earlier recovery, or a
    // file of the user's of that name, stays as it is and the next temporary name is taken.
    int fd = -1;
    std::string tempName;
    for (int n = 1; fd < 0 && n <= kMaxTemporaryTries; ++n) {
        tempName = TemporaryName(name, n);
        do {
            fd = openat(fd_, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        *error = ExportError{ErrorOr(EIO), ExportError::kTarget};
        return false;
    }
    FILE* out = fdopen(fd, "wb");
    if (out == nullptr) {
        *error = ExportError{ErrorOr(ENOMEM), ExportError::kTarget};
        close(fd);
        unlinkat(fd_, tempName.c_str(), 0);
        return false;
    }
    bool ok = fill(out, error);
    // Whole means written, flushed and closed without an error; a failed close may have lost
    // the end of the file.
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        *error = ExportError{ErrorOr(EIO), ExportError::kTarget};
    }
    if (!ok) {
        unlinkat(fd_, tempName.c_str(), 0);
        return false;
    }
    if (temp != nullptr) *temp = tempName;
    return true;
}

int ExportFolder::Publish(const std::string& temp, const std::string& name) {
    if (fd_ < 0) return EBADF;
    if (!linkToPublish_) {
        if (renameat2(fd_, temp.c_str(), fd_, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
        const int code = errno;
        if (code != EINVAL && code != ENOSYS) return code;
        // The file system takes no RENAME_NOREPLACE: a link fails on a taken name just as well.
        linkToPublish_ = true;
    }
    if (linkat(fd_, temp.c_str(), fd_, name.c_str(), 0) != 0) return errno;
    unlinkat(fd_, temp.c_str(), 0);
    return 0;
}

void ExportFolder::Discard(const std::string& temp) {
    if (fd_ >= 0) unlinkat(fd_, temp.c_str(), 0);
}

bool ExportFolder::WriteNew(const std::string& name, const Fill& fill, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    std::string temp;
    if (!WriteTemporary(name, fill, &temp, error)) return false;
    const int code = Publish(temp, name);
    if (code == 0) return true;
    Discard(temp);
    *error = ExportError{code, ExportError::kTarget};
    return false;
}

std::vector<std::string> ExportFolder::NamesIn(int fd) {
    std::vector<std::string> names;
    if (fd < 0) return names;
    const int listFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return names;
    DIR* dir = fdopendir(listFd);
    if (dir == nullptr) {
        close(listFd);
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

bool ExportFolder::WriteNewAt(const std::string& path, const Fill& fill, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    ExportFolder opened;
    int code = 0;
    if (name.empty() || !opened.Open(folder, &code)) {
        *error = ExportError{code != 0 ? code : ENOENT, ExportError::kTarget};
        return false;
    }
    return opened.WriteNew(name, fill, error);
}
