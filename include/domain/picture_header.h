// What the first bytes of a picture file tell before anything is decoded: the kind of picture
// (JPEG, PNG, GIF, BMP, TIFF), the size it declares and what its decoder will need for it (a
// JPEG's frame and first scan, a PNG's pixel format, a GIF's first frame, a BMP's pixel format, a
// TIFF's first directory). Thumbnails are made only of these pictures, and only after their
// header shows what the decode will take; the header is read as the decoder reads it, so that
// both see the same picture. Reading a header reads a few bytes and, for a JPEG or a GIF, follows
// the segments or blocks up to the first picture; the pixel data is not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct PictureHeader {
    enum class Kind { kUnknown, kJpeg, kPng, kGif, kBmp, kTiff };

    // A JPEG frame header (the first one) and the first scan header after it.
    struct JpegFrame {
        static constexpr int kMaxComponents = 4;
        bool progressive = false;
        bool arithmetic = false;
        int components = 0;
        int hSampling[kMaxComponents] = {};
        int vSampling[kMaxComponents] = {};
        // Components in the first scan; 0 when the header ends before a scan.
        int firstScanComponents = 0;
    };
    struct PngFormat {
        int bitDepth = 0;
        int colourType = 0;
        bool interlaced = false;
    };
    // The first frame of a GIF: its size, the offsets of its image descriptor and just after its
    // image data, and its transparent colour (from the last graphic control extension before
    // it; -1 for none), so that its decoder need not walk the blocks before it again.
    struct GifFrame {
        std::uint64_t width = 0;
        std::uint64_t height = 0;
        std::uint64_t descriptorAt = 0;
        std::uint64_t dataEnd = 0;
        int transparent = -1;
    };

    // A BMP's information header as the toolkit's decoder reads it.
    struct BmpFormat {
        std::uint32_t headerBytes = 0;
        int bitsPerPixel = 0;
        int compression = 0;
        // The palette entries the header declares (0: as many as the bits allow).
        std::int64_t colours = 0;
    };
    // The first directory of a TIFF, the only one the decoder reads, as libtiff reads it: of a
    // tag given more than once the first counts, and what is not given has libtiff's default.
    struct TiffLayout {
        int bitsPerSample = 1;
        int samplesPerPixel = 1;
        int compression = 1;
        bool separatePlanes = false;
        bool tiled = false;
        std::uint64_t rowsPerStrip = 0xFFFFFFFF;
        std::uint64_t tileWidth = 0;
        std::uint64_t tileLength = 0;
    };

    Kind kind = Kind::kUnknown;
    // The size the header declares (a GIF's: its logical screen).
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    JpegFrame jpeg;
    PngFormat png;
    GifFrame gif;
    BmpFormat bmp;
    TiffLayout tiff;

    // Reads the header of the picture in file, from the file's start (the file position moves).
    // False when the bytes are none of the five kinds or the header is damaged; a JPEG with more
    // than four components, a BMP or TIFF of a layout its decoder does not take, and a TIFF
    // directory of more than kMaxTiffEntries entries count as damaged.
    static bool Read(std::FILE* file, PictureHeader* header);
    static constexpr std::uint32_t kMaxTiffEntries = 1000;

    // How a JPEG's segments run: whole is false when the bytes begin as a JPEG and end before the
    // end marker that closes its first picture; scans counts its scans up to there and
    // scanBytes the compressed data in them. The segments are walked by their lengths, so an end
    // marker inside an embedded preview does not count, and whatever follows the end marker is
    // not read. Bytes that are not a JPEG are whole, with no scans.
    struct JpegLayout {
        bool whole = true;
        int scans = 0;
        std::uint64_t scanBytes = 0;
    };
    static JpegLayout WalkJpeg(std::FILE* file);
    static JpegLayout WalkJpeg(const unsigned char* data, std::size_t size);
};
