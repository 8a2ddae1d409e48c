#include <algorithm>
#include <cstdio>

#include "domain/thumbnail_formats.h"

// jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>

#include "domain/domain_ib.h"
#include "domain/picture_header.h"
#include "domain/thumbnail_decoder.h"

namespace thumbnail {

namespace {

std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}
std::uint64_t RoundUp(std::uint64_t a, std::uint64_t b) {
    return DivUp(a, b) * b;
}

bool PlanJpeg(const PictureHeader& header, std::uint64_t fileBytes, Plan* plan) {
    const PictureHeader::JpegFrame& f = header.jpeg;
    if (f.components != 1 && f.components != 3 && f.components != 4) return false;
    const JpegBlocks blocks = CountJpegBlocks(header);
    // Huffman-coded data spends at least one bit on every block; less data than that cannot hold
    // the picture its header declares (the scans themselves are measured once they are read).
    if (!f.arithmetic && fileBytes * 8 < blocks.coded) return false;
    plan->eighths = ThumbnailDecoder::JpegEighths(
        static_cast<int>(header.width), static_cast<int>(header.height), plan->fit.x, plan->fit.y);
    const std::uint64_t outWidth = DivUp(header.width * plan->eighths, 8);
    const std::uint64_t outHeight = DivUp(header.height * plan->eighths, 8);
    int vMax = 1;
    for (int c = 0; c < f.components; ++c) vMax = std::max(vMax, f.vSampling[c]);
    const bool severalScans = f.progressive || f.firstScanComponents < f.components;
    // Tables, the row buffers of each component and the upsampling rows.
    const std::uint64_t working = kMiB + 16ull * f.components * outWidth * vMax * plan->eighths;
    const std::uint64_t coefficients = severalScans ? blocks.buffered * sizeof(JBLOCK) : 0;
    if (coefficients > ThumbnailDecoder::kMaxCoefficientBytes) return false;
    plan->decoderBytes = working + coefficients;
    plan->bytes = fileBytes + plan->decoderBytes + outWidth * outHeight * 3 + outWidth * 4;
    return true;
}

// What libtiff and the toolkit allocate for a TIFF: the RGBA raster, the RGB image and its alpha
// (8 bytes a pixel); the buffer of one decoded strip or tile (of all its planes) and, for JPEG
// data, libjpeg's coefficients of it; the offsets and byte counts of every strip or tile, as read
// and as kept; the raw data of a strip and the tags' values, each at most the file.
std::uint64_t PlanTiff(const PictureHeader& header, std::uint64_t fileBytes) {
    const PictureHeader::TiffLayout& t = header.tiff;
    const std::uint64_t across = t.tiled ? t.tileWidth : header.width;
    const std::uint64_t rows = t.tiled ? t.tileLength : std::min(t.rowsPerStrip, header.height);
    const std::uint64_t bits = static_cast<std::uint64_t>(t.bitsPerSample);
    const std::uint64_t samples = static_cast<std::uint64_t>(t.samplesPerPixel);
    // Separate planes are decoded into one buffer of up to four planes.
    const std::uint64_t contiguous = rows * DivUp(across * bits * samples, 8);
    const std::uint64_t planes =
        rows * DivUp(across * bits, 8) * std::max<std::uint64_t>(4, samples);
    const std::uint64_t decoded = std::max(contiguous, planes);
    const std::uint64_t coefficients = t.compression == 7 ? 2 * rows * across * samples : 0;
    std::uint64_t pieces = t.tiled ? DivUp(header.width, t.tileWidth) * DivUp(header.height, rows)
                                   : DivUp(header.height, rows);
    if (t.separatePlanes) pieces *= samples;
    return 3 * fileBytes + 8 * header.width * header.height + decoded + coefficients + 32 * pieces +
           kMiB;
}

}  // namespace

JpegBlocks CountJpegBlocks(const PictureHeader& header) {
    const PictureHeader::JpegFrame& f = header.jpeg;
    int hMax = 1, vMax = 1;
    for (int c = 0; c < f.components; ++c) {
        hMax = std::max(hMax, f.hSampling[c]);
        vMax = std::max(vMax, f.vSampling[c]);
    }
    JpegBlocks blocks;
    for (int c = 0; c < f.components; ++c) {
        const std::uint64_t across = DivUp(header.width * f.hSampling[c], 8ull * hMax);
        const std::uint64_t down = DivUp(header.height * f.vSampling[c], 8ull * vMax);
        blocks.coded += across * down;
        blocks.buffered += RoundUp(across, f.hSampling[c]) * RoundUp(down, f.vSampling[c]);
    }
    return blocks;
}

bool PlanPicture(const PictureHeader& header, std::uint64_t fileBytes, Plan* plan) {
    // A GIF's thumbnail is its first frame's.
    const bool gif = header.kind == PictureHeader::Kind::kGif;
    const std::uint64_t width = gif ? header.gif.width : header.width;
    const std::uint64_t height = gif ? header.gif.height : header.height;
    const std::uint64_t pixels = width * height;
    if (pixels == 0 || pixels > ThumbnailDecoder::kMaxPixels) return false;
    if (fileBytes == 0 || fileBytes > ThumbnailDecoder::kMaxFileBytes) return false;
    plan->fit = DomainIB::FitThumbnail(static_cast<int>(width), static_cast<int>(height));
    if (plan->fit.x <= 0 || plan->fit.y <= 0) return false;
    const std::uint64_t thumbnail = 8ull * plan->fit.x * plan->fit.y;
    switch (header.kind) {
        case PictureHeader::Kind::kJpeg:
            if (!PlanJpeg(header, fileBytes, plan)) return false;
            break;
        case PictureHeader::Kind::kPng: {
            // Every row is inflated, whatever the thumbnail takes of it.
            static const int kSamples[7] = {1, 0, 3, 1, 2, 0, 4};
            const int colour = header.png.colourType;
            const int samples = colour >= 0 && colour < 7 ? kSamples[colour] : 0;
            if (samples == 0 || header.png.bitDepth <= 0 || header.png.bitDepth > 16) return false;
            if (height * DivUp(width * samples * header.png.bitDepth, 8) >
                ThumbnailDecoder::kMaxPngDataBytes)
                return false;
            // libpng's row and previous row at up to 8 bytes a pixel, the transformed row,
            // inflate's window and the few ancillary chunks that are kept.
            plan->bytes = fileBytes + 3 * (8 * width + 64) + 2 * kMiB;
            break;
        }
        case PictureHeader::Kind::kGif:
            // A row of colour indexes and the decoder's tables.
            plan->bytes = fileBytes + width + kMiB / 4;
            break;
        case PictureHeader::Kind::kBmp:
            if (pixels > ThumbnailDecoder::kMaxToolkitPixels) return false;
            // The RGB image and its alpha.
            plan->bytes = fileBytes + 4 * pixels + kMiB / 4;
            break;
        case PictureHeader::Kind::kTiff:
            if (pixels > ThumbnailDecoder::kMaxToolkitPixels) return false;
            plan->bytes = PlanTiff(header, fileBytes);
            break;
        default:
            return false;
    }
    plan->bytes += thumbnail;
    return plan->bytes <= ThumbnailDecoder::kMaxPictureBytes;
}

std::vector<std::uint32_t> NearestPositions(std::uint32_t length, int count) {
    std::vector<std::uint32_t> positions(static_cast<std::size_t>(count));
    const std::uint64_t delta = (static_cast<std::uint64_t>(length) << 16) / count;
    std::uint64_t at = 0;
    for (int i = 0; i < count; ++i, at += delta)
        positions[i] = static_cast<std::uint32_t>(at >> 16);
    return positions;
}

}  // namespace thumbnail

std::uint64_t ThumbnailDecoder::DecodeBytes(const PictureHeader& header, std::uint64_t fileBytes) {
    thumbnail::Plan plan;
    return thumbnail::PlanPicture(header, fileBytes, &plan) ? plan.bytes : 0;
}

int ThumbnailDecoder::JpegEighths(int width, int height, int thumbWidth, int thumbHeight) {
    for (int eighths = 1; eighths < 8; ++eighths) {
        // The decoder's scaled size, rounded up.
        const std::int64_t w = (static_cast<std::int64_t>(width) * eighths + 7) / 8;
        const std::int64_t h = (static_cast<std::int64_t>(height) * eighths + 7) / 8;
        if (w >= thumbWidth && h >= thumbHeight) return eighths;
    }
    return 8;
}

// The toolkit's own Scale switches to a much slower box average whenever the sizes divide evenly
// (1600 x 1200 into 100 x 75).
wxImage ThumbnailDecoder::ScaleNearest(const wxImage& source, int width, int height) {
    const int oldWidth = source.GetWidth(), oldHeight = source.GetHeight();
    wxImage result(width, height, false);
    if (!result.IsOk() || oldWidth <= 0 || oldHeight <= 0) return result;
    const unsigned char* from = source.GetData();
    unsigned char* to = result.GetData();
    const unsigned char* fromAlpha = source.HasAlpha() ? source.GetAlpha() : nullptr;
    unsigned char* toAlpha = nullptr;
    if (fromAlpha != nullptr) {
        result.SetAlpha();
        toAlpha = result.GetAlpha();
    }
    if (source.HasMask())
        result.SetMaskColour(source.GetMaskRed(), source.GetMaskGreen(), source.GetMaskBlue());
    const std::uint64_t xDelta = (static_cast<std::uint64_t>(oldWidth) << 16) / width;
    const std::uint64_t yDelta = (static_cast<std::uint64_t>(oldHeight) << 16) / height;
    std::uint64_t y = 0;
    for (int j = 0; j < height; ++j, y += yDelta) {
        const std::size_t row = static_cast<std::size_t>(y >> 16) * oldWidth;
        std::uint64_t x = 0;
        for (int i = 0; i < width; ++i, x += xDelta) {
            const std::size_t at = row + static_cast<std::size_t>(x >> 16);
            *to++ = from[3 * at];
            *to++ = from[3 * at + 1];
            *to++ = from[3 * at + 2];
            if (toAlpha != nullptr) *toAlpha++ = fromAlpha[at];
        }
    }
    return result;
}
