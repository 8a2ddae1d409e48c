#include "util/wz_tool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "util/utf8_text.h"

extern "C" {

int WZOpenRegular(const char* path) {
    if (path == nullptr || *path == 0) return -1;
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    // The file may have been swapped between the look and the open: a link is refused by the open
    // itself, and a FIFO or device put in its place opens without blocking and fails the check of
    // what was opened.
    int fd;
    do {
        fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FILE* WZfopen(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    if (std::strchr(mode, 'r') != nullptr && std::strchr(mode, '+') == nullptr) {
        const int fd = WZOpenRegular(path);
        if (fd < 0) return nullptr;
        FILE* stream = fdopen(fd, mode);
        if (stream == nullptr) close(fd);
        return stream;
    }
    // Close-on-exec, so that a program started meanwhile inherits no open file.
    std::string m(mode);
    m += 'e';
    return std::fopen(path, m.c_str());
}

// A link is looked at, not followed: WZOpenRegular would not open it either.
int WZIsFileExists(const char* path) {
    if (path == nullptr) return 0;
    struct stat st;
    return lstat(path, &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}

std::uint64_t WZGetFileSize(const char* path) {
    if (path == nullptr) return 0;
    struct stat st;
    if (lstat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

char* WZGetBackupRoot(void) {
    std::string base;
    const char* appdata = std::getenv("APPDATA");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (appdata != nullptr && *appdata != 0) {
        base = appdata;
    } else if (xdg != nullptr && *xdg != 0) {
        base = xdg;
    } else if (home != nullptr && *home != 0) {
        base = std::string(home) + "/.config";
    } else {
        return nullptr;
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    base += "/Apple Computer/MobileSync/Backup/";
    char* out = static_cast<char*>(std::malloc(base.size() + 1));
    if (out != nullptr) std::memcpy(out, base.c_str(), base.size() + 1);
    return out;
}

int WZIsLittleEndian(void) {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? 1 : 0;
}

char* WZUnicode2Utf8(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    const std::size_t n = std::wcslen(text);
    char* result = static_cast<char*>(std::malloc(Utf8Text::MaxBytes(n) + 1));
    if (result == nullptr) return nullptr;
    char* end = Utf8Text::Encode(text, n, result);
    *end = 0;
    return result;
}
}
