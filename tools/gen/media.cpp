#include "gen/media.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
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

// Compresses rows of RGB pixels; an orientation other than 0 is written as an EXIF block (and
// then no JFIF header), as cameras write it.
std::string CompressRgb(int width, int height, const std::vector<unsigned char>& rgb,
                        int orientation, int quality, bool progressive) {
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

}  // namespace

std::string MakeJpeg(int width, int height, int orientation, std::uint32_t seed, int quality,
                     bool progressive) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    return CompressRgb(width, height, Pixels(width, height, seed), orientation, quality,
                       progressive);
}

std::string MakePhotoJpeg(int width, int height, std::uint32_t seed) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
    std::vector<unsigned char> rgb = Pixels(width, height, seed);
    // Texture and sensor noise: what makes a camera's picture several megabytes.
    std::uint32_t x = seed * 2654435761u + 12345;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(row) * width + column) * 3];
            const int texture = ((column * 7 + row * 3) ^ (column * row >> 6)) & 31;
            for (int c = 0; c < 3; ++c) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                const int value = p[c] + texture - 16 + static_cast<int>(x % 25) - 12;
                p[c] = static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return CompressRgb(width, height, rgb, 1, 92, false);
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

std::string MakeBlankPng(int width, int height, bool alpha) {
    if (width <= 0 || height <= 0) throw std::runtime_error("bad picture size");
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
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * (alpha ? 4 : 3), 0x60);
    for (int y = 0; y < height; ++y) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

namespace {

// GIF's LZW: codes written low bit first, from 9 bits up to 12; a clear code when the table is
// full, as common encoders do.
class GifLzw {
  public:
    std::string Encode(const std::vector<unsigned char>& indexes) {
        out_.clear();
        bits_ = 0;
        count_ = 0;
        Reset();
        Emit(kClear);
        std::uint32_t prefix = indexes.empty() ? 0 : indexes[0];
        for (std::size_t i = 1; i < indexes.size(); ++i) {
            const std::uint32_t key = prefix << 8 | indexes[i];
            const std::uint16_t found = children_[key];
            if (found != 0) {
                prefix = found;
                continue;
            }
            Emit(prefix);
            if (next_ >= 4095) {
                Emit(kClear);
                Reset();
            } else {
                children_[key] = static_cast<std::uint16_t>(next_++);
                used_.push_back(key);
            }
            prefix = indexes[i];
        }
        Emit(prefix);
        Emit(kEnd);
        if (count_ > 0) out_ += static_cast<char>(bits_ & 0xFF);
        return out_;
    }

  private:
    static constexpr std::uint32_t kClear = 256, kEnd = 257;

    void Reset() {
        for (std::uint32_t key : used_) children_[key] = 0;
        used_.clear();
        next_ = kEnd + 1;
        size_ = 9;
    }
    void Emit(std::uint32_t code) {
        bits_ |= code << count_;
        count_ += size_;
        while (count_ >= 8) {
            out_ += static_cast<char>(bits_ & 0xFF);
            bits_ >>= 8;
            count_ -= 8;
        }
        if (next_ >= (1u << size_) && size_ < 12) ++size_;
    }

    std::vector<std::uint16_t> children_ = std::vector<std::uint16_t>(4096 * 256, 0);
    std::vector<std::uint32_t> used_;
    std::string out_;
    std::uint32_t bits_ = 0;
    int count_ = 0;
    std::uint32_t next_ = 0;
    int size_ = 9;
};

}  // namespace

std::string MakeGif(int width, int height, int frames, std::uint32_t seed) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || frames <= 0)
        throw std::runtime_error("bad picture size");
    std::string out = "GIF89a";
    auto putLe16 = [&out](unsigned v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    putLe16(static_cast<unsigned>(width));
    putLe16(static_cast<unsigned>(height));
    out += static_cast<char>(0xF7);  // a global table of 256 colours
    out += '\0';
    out += '\0';
    for (int i = 0; i < 256; ++i) {
        out += static_cast<char>(i);
        out += static_cast<char>((i * 3 + seed) & 0xFF);
        out += static_cast<char>(255 - i);
    }
    // Loop for ever, as animations do.
    out += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
    putLe16(0);
    out += '\0';
    GifLzw lzw;
    std::vector<unsigned char> indexes(static_cast<std::size_t>(width) * height);
    // Two frames that alternate: each is coded once.
    std::string coded[2];
    for (int frame = 0; frame < frames; ++frame) {
        std::string& data = coded[frame & 1];
        if (data.empty()) {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x)
                    indexes[static_cast<std::size_t>(y) * width + x] =
                        static_cast<unsigned char>(((x >> 5) + (y >> 5) + frame + seed) & 0x0F);
            }
            data = lzw.Encode(indexes);
        }
        out += "\x21\xF9\x04\x04";  // graphic control: keep the frame, 1/10 s
        putLe16(10);
        out += '\0';
        out += '\0';
        out += '\x2C';
        putLe16(0);
        putLe16(0);
        putLe16(static_cast<unsigned>(width));
        putLe16(static_cast<unsigned>(height));
        out += '\0';
        out += '\x08';  // LZW minimum code size
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, data.size() - at);
            out += static_cast<char>(n);
            out.append(data, at, n);
        }
        out += '\0';
    }
    out += '\x3B';
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
