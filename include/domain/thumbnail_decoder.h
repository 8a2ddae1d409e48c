// Makes the small picture of one picture file for the thumbnail grids: the file is read once,
// checked (a JPEG must be whole, the header must tell a size of at most 100 million pixels),
// decoded and scaled with nearest-neighbour sampling to DomainIB::FitThumbnail of its size. A
// JPEG picture is decoded at the smallest of the decoder's scales 1/8 to 8/8 whose result still
// covers the thumbnail, which spares most of the decoding work of a large picture. Safe to use
// on several threads at once.
#pragma once

#include <wx/image.h>
#include <wx/string.h>

#include <cstddef>

class ThumbnailDecoder {
  public:
    virtual ~ThumbnailDecoder() = default;

    // The thumbnail of the picture at path; an invalid image when the file is missing, damaged,
    // empty, too large or not a picture of a known kind.
    static wxImage Decode(const wxString& path);
    // The same for the bytes of a picture file.
    static wxImage DecodeBytes(const unsigned char* data, std::size_t size);

    // The eighths (1 to 8) at which a JPEG picture of width x height is decoded so that it still
    // covers a thumbnail of thumbWidth x thumbHeight.
    static int JpegEighths(int width, int height, int thumbWidth, int thumbHeight);

    // Nearest-neighbour scaling that takes source pixels as they are (colours and alpha).
    static wxImage ScaleNearest(const wxImage& source, int width, int height);
};
