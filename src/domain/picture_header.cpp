#include "domain/picture_header.h"

#include <algorithm>
#include <cstring>
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

// Follows the data sub-blocks of a GIF block up to the empty one that ends them.
bool SkipGifSubBlocks(std::FILE* file) {
    for (;;) {
        const int count = std::fgetc(file);
        if (count == EOF) return false;
        if (count == 0) return true;
        if (!SkipBytes(file, static_cast<std::size_t>(count))) return false;
    }
}

// From the block after the logical screen descriptor (and the global colour table) to the end
// of the first image's data.
bool ReadGifFrame(std::FILE* file, PictureHeader::GifFrame* frame) {
    for (;;) {
        const int introducer = std::fgetc(file);
        if (introducer == 0x21) {  // an extension: its label, then sub-blocks
            if (std::fgetc(file) == EOF || !SkipGifSubBlocks(file)) return false;
            continue;
        }
        if (introducer != 0x2C) return false;  // the trailer before any image, or junk
        unsigned char descriptor[9];
        if (!ReadExactly(file, descriptor, 9)) return false;
        frame->width = Le16(descriptor + 4);
        frame->height = Le16(descriptor + 6);
        if ((descriptor[8] & 0x80) != 0 &&
            !SkipBytes(file, std::size_t{3} << ((descriptor[8] & 0x07) + 1)))
            return false;
        if (std::fgetc(file) == EOF || !SkipGifSubBlocks(file)) return false;  // code size, data
        const long end = std::ftell(file);
        if (end < 0) return false;
        frame->dataEnd = static_cast<std::uint64_t>(end);
        return true;
    }
}

// Reads ImageWidth and ImageLength of the first directory of a TIFF file.
bool ReadTiffSize(std::FILE* file, bool little, std::uint32_t firstDir, std::uint64_t* width,
                  std::uint64_t* height) {
    auto u16 = [little](const unsigned char* p) { return little ? Le16(p) : Be16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Le32(p) : Be32(p); };
    if (std::fseek(file, static_cast<long>(firstDir), SEEK_SET) != 0) return false;
    unsigned char countBytes[2];
    if (!ReadExactly(file, countBytes, 2)) return false;
    const std::uint32_t count = u16(countBytes);
    bool haveWidth = false, haveHeight = false;
    for (std::uint32_t i = 0; i < count && i < 1000; ++i) {
        unsigned char entry[12];
        if (!ReadExactly(file, entry, 12)) return false;
        const std::uint32_t tag = u16(entry);
        const std::uint32_t type = u16(entry + 2);
        if (tag != 256 && tag != 257) continue;
        std::uint64_t value = 0;
        if (type == 3)
            value = u16(entry + 8);  // SHORT, left-justified in the value field
        else if (type == 4)
            value = u32(entry + 8);  // LONG
        else
            return false;
        if (tag == 256) {
            *width = value;
            haveWidth = true;
        } else {
            *height = value;
            haveHeight = true;
        }
    }
    return haveWidth && haveHeight;
}

// The bytes of a JPEG file read forward, from memory or from a file in chunks.
class JpegBytes {
  public:
    JpegBytes(const unsigned char* data, std::size_t size) : at_(data), end_(data + size) {}
    explicit JpegBytes(std::FILE* file) : file_(file), buffer_(64 * 1024) {}

    // The next byte, or -1 at the end of the data.
    int Next() {
        if (at_ == end_ && !Fill()) return -1;
        return *at_++;
    }

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
        return got > 0;
    }

    const unsigned char* at_ = nullptr;
    const unsigned char* end_ = nullptr;
    std::FILE* file_ = nullptr;
    std::vector<unsigned char> buffer_;
};

// The walk passes over stray bytes between segments, stuffed and restart codes in the compressed
// data and the tables between the scans of a progressive picture, as the decoder does.
PictureHeader::JpegLayout WalkJpegBytes(JpegBytes& bytes) {
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
    unsigned char head[32] = {};
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
        known = std::fseek(file, 13, SEEK_SET) == 0 && SkipBytes(file, colourTable) &&
                ReadGifFrame(file, &header->gif);
    } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
        header->kind = Kind::kBmp;
        if (Le32(head + 14) == 12) {
            header->width = Le16(head + 18);
            header->height = Le16(head + 20);
        } else {
            const auto sw = static_cast<std::int32_t>(Le32(head + 18));
            const auto sh = static_cast<std::int32_t>(Le32(head + 22));
            header->width = sw < 0 ? 0 : static_cast<std::uint64_t>(sw);
            header->height = sh < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(sh))
                                    : static_cast<std::uint64_t>(sh);
        }
        known = true;
    } else if (got >= 8 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                            (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42))) {
        header->kind = Kind::kTiff;
        const bool little = head[0] == 'I';
        known = ReadTiffSize(file, little, little ? Le32(head + 4) : Be32(head + 4), &header->width,
                             &header->height);
    } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        header->kind = Kind::kJpeg;
        known = ReadJpeg(file, header);
    }
    if (!known) *header = PictureHeader();
    return known;
}

PictureHeader::JpegLayout PictureHeader::WalkJpeg(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return JpegLayout{false, 0};
    JpegBytes bytes(file);
    return WalkJpegBytes(bytes);
}

PictureHeader::JpegLayout PictureHeader::WalkJpeg(const unsigned char* data, std::size_t size) {
    if (data == nullptr) return JpegLayout();
    JpegBytes bytes(data, size);
    return WalkJpegBytes(bytes);
}
