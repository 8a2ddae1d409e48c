#include "gen/media.h"

#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace gen {

namespace {

// RGB pixels: a gradient tinted by the seed, with a bright disc and a dark bar.
std::vector<unsigned char> Pixels(int width, int height, std::uint32_t seed) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    const int tint = static_cast<int>(seed % 200);
    const int cx = width / 3 + static_cast<int>(seed % 7), cy = height / 2;
    const int r2 = (width < height ? width : height) * (width < height ? width : height) / 16;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] =
                static_cast<unsigned char>((x * 255 / (width > 1 ? width - 1 : 1) + tint) & 0xFF);
            p[1] = static_cast<unsigned char>((y * 255 / (height > 1 ? height - 1 : 1)) & 0xFF);
            p[2] = static_cast<unsigned char>((tint * 3 + 40) & 0xFF);
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy < r2) p[0] = p[1] = p[2] = 240;
            if (y > height * 3 / 4 && y < height * 4 / 5) p[0] = p[1] = p[2] = 20;
        }
    }
    return rgb;
}

void PutU16(std::string& out, unsigned v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

// An EXIF APP1 body (big-endian TIFF) with Make, Model and Orientation.
std::string ExifBlock(int orientation) {
    std::string tiff = "MM";
    PutU16(tiff, 42);
    PutU32(tiff, 8);
    const std::string make = "Apple";
    const std::string model = "iPhone 5";
    // IFD0 with three entries; the texts follow it.
    const std::uint32_t dataOffset = 8 + 2 + 3 * 12 + 4;
    PutU16(tiff, 3);
    PutU16(tiff, 0x010F);  // Make
    PutU16(tiff, 2);
    PutU32(tiff, static_cast<std::uint32_t>(make.size() + 1));
    PutU32(tiff, dataOffset);
    PutU16(tiff, 0x0110);  // Model
    PutU16(tiff, 2);
    PutU32(tiff, static_cast<std::uint32_t>(model.size() + 1));
    PutU32(tiff, dataOffset + static_cast<std::uint32_t>(make.size() + 1));
    PutU16(tiff, 0x0112);  // Orientation
    PutU16(tiff, 3);
    PutU32(tiff, 1);
    PutU16(tiff, static_cast<unsigned>(orientation));
    PutU16(tiff, 0);
    PutU32(tiff, 0);  // no next IFD
    tiff += make;
    tiff += '\0';
    tiff += model;
    tiff += '\0';
    return std::string("Exif\0\0", 6) + tiff;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}

void Box(std::string& out, const char* type, const std::string& body) {
    PutU32(out, static_cast<std::uint32_t>(body.size() + 8));
    out.append(type, 4);
    out += body;
}

}  // namespace

std::string MakeJpeg(int width, int height, int orientation, std::uint32_t seed, int quality,
                     bool progressive) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    const std::vector<unsigned char> rgb = Pixels(width, height, seed);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = orientation == 0 ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (orientation != 0) {
        const std::string exif = ExifBlock(orientation);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned>(exif.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(&rgb[static_cast<std::size_t>(cinfo.next_scanline) * width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

std::string MakePng(int width, int height, std::uint32_t seed) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    const std::vector<unsigned char> rgb = Pixels(width, height, seed);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) throw std::runtime_error("png_create_write_struct failed");
    png_infop info = png_create_info_struct(png);
    std::string out;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("PNG encoding failed");
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<std::size_t>(y) * width * 3]));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string MakeVoiceMemo(double seconds, std::uint32_t seed) {
    std::string out;
    std::string ftyp = "M4A ";
    PutU32(ftyp, 0);
    ftyp += "M4A mp42isom";
    Box(out, "ftyp", ftyp);
    // Movie header: version 0, times, timescale 44100, duration in samples.
    std::string mvhd(4, '\0');
    PutU32(mvhd, 3453096000u);
    PutU32(mvhd, 3453096000u);
    PutU32(mvhd, 44100);
    PutU32(mvhd, static_cast<std::uint32_t>(seconds * 44100));
    PutU32(mvhd, 0x00010000);
    PutU16(mvhd, 0x0100);
    mvhd.append(10, '\0');
    const std::uint32_t matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (std::uint32_t m : matrix) PutU32(mvhd, m);
    mvhd.append(24, '\0');
    PutU32(mvhd, 2);
    std::string moov;
    Box(moov, "mvhd", mvhd);
    Box(out, "moov", moov);
    // About 8 kB of AAC frames per second of sound, at most a few seconds' worth.
    const std::size_t bytes = static_cast<std::size_t>((seconds < 4 ? seconds : 4) * 8000) + 64;
    std::string mdat;
    mdat.reserve(bytes);
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < bytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        mdat += static_cast<char>(i % 371 == 0 ? 0x21 : x & 0xFF);
    }
    Box(out, "mdat", mdat);
    return out;
}

std::string Damage(const std::string& file) {
    return file.substr(0, file.size() / 2);
}

}  // namespace gen
