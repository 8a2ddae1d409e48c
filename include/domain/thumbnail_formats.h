// The parts of ThumbnailDecoder, one file per picture format, and what they share: the plan of
// a decode (what it takes from the budget and the thumbnail's size, worked out from the header
// before anything else is read, thumbnail_plan.cpp) and the sampling positions of the
// nearest-neighbour scaling. The per-format decoders read a whole file from memory and never
// allocate more than the plan allowed for; each returns false for damaged data.
#pragma once

#include <wx/gdicmn.h>
#include <wx/image.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "domain/picture_header.h"

namespace thumbnail {

constexpr std::uint64_t kMiB = 1024 * 1024;

// What a decode takes, worked out from the header before anything else is read.
struct Plan {
    // The share of the budget: the file, the decoder, the pixels.
    std::uint64_t bytes = 0;
    // libjpeg's own cap.
    std::uint64_t decoderBytes = 0;
    int eighths = 8;
    wxSize fit;
};

// JPEG: the blocks of the frame, as libjpeg lays them out.
struct JpegBlocks {
    // One per component without padding (each costs at least one bit of compressed data).
    std::uint64_t coded = 0;
    // Padded to whole MCUs: the coefficient buffer of a picture of several scans.
    std::uint64_t buffered = 0;
};
JpegBlocks CountJpegBlocks(const PictureHeader& header);

// The plan of a decode of the picture with this header in a file of fileBytes; false when the
// picture is not decoded (outside the limits, or of a kind that is not decoded).
bool PlanPicture(const PictureHeader& header, std::uint64_t fileBytes, Plan* plan);

// The source position of each pixel of a nearest-neighbour scaling of length into count, as
// ThumbnailDecoder::ScaleNearest takes them.
std::vector<std::uint32_t> NearestPositions(std::uint32_t length, int count);

// Decodes a JPEG picture at plan.eighths/8 of its size into RGB (CMYK ones as Adobe writes them,
// with inverted values), within plan.decoderBytes.
bool DecodeJpeg(const unsigned char* data, std::size_t size, const PictureHeader& header,
                const Plan& plan, wxImage* out);
// Decodes a PNG picture row by row straight into its thumbnail of fit: only the sampled pixels
// of each row are kept. Interlaced pictures are read pass by pass in the same way.
bool DecodePng(const unsigned char* data, std::size_t size, const PictureHeader& header,
               const wxSize& fit, wxImage* out);
// Decodes the first frame of a GIF row by row straight into its thumbnail of fit, as the
// toolkit's decoder shows it: the frame alone, its transparent colour as the mask colour magenta.
// The frame is the one its header found (frame), which is not looked for again.
bool DecodeGif(const unsigned char* data, std::size_t size, const PictureHeader::GifFrame& frame,
               const wxSize& fit, wxImage* out);

}  // namespace thumbnail
