#include "domain/picture_probe.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "domain/picture_header.h"
#include "util/wz_tool.h"

namespace {

// Opens a stored file for reading: a regular file only, never a FIFO (which would block), a
// device or a link (which would read what is not in the backup).
std::FILE* OpenStored(const std::string& path) {
    return WZfopen(path.c_str(), "rb");
}

// The size that the header of the picture in file tells.
bool PeekImageSizeOf(std::FILE* file, int* width, int* height) {
    PictureHeader header;
    if (!PictureHeader::Read(file, &header)) return false;
    constexpr std::uint64_t kMaxSide = 0x7FFFFFFF;
    *width = static_cast<int>(std::min(header.width, kMaxSide));
    *height = static_cast<int>(std::min(header.height, kMaxSide));
    return true;
}

}  // namespace

bool PictureProbe::IsWholeJpeg(const std::string& path) {
    std::FILE* file = OpenStored(path);
    if (file == nullptr) return true;
    const bool whole = PictureHeader::WalkJpeg(file).whole;
    std::fclose(file);
    return whole;
}

bool PictureProbe::IsWholeJpeg(const unsigned char* data, std::size_t size) {
    return PictureHeader::WalkJpeg(data, size).whole;
}

bool PictureProbe::PeekImageSize(const std::string& path, int* width, int* height) {
    std::FILE* file = OpenStored(path);
    if (file == nullptr) return false;
    const bool known = PeekImageSizeOf(file, width, height);
    std::fclose(file);
    return known;
}

bool PictureProbe::PeekImageSize(const unsigned char* data, std::size_t size, int* width,
                                 int* height) {
    if (data == nullptr || size == 0) return false;
    std::FILE* file = fmemopen(const_cast<unsigned char*>(data), size, "rb");
    if (file == nullptr) return false;
    const bool known = PeekImageSizeOf(file, width, height);
    std::fclose(file);
    return known;
}
