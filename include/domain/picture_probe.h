// What the header of a picture file tells, asked of a file by its path (the system's bytes) or of
// its bytes in memory (PictureHeader reads them): the picture's size, and whether a JPEG is
// whole. Nothing is decoded.
#pragma once

#include <cstddef>
#include <string>

class PictureProbe {
  public:
    virtual ~PictureProbe() = default;

    // The decoded size of a picture as its header tells it (PNG, JPEG, GIF, BMP, TIFF); false
    // when the header is not one of those or is damaged. Sides above 2^31 - 1 are clamped.
    static bool PeekImageSize(const std::string& path, int* width, int* height);
    static bool PeekImageSize(const unsigned char* data, std::size_t size, int* width, int* height);
    // False for a JPEG whose first picture ends before its end marker (cut off, as by an
    // interrupted copy), which the decoder would show half grey; true for every other file,
    // also for a whole picture followed by other bytes, and for a file that cannot be opened.
    static bool IsWholeJpeg(const std::string& path);
    static bool IsWholeJpeg(const unsigned char* data, std::size_t size);
};
