#include "kind/descriptor_vfs.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kind/sqlite_db.h"

namespace ib {

namespace {

const char kVfsName[] = "wz-descriptor";

// A database file read through its descriptor. The sqlite3_file of a temporary file handed to
// the default file system shares this memory, so this one starts with the same header.
struct DescriptorFile {
    sqlite3_file base;
    int fd;
};

sqlite3_vfs* Default() {
    static sqlite3_vfs* const fallback = sqlite3_vfs_find(nullptr);
    return fallback;
}

int FileClose(sqlite3_file* file) {
    auto* f = reinterpret_cast<DescriptorFile*>(file);
    if (f->fd >= 0) close(f->fd);
    f->fd = -1;
    return SQLITE_OK;
}

int FileRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    auto* f = reinterpret_cast<DescriptorFile*>(file);
    auto* out = static_cast<char*>(buffer);
    int got = 0;
    while (got < amount) {
        const ssize_t n = pread(f->fd, out + got, static_cast<size_t>(amount - got), offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return SQLITE_IOERR_READ;
        if (n == 0) break;
        got += static_cast<int>(n);
    }
    if (got == amount) return SQLITE_OK;
    // SQLite expects the rest of a short read to be zeros.
    std::memset(out + got, 0, static_cast<size_t>(amount - got));
    return SQLITE_IOERR_SHORT_READ;
}

int FileWrite(sqlite3_file*, const void*, int, sqlite3_int64) {
    return SQLITE_READONLY;
}

int FileTruncate(sqlite3_file*, sqlite3_int64) {
    return SQLITE_READONLY;
}

int FileSync(sqlite3_file*, int) {
    return SQLITE_OK;
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    auto* f = reinterpret_cast<DescriptorFile*>(file);
    struct stat st;
    if (fstat(f->fd, &st) != 0) return SQLITE_IOERR_FSTAT;
    *size = st.st_size;
    return SQLITE_OK;
}

// The file is immutable: no other connection can change it, so there is nothing to lock.
int FileLock(sqlite3_file*, int) {
    return SQLITE_OK;
}

int FileCheckReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}

int FileControl(sqlite3_file*, int, void*) {
    return SQLITE_NOTFOUND;
}

int FileSectorSize(sqlite3_file*) {
    return 4096;
}

int FileDeviceCharacteristics(sqlite3_file*) {
    return SQLITE_IOCAP_IMMUTABLE;
}

const sqlite3_io_methods kMethods = {
    1,  // no shared memory, no memory map
    FileClose,
    FileRead,
    FileWrite,
    FileTruncate,
    FileSync,
    FileSize,
    FileLock,
    FileLock,  // unlock
    FileCheckReservedLock,
    FileControl,
    FileSectorSize,
    FileDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int VfsOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    file->pMethods = nullptr;
    if ((flags & SQLITE_OPEN_MAIN_DB) == 0) {
        // Temporary files have no name; every named file besides the database (a journal, a
        // log) would lie beside it in the backup.
        if (name != nullptr) return SQLITE_CANTOPEN;
        return Default()->xOpen(Default(), nullptr, file, flags, outFlags);
    }
    if (name == nullptr || (flags & (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) != 0)
        return SQLITE_CANTOPEN;
    const sqlite3_int64 fd = sqlite3_uri_int64(name, "fd", -1);
    if (fd < 0 || fd > INT32_MAX) return SQLITE_CANTOPEN;
    struct stat st;
    if (fstat(static_cast<int>(fd), &st) != 0 || !S_ISREG(st.st_mode)) return SQLITE_CANTOPEN;
    const int own = fcntl(static_cast<int>(fd), F_DUPFD_CLOEXEC, 0);
    if (own < 0) return SQLITE_CANTOPEN;
    auto* f = reinterpret_cast<DescriptorFile*>(file);
    f->fd = own;
    f->base.pMethods = &kMethods;
    if (outFlags != nullptr) *outFlags = SQLITE_OPEN_READONLY;
    return SQLITE_OK;
}

int VfsDelete(sqlite3_vfs*, const char*, int) {
    return SQLITE_IOERR_DELETE;
}

// Nothing exists beside the database: no journal to roll back, no log to read.
int VfsAccess(sqlite3_vfs*, const char*, int, int* result) {
    *result = 0;
    return SQLITE_OK;
}

// The name is only a name: it is never resolved, so a link in it leads nowhere.
int VfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    const std::size_t n = std::strlen(name);
    if (n + 1 > static_cast<std::size_t>(size)) return SQLITE_CANTOPEN;
    std::memcpy(out, name, n + 1);
    return SQLITE_OK;
}

void* VfsDlOpen(sqlite3_vfs*, const char*) {
    return nullptr;
}

void VfsDlError(sqlite3_vfs*, int size, char* out) {
    if (size > 0) out[0] = 0;
}

void (*VfsDlSym(sqlite3_vfs*, void*, const char*))(void) {
    return nullptr;
}

void VfsDlClose(sqlite3_vfs*, void*) {}

int VfsRandomness(sqlite3_vfs*, int size, char* out) {
    return Default()->xRandomness(Default(), size, out);
}

int VfsSleep(sqlite3_vfs*, int microseconds) {
    return Default()->xSleep(Default(), microseconds);
}

int VfsCurrentTime(sqlite3_vfs*, double* now) {
    return Default()->xCurrentTime(Default(), now);
}

int VfsGetLastError(sqlite3_vfs*, int size, char* out) {
    return Default()->xGetLastError != nullptr ? Default()->xGetLastError(Default(), size, out) : 0;
}

int VfsCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    sqlite3_vfs* d = Default();
    if (d->iVersion >= 2 && d->xCurrentTimeInt64 != nullptr) return d->xCurrentTimeInt64(d, now);
    double days = 0;
    const int rc = d->xCurrentTime(d, &days);
    *now = static_cast<sqlite3_int64>(days * 86400000.0);
    return rc;
}

sqlite3_vfs* Register() {
    static sqlite3_vfs vfs;
    if (sqlite3_initialize() != SQLITE_OK || Default() == nullptr) return nullptr;
    vfs.iVersion = 2;
    vfs.szOsFile = std::max(static_cast<int>(sizeof(DescriptorFile)), Default()->szOsFile);
    vfs.mxPathname = 4096;
    vfs.zName = kVfsName;
    vfs.xOpen = VfsOpen;
    vfs.xDelete = VfsDelete;
    vfs.xAccess = VfsAccess;
    vfs.xFullPathname = VfsFullPathname;
    vfs.xDlOpen = VfsDlOpen;
    vfs.xDlError = VfsDlError;
    vfs.xDlSym = VfsDlSym;
    vfs.xDlClose = VfsDlClose;
    vfs.xRandomness = VfsRandomness;
    vfs.xSleep = VfsSleep;
    vfs.xCurrentTime = VfsCurrentTime;
    vfs.xGetLastError = VfsGetLastError;
    vfs.xCurrentTimeInt64 = VfsCurrentTimeInt64;
    return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK ? &vfs : nullptr;
}

}  // namespace

const char* DescriptorVfs::Name() {
    static sqlite3_vfs* const vfs = Register();
    return vfs != nullptr ? vfs->zName : nullptr;
}

std::string DescriptorVfs::Uri(const std::string& path, int fd) {
    return SqliteDb::ImmutableUri(path) + "&fd=" + std::to_string(fd);
}

}  // namespace ib
