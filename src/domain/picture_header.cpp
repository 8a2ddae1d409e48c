#include "domain/picture_header.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

std::uint32_t Be16(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 8) | p[1];
}
std::uint32_t Be32(const unsigned char* p) {
    return (Be16(p) << 16) | Be16(p + 2);
}
std::uint32_t Le16(const unsigned char* p) {
    return (std::uint32_t{p[1]} << 8) | p[0];
}
std::uint32_t Le32(const unsigned char* p) {
    return (Le16(p + 2) << 16) | Le16(p);
}

bool ReadExactly(std::FILE* file, unsigned char* out, std::size_t count) {
    return std::fread(out, 1, count, file) == count;
}

// Passes count bytes by reading them, so that the end of the file is noticed (a seek past the
// end succeeds).
bool SkipBytes(std::FILE* file, std::size_t count) {
    unsigned char buffer[4096];
    while (count > 0) {
        const std::size_t step = std::min(count, sizeof buffer);
        if (!ReadExactly(file, buffer, step)) return false;
        count -= step;
    }
    return true;
}

// The bytes of a picture read forward, from memory or from a file (from where it stands) in
// chunks, so that passing many small blocks costs what reading their bytes costs.
class ByteStream {
  public:
    ByteStream(const unsigned char* data, std::size_t size) : at_(data), end_(data + size) {}
    explicit ByteStream(std::FILE* file, std::size_t chunk = 64 * 1024)
        : file_(file), buffer_(chunk) {}

    // The next byte, or -1 at the end of the data.
    int Next() {
        if (at_ == end_ && !Fill()) return -1;
        return *at_++;
    }

    // False when the data ends before count bytes are read into out.
    bool Read(unsigned char* out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const int c = Next();
            if (c < 0) return false;
            out[i] = static_cast<unsigned char>(c);
        }
        return true;
    }

    // Passes the data sub-blocks of a GIF block (each a length byte and that many bytes) up to
    // the empty one that ends them; false when the data ends first. Each block costs a step
    // through the buffer, whatever its length.
    bool SkipSubBlocks() {
        for (;;) {
            // Hops from length to length while the next length byte lies in the buffer.
            while (at_ < end_) {
                const unsigned count = *at_;
                if (count == 0) {
                    ++at_;
                    return true;
                }
                if (static_cast<std::size_t>(end_ - at_) <= count) break;
                at_ += count + 1;
            }
            if (at_ < end_) {
                const unsigned count = *at_++;
                if (!Skip(count)) return false;
            } else if (!Fill()) {
                return false;
            }
        }
    }

    // The bytes taken so far.
    std::uint64_t Position() const { return filled_ - static_cast<std::uint64_t>(end_ - at_); }

    // False when the data ends before count bytes are passed.
    bool Skip(std::size_t count) {
        while (count > 0) {
            if (at_ == end_ && !Fill()) return false;
            const std::size_t step = std::min(count, static_cast<std::size_t>(end_ - at_));
            at_ += step;
            count -= step;
        }
        return true;
    }

    // Moves up to the next 0xFF byte, which Next then returns, adding the bytes passed to
    // *passed; false when none is left.
    bool ToNextFF(std::uint64_t* passed) {
        for (;;) {
            if (at_ != end_) {
                const void* ff = std::memchr(at_, 0xFF, static_cast<std::size_t>(end_ - at_));
                if (ff != nullptr) {
                    *passed +=
                        static_cast<std::uint64_t>(static_cast<const unsigned char*>(ff) - at_);
                    at_ = static_cast<const unsigned char*>(ff);
                    return true;
                }
                *passed += static_cast<std::uint64_t>(end_ - at_);
                at_ = end_;
            }
            if (!Fill()) return false;
        }
    }

  private:
    bool Fill() {
        if (file_ == nullptr) return false;
        const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        at_ = buffer_.data();
        end_ = at_ + got;
        filled_ += got;
        return got > 0;
    }

    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
    std::uint64_t filled_ = 0;
    std::FILE* file_ = nullptr;
    std::vector<unsigned char> buffer_;
};

bool IsFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the JPEG segments from the one after the start marker up to the first scan header,
// taking the first frame header on the way. True once a frame header was read.
bool ReadJpeg(std::FILE* file, PictureHeader* header) {
    if (std::fseek(file, 2, SEEK_SET) != 0) return false;
    bool frame = false;
    for (int segments = 0; segments < 1000; ++segments) {
        int c = std::fgetc(file);
        if (c != 0xFF) return frame;
        while (c == 0xFF) c = std::fgetc(file);
        if (c == EOF) return frame;
        const int marker = c;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD9) return frame;
        if (marker == 0xDA && !frame) return false;  // a scan before any frame
        unsigned char len[2];
        if (!ReadExactly(file, len, 2)) return frame;
        const std::size_t length = Be16(len);
        if (length < 2) return frame;
        if (marker == 0xDA) {
            unsigned char count;
            if (length >= 3 && ReadExactly(file, &count, 1))
                header->jpeg.firstScanComponents = count;
            return true;
        }
        if (IsFrameMarker(marker) && !frame) {
            unsigned char sof[6];
            if (length < 8 || !ReadExactly(file, sof, 6)) return false;
            PictureHeader::JpegFrame& f = header->jpeg;
            header->height = Be16(sof + 1);
            header->width = Be16(sof + 3);
            f.components = sof[5];
            if (f.components < 1 || f.components > PictureHeader::JpegFrame::kMaxComponents ||
                length < 8 + 3 * static_cast<std::size_t>(f.components))
                return false;
            for (int i = 0; i < f.components; ++i) {
                unsigned char component[3];
                if (!ReadExactly(file, component, 3)) return false;
                f.hSampling[i] = component[1] >> 4;
                f.vSampling[i] = component[1] & 0x0F;
                if (f.hSampling[i] < 1 || f.hSampling[i] > 4 || f.vSampling[i] < 1 ||
                    f.vSampling[i] > 4)
                    return false;
            }
            f.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            f.arithmetic = marker >= 0xC9;
            frame = true;
            if (!SkipBytes(file, length - 8 - 3 * static_cast<std::size_t>(f.components)))
                return true;
            continue;
        }
        if (std::fseek(file, static_cast<long>(length) - 2, SEEK_CUR) != 0) return frame;
    }
    return frame;
}

// From the block after the logical screen descriptor (and the global colour table), which the
// stream starts at, at offset start of the file, to the end of the first image's data.
bool ReadGifFrame(ByteStream& bytes, std::uint64_t start, PictureHeader::GifFrame* frame) {
    for (;;) {
        const int introducer = bytes.Next();
        if (introducer == 0x21) {  // an extension: its label, then sub-blocks
            const int label = bytes.Next();
            if (label < 0) return false;
            if (label == 0xF9) {
                // A graphic control extension: its first sub-block tells the next image's
                // transparent colour.
                const int length = bytes.Next();
                unsigned char body[255];
                if (length < 0 || !bytes.Read(body, static_cast<std::size_t>(length))) return false;
                if (length >= 4) frame->transparent = (body[0] & 0x01) != 0 ? body[3] : -1;
                if (length == 0) continue;
            }
            if (!bytes.SkipSubBlocks()) return false;
            continue;
        }
        if (introducer != 0x2C) return false;  // the trailer before any image, or junk
        frame->descriptorAt = start + bytes.Position() - 1;
        unsigned char descriptor[9];
        if (!bytes.Read(descriptor, 9)) return false;
        frame->width = Le16(descriptor + 4);
        frame->height = Le16(descriptor + 6);
        if ((descriptor[8] & 0x80) != 0 &&
            !bytes.Skip(std::size_t{3} << ((descriptor[8] & 0x07) + 1)))
            return false;
        if (bytes.Next() < 0 || !bytes.SkipSubBlocks()) return false;  // code size, data
        frame->dataEnd = start + bytes.Position();
        return true;
    }
}

// Reads the first directory of a TIFF file as libtiff reads it for the decoder: libtiff marks
// every repeat of a tag as ignored, so the first of each counts here too (a file that gives its
// size twice, huge first and small last, is decoded at the huge size). Only the layouts whose
// decode the budget can measure are taken: 1 to 16 bits in 1 to 8 samples, strips or tiles of up
// to 65536 pixels a side, no compression or the common lossless schemes and JPEG.
bool ReadTiff(std::FILE* file, bool little, std::uint32_t firstDir, PictureHeader* header) {
    auto u16 = [little](const unsigned char* p) { return little ? Le16(p) : Be16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Le32(p) : Be32(p); };
    if (std::fseek(file, static_cast<long>(firstDir), SEEK_SET) != 0) return false;
    unsigned char countBytes[2];
    if (!ReadExactly(file, countBytes, 2)) return false;
    const std::uint32_t count = u16(countBytes);
    if (count == 0 || count > PictureHeader::kMaxTiffEntries) return false;
    std::vector<unsigned char> entries(12 * static_cast<std::size_t>(count));
    if (!ReadExactly(file, entries.data(), entries.size())) return false;
    PictureHeader::TiffLayout& t = header->tiff;
    std::vector<std::uint32_t> seen;
    bool haveWidth = false, haveHeight = false, haveTileWidth = false, haveTileLength = false;
    std::uint32_t bitsAt = 0;  // where the bits per sample are when they do not fit the entry
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = &entries[12 * static_cast<std::size_t>(i)];
        const std::uint32_t tag = u16(entry);
        if (std::find(seen.begin(), seen.end(), tag) != seen.end()) continue;  // a repeat
        seen.push_back(tag);
        const std::uint32_t type = u16(entry + 2);
        const std::uint32_t values = u32(entry + 4);
        // One SHORT (left-justified in the value field) or LONG.
        std::uint64_t value = 0;
        const bool scalar = values == 1 && (type == 3 || type == 4);
        if (scalar) value = type == 3 ? u16(entry + 8) : u32(entry + 8);
        switch (tag) {
            case 256:  // ImageWidth
            case 257:  // ImageLength
            case 259:  // Compression
            case 277:  // SamplesPerPixel
            case 278:  // RowsPerStrip
            case 284:  // PlanarConfiguration
            case 322:  // TileWidth
            case 323:  // TileLength
                if (!scalar) return false;
                break;
            case 258:  // BitsPerSample: one a sample, all alike
                if (type != 3 || values == 0) return false;
                if (values <= 2)
                    value = u16(entry + 8);
                else
                    bitsAt = u32(entry + 8);
                break;
            case 32997:  // ImageDepth and TileDepth, of volumes, which no picture has
            case 32998:
                return false;
            default:
                continue;
        }
        switch (tag) {
            case 256:
                header->width = value;
                haveWidth = true;
                break;
            case 257:
                header->height = value;
                haveHeight = true;
                break;
            case 258:
                t.bitsPerSample = static_cast<int>(value);
                break;
            case 259:
                t.compression = static_cast<int>(value);
                break;
            case 277:
                t.samplesPerPixel = static_cast<int>(value);
                break;
            case 278:
                t.rowsPerStrip = value;
                break;
            case 284:
                if (value != 1 && value != 2) return false;
                t.separatePlanes = value == 2;
                break;
            case 322:
                t.tileWidth = value;
                haveTileWidth = true;
                break;
            case 323:
                t.tileLength = value;
                haveTileLength = true;
                break;
            default:
                break;
        }
    }
    if (bitsAt != 0) {
        unsigned char bits[2];
        if (std::fseek(file, static_cast<long>(bitsAt), SEEK_SET) != 0 ||
            !ReadExactly(file, bits, 2))
            return false;
        t.bitsPerSample = static_cast<int>(u16(bits));
    }
    const int b = t.bitsPerSample;
    if (b != 1 && b != 2 && b != 4 && b != 8 && b != 16) return false;
    if (t.samplesPerPixel < 1 || t.samplesPerPixel > 8) return false;
    // None, LZW, JPEG, Deflate (both codes), PackBits.
    static const int kCompressions[] = {1, 5, 7, 8, 32946, 32773};
    if (std::find(std::begin(kCompressions), std::end(kCompressions), t.compression) ==
        std::end(kCompressions))
        return false;
    // libtiff takes a picture with a tile width for a tiled one.
    t.tiled = haveTileWidth;
    if (t.tiled && (!haveTileLength || t.tileWidth == 0 || t.tileLength == 0 ||
                    t.tileWidth > 65536 || t.tileLength > 65536))
        return false;
    if (!t.tiled && t.rowsPerStrip == 0) return false;
    return haveWidth && haveHeight;
}

// The information header of a BMP as the toolkit's decoder reads it: the old 12-byte header
// holds signed 16-bit sides, the later ones signed 32-bit sides; a negative height stands for
// rows stored top down. Taken are the depths and encodings that decoder reads within its image:
// not the run-length encodings, whose runs and moves it does not keep inside the picture, and
// not a palette of fewer entries than the pixels can index, which it would read past.
bool ReadBmp(const unsigned char* head, std::size_t got, PictureHeader* header) {
    PictureHeader::BmpFormat& f = header->bmp;
    f.headerBytes = Le32(head + 14);
    std::int64_t width = 0, height = 0;
    if (f.headerBytes == 12) {
        if (got < 26) return false;
        width = static_cast<std::int16_t>(Le16(head + 18));
        height = static_cast<std::int16_t>(Le16(head + 20));
        f.bitsPerPixel = static_cast<int>(Le16(head + 24));
        f.compression = 0;
        f.colours = 0;
    } else if (f.headerBytes >= 40) {
        if (got < 54) return false;
        width = static_cast<std::int32_t>(Le32(head + 18));
        height = static_cast<std::int32_t>(Le32(head + 22));
        f.bitsPerPixel = static_cast<int>(Le16(head + 28));
        f.compression = static_cast<int>(static_cast<std::int32_t>(Le32(head + 30)));
        f.colours = static_cast<std::int32_t>(Le32(head + 46));
    } else {
        return false;
    }
    if (height < 0) height = -height;
    if (width <= 0 || height == 0 || width > 32767 || height > 32767) return false;
    header->width = static_cast<std::uint64_t>(width);
    header->height = static_cast<std::uint64_t>(height);
    const int bpp = f.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    // BI_RGB, or BI_BITFIELDS (its masks) at 16 and 32 bits.
    if (f.compression != 0 && !(f.compression == 3 && (bpp == 16 || bpp == 32))) return false;
    if (bpp < 16 && f.colours != 0 && f.colours != (std::int64_t{1} << bpp)) return false;
    return true;
}

// The walk passes over stray bytes between segments, stuffed and restart codes in the compressed
// data and the tables between the scans of a progressive picture, as the decoder does.
PictureHeader::JpegLayout WalkByteStream(ByteStream& bytes) {
    PictureHeader::JpegLayout layout;
    if (bytes.Next() != 0xFF || bytes.Next() != 0xD8 || bytes.Next() != 0xFF) return layout;
    layout.whole = false;
    int marker = 0xFF;  // the start of the first segment is already taken
    // Inside a scan's compressed data, which stuffed bytes and restart markers continue.
    bool inScan = false;
    std::uint64_t passed = 0;
    for (;;) {
        while (marker == 0xFF) marker = bytes.Next();
        if (marker < 0) return layout;
        if (marker == 0xD9) {  // the end; before any scan there is no picture
            layout.whole = layout.scans > 0;
            return layout;
        }
        if (marker == 0xD8) return layout;  // a second start inside the picture
        const bool bare = marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
        if (bare) {
            if (inScan) layout.scanBytes += 2;
        } else {
            inScan = false;
            const int high = bytes.Next();
            const int low = bytes.Next();
            if (high < 0 || low < 0) return layout;
            const std::size_t length = static_cast<std::size_t>(high << 8 | low);
            if (length < 2 || !bytes.Skip(length - 2)) return layout;
            if (marker == 0xDA) {
                ++layout.scans;
                inScan = true;
            }
        }
        passed = 0;
        if (!bytes.ToNextFF(&passed)) return layout;
        if (inScan) layout.scanBytes += passed;
        marker = bytes.Next();  // the 0xFF; the loop above reads the marker after it
    }
}

}  // namespace

bool PictureHeader::Read(std::FILE* file, PictureHeader* header) {
    *header = PictureHeader();
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    unsigned char head[64] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool known = false;
    if (got >= 29 && std::equal(kPng, kPng + 8, head) && std::equal(head + 12, head + 16, "IHDR")) {
        header->kind = Kind::kPng;
        header->width = Be32(head + 16);
        header->height = Be32(head + 20);
        header->png.bitDepth = head[24];
        header->png.colourType = head[25];
        header->png.interlaced = head[28] != 0;
        known = true;
    } else if (got >= 13 &&
               (std::equal(head, head + 6, "GIF87a") || std::equal(head, head + 6, "GIF89a"))) {
        header->kind = Kind::kGif;
        header->width = Le16(head + 6);
        header->height = Le16(head + 8);
        std::size_t colourTable = (head[10] & 0x80) != 0 ? 3u << ((head[10] & 0x07) + 1) : 0;
        if (std::fseek(file, static_cast<long>(13 + colourTable), SEEK_SET) == 0) {
            // Chunks smaller than the JPEG walk's: a header read holds little memory.
            ByteStream bytes(file, 16 * 1024);
            known = ReadGifFrame(bytes, 13 + colourTable, &header->gif);
        }
    } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
        header->kind = Kind::kBmp;
        known = ReadBmp(head, got, header);
    } else if (got >= 8 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                            (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42))) {
        header->kind = Kind::kTiff;
        const bool little = head[0] == 'I';
        known = ReadTiff(file, little, little ? Le32(head + 4) : Be32(head + 4), header);
    } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        header->kind = Kind::kJpeg;
        known = ReadJpeg(file, header);
    }
    if (!known) *header = PictureHeader();
    return known;
}

PictureHeader::JpegLayout PictureHeader::WalkJpeg(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return JpegLayout{false, 0};
    ByteStream bytes(file);
    return WalkByteStream(bytes);
}

PictureHeader::JpegLayout PictureHeader::WalkJpeg(const unsigned char* data, std::size_t size) {
    if (data == nullptr) return JpegLayout();
    ByteStream bytes(data, size);
    return WalkByteStream(bytes);
}
