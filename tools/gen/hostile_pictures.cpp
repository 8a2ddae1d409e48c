#include "gen/hostile_pictures.h"

#include <jpeglib.h>
#include <zlib.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "gen/media.h"

namespace gen {

namespace {

// Compresses rows of components bytes a pixel; script: the scans of a progressive picture, or
// none for libjpeg's own layout.
std::string Compress(int width, int height, const std::vector<unsigned char>& pixels, bool cmyk,
                     bool progressive, const std::vector<jpeg_scan_info>& script) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = cmyk ? 4 : 3;
    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (cmyk) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, 85, TRUE);
    cinfo.optimize_coding = TRUE;
    if (!script.empty()) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = static_cast<int>(script.size());
    } else if (progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[cinfo.next_scanline * stride]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::vector<unsigned char> Gradient(int width, int height, int components, std::uint32_t seed) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * components];
            p[0] =
                static_cast<unsigned char>((x * 255 / (width > 1 ? width - 1 : 1) + seed) & 0xFF);
            p[1] = static_cast<unsigned char>((y * 255 / (height > 1 ? height - 1 : 1)) & 0xFF);
            p[2] = static_cast<unsigned char>((x + y + seed * 7) & 0xFF);
            // Adobe's CMYK is stored inverted: these are the decoded red, green and blue, black 0.
            if (components == 4) p[3] = 255;
        }
    }
    return pixels;
}

}  // namespace

std::string MakeJpegDeclaring(int width, int height, bool progressive, bool cmyk) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        throw std::runtime_error("bad picture size");
    std::string jpeg = Compress(16, 16, Gradient(16, 16, cmyk ? 4 : 3, 3), cmyk, progressive, {});
    // The frame header: marker, length, precision, then height and width.
    for (std::size_t at = 2; at + 9 < jpeg.size(); ++at) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (static_cast<unsigned char>(jpeg[at]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[at + 5] = static_cast<char>(height >> 8);
            jpeg[at + 6] = static_cast<char>(height & 0xFF);
            jpeg[at + 7] = static_cast<char>(width >> 8);
            jpeg[at + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    throw std::runtime_error("no frame header");
}

std::string MakeCmykJpeg(int width, int height, std::uint32_t seed) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    return Compress(width, height, Gradient(width, height, 4, seed), true, false, {});
}

std::string MakeJpegInScans(int width, int height, int scans, bool dcLast, std::uint32_t seed) {
    if (width <= 0 || height <= 0 || scans < 2 || scans > 2000)
        throw std::runtime_error("bad picture size or scan count");
    std::vector<jpeg_scan_info> script;
    jpeg_scan_info dc{};
    dc.comps_in_scan = 3;
    for (int c = 0; c < 3; ++c) dc.component_index[c] = c;
    dc.Al = dcLast ? 1 : 0;
    script.push_back(dc);
    const int acScans = scans - 1 - (dcLast ? 1 : 0);
    // One coefficient of one component a scan: first at reduced precision (Al 10), then one bit
    // more a scan, round after round.
    for (int al = 10; al >= 0 && static_cast<int>(script.size()) < 1 + acScans; --al) {
        for (int c = 0; c < 3 && static_cast<int>(script.size()) < 1 + acScans; ++c) {
            for (int k = 1; k <= 63 && static_cast<int>(script.size()) < 1 + acScans; ++k) {
                jpeg_scan_info ac{};
                ac.comps_in_scan = 1;
                ac.component_index[0] = c;
                ac.Ss = k;
                ac.Se = k;
                ac.Ah = al == 10 ? 0 : al + 1;
                ac.Al = al;
                script.push_back(ac);
            }
        }
    }
    if (dcLast) {
        dc.Ah = 1;
        dc.Al = 0;
        script.push_back(dc);
    }
    return Compress(width, height, Gradient(width, height, 3, seed), false, true, script);
}

std::string MakeGifDeclaring(int width, int height) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
        throw std::runtime_error("bad picture size");
    std::string gif = MakeGif(8, 8, 1, 1);
    // The image descriptor follows the global colour table and the two extensions.
    const std::size_t at = gif.find(std::string("\x2C\0\0\0\0", 5), 13 + 768);
    if (at == std::string::npos) throw std::runtime_error("no image descriptor");
    gif[at + 5] = static_cast<char>(width & 0xFF);
    gif[at + 6] = static_cast<char>(width >> 8);
    gif[at + 7] = static_cast<char>(height & 0xFF);
    gif[at + 8] = static_cast<char>(height >> 8);
    return gif;
}

std::string MakePngDeclaring(int width, int height) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    std::string png = MakeBlankPng(width, 1);
    // IHDR: its height at 20, its CRC (over type and data) at 29.
    for (int i = 0; i < 4; ++i)
        png[20 + i] =
            static_cast<char>((static_cast<std::uint32_t>(height) >> (24 - 8 * i)) & 0xFF);
    const std::uint32_t crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
    return png;
}

std::string MakeTiffGivingSizeTwice(std::uint32_t firstWidth, std::uint32_t firstHeight,
                                    std::uint32_t lastWidth, std::uint32_t lastHeight) {
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    constexpr std::uint32_t kSide = 10, kDirectory = 8, kEntries = 11;
    constexpr std::uint32_t kPixels = kDirectory + 2 + 12 * kEntries + 4;
    const Entry entries[kEntries] = {
        {256, 4, firstWidth},
        {257, 4, firstHeight},
        {258, 3, 8},              // BitsPerSample
        {259, 3, 1},              // Compression: none
        {262, 3, 1},              // PhotometricInterpretation: black is zero
        {273, 4, kPixels},        // StripOffsets
        {277, 3, 1},              // SamplesPerPixel
        {278, 4, kSide},          // RowsPerStrip
        {279, 4, kSide * kSide},  // StripByteCounts
        {256, 4, lastWidth},
        {257, 4, lastHeight},
    };
    std::string out("II*\0", 4);
    auto put16 = [&out](std::uint32_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put32(kDirectory);
    put16(kEntries);
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(1);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);  // no next directory
    for (std::uint32_t i = 0; i < kSide * kSide; ++i) out += static_cast<char>(i * 2);
    return out;
}

std::string MakeGifWithComment(int width, int height, std::size_t commentBytes, int blockBytes) {
    if (blockBytes < 1 || blockBytes > 255) throw std::runtime_error("bad block size");
    const std::string gif = MakeGif(width, height, 1, 7);
    // The comment goes before the first extension or image after the global colour table.
    const auto flags = static_cast<unsigned char>(gif.at(10));
    const std::size_t at = 13 + ((flags & 0x80) != 0 ? 3u << ((flags & 0x07) + 1) : 0);
    std::string comment("\x21\xFE", 2);
    comment.reserve(commentBytes + 256);
    while (comment.size() < commentBytes) {
        comment += static_cast<char>(blockBytes);
        comment.append(static_cast<std::size_t>(blockBytes), 'c');
    }
    comment += '\0';
    return gif.substr(0, at) + comment + gif.substr(at);
}

}  // namespace gen
