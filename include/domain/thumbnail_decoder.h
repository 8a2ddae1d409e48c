// Makes the small picture of one picture file for the thumbnail grids. A backup's files come from
// a device, and a few bytes may declare a picture of gigabytes, so the file's header is read
// first (PictureHeader) and the rest only for a JPEG, PNG, GIF, BMP or TIFF picture within the
// limits below. Every decode is bounded before it starts: the memory it needs (the file, the
// decoder's buffers and the decoded pixels, as the header declares them) is taken from a budget
// that all decodes running at once share (DecodeBudget::Shared()), waiting while others hold it.
// Within that:
//  - a JPEG is decoded by libjpeg at the smallest of its scales 1/8 to 8/8 that still covers the
//    thumbnail, with libjpeg's memory capped at what was taken and at most kMaxScans scans; a
//    progressive one decoded at 1/8 is read only up to its first DC scans, all that this scale
//    shows; one whose data is too short for its declared size is damaged;
//  - a PNG is decoded row by row, keeping only the pixels that the thumbnail takes;
//  - of a GIF only the first frame is decoded.
// The thumbnail is scaled with nearest-neighbour sampling to DomainIB::FitThumbnail of the
// picture's size. Safe to use on several threads at once.
#pragma once

#include <wx/image.h>

#include <cstdint>
#include <string>

class DecodeBudget;
struct PictureHeader;

class ThumbnailDecoder {
  public:
    // Pictures larger than this are not decoded.
    static constexpr std::uint64_t kMaxPixels = 40ull * 1000 * 1000;
    // Nor are files larger than this, nor pictures whose decode needs more memory.
    static constexpr std::uint64_t kMaxFileBytes = 64ull * 1024 * 1024;
    static constexpr std::uint64_t kMaxPictureBytes = 128ull * 1024 * 1024;
    // Nor JPEG pictures of more scans (real progressive ones have about ten).
    static constexpr int kMaxScans = 64;
    // Nor JPEG pictures of several scans (progressive ones among them), which keep all their
    // coefficients while they are decoded, of more coefficients: 40 MiB, a 13-megapixel picture
    // in YCbCr 4:2:0 (the memory is fresh at every decode, and touching it costs as much as
    // decoding an ordinary picture of that size).
    static constexpr std::uint64_t kMaxCoefficientBytes = 40ull * 1024 * 1024;
    // Nor PNG pictures of more uncompressed data (every row is inflated): 32 MiB, for example
    // 8 megapixels in RGBA, 11 in RGB.
    static constexpr std::uint64_t kMaxPngDataBytes = 32ull * 1024 * 1024;
    // Nor BMP and TIFF pictures (which the toolkit's slower decoders decode whole) of more
    // pixels.
    static constexpr std::uint64_t kMaxToolkitPixels = 2ull * 1000 * 1000;

    virtual ~ThumbnailDecoder() = default;

    // The thumbnail of the picture at path (the system's bytes); an invalid image when the file
    // is missing, damaged, empty, not a picture of a known kind or outside the limits. The second
    // form takes its memory from the given budget instead of the shared one.
    static wxImage Decode(const std::string& path);
    static wxImage Decode(const std::string& path, DecodeBudget& budget);

    // The memory a decode of the picture with this header, in a file of fileBytes, takes from
    // the budget; 0 when the picture is not decoded.
    static std::uint64_t DecodeBytes(const PictureHeader& header, std::uint64_t fileBytes);

    // The eighths (1 to 8) at which a JPEG picture of width x height is decoded so that it still
    // covers a thumbnail of thumbWidth x thumbHeight.
    static int JpegEighths(int width, int height, int thumbWidth, int thumbHeight);

    // Nearest-neighbour scaling that takes source pixels as they are (colours and alpha).
    static wxImage ScaleNearest(const wxImage& source, int width, int height);
};
