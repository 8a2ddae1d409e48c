// Picture files shaped to make a thumbnail decoder spend: a few bytes that declare a picture of
// gigabytes, a JPEG in more scans than any encoder writes, CMYK data. Each is a well-formed file
// (its headers and tables are those a decoder accepts) so that only the declared size or the
// layout is hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gen {

// A small JPEG (a 16 x 16 picture) whose frame header declares width x height; progressive: in
// the scans of a progressive picture; cmyk: four components, as Adobe writes CMYK (YCCK).
std::string MakeJpegDeclaring(int width, int height, bool progressive, bool cmyk);
// A whole CMYK JPEG of width x height pixels (Adobe's inverted values, YCCK coded).
std::string MakeCmykJpeg(int width, int height, std::uint32_t seed);
// A progressive JPEG of width x height pixels in exactly scans scans (at least 2, at most 2,000):
// the DC values first, then the AC coefficients one band at a time in successive approximation.
// dcLast: the DC values are sent at reduced precision first and their last bit only in the last
// scan, after all the AC scans.
std::string MakeJpegInScans(int width, int height, int scans, bool dcLast, std::uint32_t seed);
// A GIF whose one frame declares width x height while its data holds 8 x 8 pixels.
std::string MakeGifDeclaring(int width, int height);
// A PNG whose header declares width x height while its data holds one row: a decoder that
// believes the header allocates for the whole picture.
std::string MakePngDeclaring(int width, int height);

// A grey TIFF of 10 x 10 pixels (one uncompressed strip, little-endian) whose directory gives its
// width and height twice: first as firstWidth x firstHeight, then, after the other tags, as
// lastWidth x lastHeight. libtiff takes the first of repeated tags.
std::string MakeTiffGivingSizeTwice(std::uint32_t firstWidth, std::uint32_t firstHeight,
                                    std::uint32_t lastWidth, std::uint32_t lastHeight);
// A GIF of width x height whose first frame follows a comment extension of about commentBytes
// bytes in the file, in sub-blocks of blockBytes (1 to 255) bytes of text each.
std::string MakeGifWithComment(int width, int height, std::size_t commentBytes, int blockBytes);

}  // namespace gen
