// The least reading of a backup's "Manifest.mbdb" that the floors build on: the file read in
// pieces of 64 KiB, every record walked field by field (domain, path, link target, the two hash
// texts, the 40 fixed bytes, the properties), and only its domain and path handed on. Nothing of
// a record is copied or kept.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

constexpr std::size_t kPiece = 64 * 1024;

// Reads a whole file in pieces of kPiece bytes into nothing: the least reading of a file that
// the listing parses. Returns the bytes read.
inline std::size_t ReadInPieces(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    static char piece[kPiece];
    std::size_t total = 0;
    for (ssize_t n; (n = read(fd, piece, sizeof piece)) > 0;) total += static_cast<std::size_t>(n);
    close(fd);
    return total;
}

// Calls onRecord(domain, path) for every whole record of the manifest at path, in file order;
// false when the file cannot be opened or its header is wrong. The views are valid during the
// call only.
template <class F>
bool WalkManifest(const std::string& path, F&& onRecord) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    std::vector<unsigned char> buffer(kPiece);
    std::size_t begin = 0, end = 0;
    bool eof = false;
    // Makes n bytes available from begin on, keeping them; false at the end of the file.
    auto fill = [&](std::size_t n) {
        while (end - begin < n) {
            if (eof) return false;
            if (begin > 0) {
                std::memmove(buffer.data(), buffer.data() + begin, end - begin);
                end -= begin;
                begin = 0;
            }
            if (buffer.size() - end < kPiece && buffer.size() < n + kPiece)
                buffer.resize(n + kPiece);
            const ssize_t got = read(fd, buffer.data() + end, buffer.size() - end);
            if (got <= 0) {
                eof = true;
            } else {
                end += static_cast<std::size_t>(got);
            }
        }
        return true;
    };
    static const unsigned char kHeader[6] = {'m', 'b', 'd', 'b', 5, 0};
    if (!fill(6) || std::memcmp(buffer.data(), kHeader, 6) != 0) {
        close(fd);
        return false;
    }
    begin = 6;
    for (;;) {
        // One record: its length is known only as its fields are read, so offsets are taken
        // from begin and the record's bytes stay where fill keeps them.
        std::size_t at = 0;
        std::size_t domainAt = 0, domainLen = 0, pathAt = 0, pathLen = 0;
        auto text = [&](std::size_t* where, std::size_t* length) {
            if (!fill(at + 2)) return false;
            const std::size_t n =
                std::size_t(buffer[begin + at]) << 8 | std::size_t(buffer[begin + at + 1]);
            at += 2;
            const std::size_t bytes = n == 0xFFFF ? 0 : n;
            if (!fill(at + bytes)) return false;
            if (where != nullptr) {
                *where = at;
                *length = bytes;
            }
            at += bytes;
            return true;
        };
        if (!text(&domainAt, &domainLen) || !text(&pathAt, &pathLen) || !text(nullptr, nullptr) ||
            !text(nullptr, nullptr) || !text(nullptr, nullptr) || !fill(at + 40)) {
            break;
        }
        const unsigned properties = buffer[begin + at + 39];
        at += 40;
        bool whole = true;
        for (unsigned i = 0; i < properties && whole; ++i)
            whole = text(nullptr, nullptr) && text(nullptr, nullptr);
        if (!whole) break;
        const char* base = reinterpret_cast<const char*>(buffer.data() + begin);
        onRecord(std::string_view(base + domainAt, domainLen),
                 std::string_view(base + pathAt, pathLen));
        begin += at;
    }
    close(fd);
    return true;
}

}  // namespace bench
