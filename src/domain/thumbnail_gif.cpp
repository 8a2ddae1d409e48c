#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "domain/picture_header.h"
#include "domain/thumbnail_formats.h"

namespace thumbnail {

namespace {

// GIF: the first frame, read from memory block by block.
class GifReader {
  public:
    GifReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool Byte(unsigned* out) {
        if (at_ >= size_) return false;
        *out = data_[at_++];
        return true;
    }
    bool Skip(std::size_t count) {
        if (size_ - at_ < count) return false;
        at_ += count;
        return true;
    }
    const unsigned char* Here() const { return data_ + at_; }
    std::size_t Offset() const { return at_; }
    unsigned Le16(std::size_t offset) const {
        return data_[at_ + offset] | static_cast<unsigned>(data_[at_ + offset + 1]) << 8;
    }
    // The bits of the LZW data, low bit first, across its sub-blocks.
    bool Code(int bits, unsigned* code) {
        while (count_ < bits) {
            if (blockLeft_ == 0) {
                unsigned length = 0;
                if (!Byte(&length) || length == 0) return false;
                blockLeft_ = length;
            }
            unsigned byte = 0;
            if (!Byte(&byte)) return false;
            --blockLeft_;
            buffer_ |= static_cast<std::uint32_t>(byte) << count_;
            count_ += 8;
        }
        *code = buffer_ & ((1u << bits) - 1);
        buffer_ >>= bits;
        count_ -= bits;
        return true;
    }

  private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
    unsigned blockLeft_ = 0;
};

// The image row that the index-th row of the data holds (interlaced: every 8th row from 0, then
// from 4, every 4th from 2, every 2nd from 1).
std::uint32_t GifRow(std::uint32_t index, std::uint32_t height, bool interlaced) {
    if (!interlaced) return index;
    const std::uint32_t first = (height + 7) / 8;
    const std::uint32_t second = (height + 3) / 8;
    const std::uint32_t third = (height + 1) / 4;
    if (index < first) return 8 * index;
    index -= first;
    if (index < second) return 4 + 8 * index;
    index -= second;
    if (index < third) return 2 + 4 * index;
    return 1 + 2 * (index - third);
}

}  // namespace

bool DecodeGif(const unsigned char* data, std::size_t size, const PictureHeader::GifFrame& frame,
               const wxSize& fit, wxImage* out) {
    GifReader gif(data, size);
    if (!gif.Skip(10)) return false;
    unsigned flags = 0;
    if (!gif.Byte(&flags) || !gif.Skip(2)) return false;
    const unsigned char* palette = nullptr;
    unsigned colours = 0;
    if ((flags & 0x80) != 0) {
        colours = 2u << (flags & 0x07);
        palette = gif.Here();
        if (!gif.Skip(3 * colours)) return false;
    }
    // The blocks before the frame were walked when its header was read.
    const int transparent = frame.transparent;
    if (frame.descriptorAt < gif.Offset() || frame.descriptorAt >= size ||
        data[frame.descriptorAt] != 0x2C || !gif.Skip(frame.descriptorAt - gif.Offset() + 1))
        return false;
    if (!gif.Skip(9)) return false;
    const unsigned char* descriptor = gif.Here() - 9;
    const std::uint32_t width = descriptor[4] | static_cast<std::uint32_t>(descriptor[5]) << 8;
    const std::uint32_t height = descriptor[6] | static_cast<std::uint32_t>(descriptor[7]) << 8;
    const bool interlaced = (descriptor[8] & 0x40) != 0;
    if ((descriptor[8] & 0x80) != 0) {
        colours = 2u << (descriptor[8] & 0x07);
        palette = gif.Here();
        if (!gif.Skip(3 * colours)) return false;
    }
    unsigned minimum = 0;
    if (palette == nullptr || width == 0 || height == 0 || !gif.Byte(&minimum) || minimum < 1 ||
        minimum > 8)
        return false;
    // The colours as the toolkit gives them: the transparent one magenta, any other magenta
    // moved off it.
    unsigned char colourMap[256][3] = {};
    for (unsigned i = 0; i < colours; ++i) {
        std::memcpy(colourMap[i], palette + 3 * i, 3);
        if (colourMap[i][0] == 255 && colourMap[i][1] == 0 && colourMap[i][2] == 255)
            colourMap[i][2] = 254;
    }
    if (transparent >= 0) {
        colourMap[transparent][0] = 255;
        colourMap[transparent][1] = 0;
        colourMap[transparent][2] = 255;
    }
    const std::vector<std::uint32_t> xs = NearestPositions(width, fit.x);
    const std::vector<std::uint32_t> ys = NearestPositions(height, fit.y);
    std::vector<unsigned char> row(width);
    std::vector<unsigned char> rgb(3u * fit.x * fit.y);
    // The LZW table: each code's prefix code and last byte, and the first byte of its string.
    std::vector<std::uint16_t> prefix(4096);
    std::vector<unsigned char> suffix(4096), first(4096);
    std::vector<unsigned char> stack(4097);
    const unsigned clear = 1u << minimum, end = clear + 1;
    unsigned next = end + 1;
    int bits = static_cast<int>(minimum) + 1;
    int previous = -1;
    std::uint32_t x = 0, rowIndex = 0;
    for (unsigned c = 0; c < clear; ++c) suffix[c] = first[c] = static_cast<unsigned char>(c);
    while (rowIndex < height) {
        unsigned code = 0;
        if (!gif.Code(bits, &code)) return false;  // the data ends before the frame
        if (code == clear) {
            next = end + 1;
            bits = static_cast<int>(minimum) + 1;
            previous = -1;
            continue;
        }
        if (code == end) return false;
        std::size_t length = 0;
        unsigned at = code;
        if (previous < 0) {
            if (code >= clear) return false;
        } else if (code > next || (code == next && next >= 4096)) {
            return false;
        } else if (code == next) {
            // The previous string and its own first byte.
            stack[length++] = first[previous];
            at = static_cast<unsigned>(previous);
        }
        while (at >= clear) {
            if (length >= 4096) return false;
            stack[length++] = suffix[at];
            at = prefix[at];
        }
        stack[length++] = static_cast<unsigned char>(at);
        if (previous >= 0 && next < 4096) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = static_cast<unsigned char>(at);
            first[next] = first[previous];
            ++next;
            if (next == (1u << bits) && bits < 12) ++bits;
        }
        previous = static_cast<int>(code);
        // The string comes out last byte first.
        while (length > 0 && rowIndex < height) {
            row[x] = stack[--length];
            if (++x < width) continue;
            x = 0;
            const std::uint32_t y = GifRow(rowIndex++, height, interlaced);
            auto j =
                static_cast<std::size_t>(std::lower_bound(ys.begin(), ys.end(), y) - ys.begin());
            for (; j < ys.size() && ys[j] == y; ++j) {
                unsigned char* to = &rgb[3 * j * fit.x];
                for (int i = 0; i < fit.x; ++i, to += 3)
                    std::memcpy(to, colourMap[row[xs[static_cast<std::size_t>(i)]]], 3);
            }
        }
    }
    out->Create(fit.x, fit.y, false);
    std::memcpy(out->GetData(), rgb.data(), rgb.size());
    if (transparent >= 0) out->SetMaskColour(255, 0, 255);
    return out->IsOk();
}

}  // namespace thumbnail
