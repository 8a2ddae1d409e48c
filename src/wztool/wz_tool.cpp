#include "util/wz_tool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

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

int WZIsLittleEndian(void) {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? 1 : 0;
}

char* WZUnicode2Utf8(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    std::string out;
    for (const wchar_t* p = text; *p != 0; ++p) {
        std::uint32_t c = static_cast<std::uint32_t>(*p);
        if (c >= 0xD800 && c <= 0xDBFF) {
            const std::uint32_t low = static_cast<std::uint32_t>(p[1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++p;
            } else {
                c = 0xFFFD;
            }
        } else if ((c >= 0xDC00 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    char* result = static_cast<char*>(std::malloc(out.size() + 1));
    if (result == nullptr) return nullptr;
    std::memcpy(result, out.c_str(), out.size() + 1);
    return result;
}
}
