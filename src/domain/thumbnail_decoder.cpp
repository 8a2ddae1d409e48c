#include "domain/thumbnail_decoder.h"

#include <png.h>
#include <sys/stat.h>
#include <wx/mstream.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>

#include "domain/decode_budget.h"
#include "domain/domain_ib.h"
#include "domain/picture_header.h"
#include "util/wz_tool.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}
std::uint64_t RoundUp(std::uint64_t a, std::uint64_t b) {
    return DivUp(a, b) * b;
}

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
            // The RGBA raster, the RGB image and its alpha; a strip of the file.
            plan->bytes = 2 * fileBytes + 8 * pixels + kMiB;
            break;
        default:
            return false;
    }
    plan->bytes += thumbnail;
    return plan->bytes <= ThumbnailDecoder::kMaxPictureBytes;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

[[noreturn]] void Fail(jpeg_decompress_struct* info) {
    OnJpegError(reinterpret_cast<j_common_ptr>(info));
}

// Damaged data is not reported: the picture gets the fallback or what the decoder made of it.
void OnJpegMessage(j_common_ptr) {}

// Ends a decode that reaches more scans than a real picture has.
void OnJpegProgress(j_common_ptr info) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > ThumbnailDecoder::kMaxScans) (*info->err->error_exit)(info);
}

// Every component has its DC values (of whatever precision the scans so far gave them).
bool HasAllDc(const jpeg_decompress_struct& info) {
    if (info.coef_bits == nullptr) return false;
    for (int c = 0; c < info.num_components; ++c) {
        if (info.coef_bits[c][0] < 0) return false;
    }
    return true;
}

// Decodes a JPEG picture at plan.eighths/8 of its size into RGB (CMYK ones as Adobe writes them,
// with inverted values).
bool DecodeJpeg(const unsigned char* data, std::size_t size, const PictureHeader& header,
                const Plan& plan, wxImage* out) {
    jpeg_decompress_struct info;
    JpegError error;
    jpeg_progress_mgr progress{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.output_message = OnJpegMessage;
    progress.progress_monitor = OnJpegProgress;
    unsigned char* volatile pixels = nullptr;
    unsigned char* volatile cmykRow = nullptr;
    // Nothing with a destructor lives in this frame between here and the last jump.
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        std::free(cmykRow);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = static_cast<long>(plan.decoderBytes);
    // The coefficients of a picture of several scans are taken in pieces of at most 1 MiB, which
    // an allocator may keep for the next decode, rather than in one block of tens of megabytes
    // that goes back to the system and comes fresh (a page fault every 4 KiB) each time.
    info.mem->max_alloc_chunk = 1024 * 1024;
    info.progress = &progress;
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const bool rgb = info.jpeg_color_space == JCS_GRAYSCALE || info.jpeg_color_space == JCS_YCbCr ||
                     info.jpeg_color_space == JCS_RGB;
    // The decode was planned for the frame that the header showed.
    if (info.image_width != header.width || info.image_height != header.height ||
        info.num_components != header.jpeg.components || (!cmyk && !rgb)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = static_cast<unsigned int>(plan.eighths);
    info.scale_denom = 8;
    // At 1/8 a block becomes one pixel, its DC value. A progressive picture sends the DC values
    // of all blocks first: only those scans are read, up to the first scan of AC coefficients.
    // (Some encoders send the last bit of the DC values later; the thumbnail does without it.)
    const bool dcOnly = info.progressive_mode && plan.eighths == 1;
    if (dcOnly) {
        info.buffered_image = TRUE;
        info.do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(&info);
    if (dcOnly) {
        int shown = info.input_scan_number;
        for (;;) {
            const int read = jpeg_consume_input(&info);
            if (read == JPEG_SUSPENDED || read == JPEG_REACHED_EOI) break;
            if (info.input_scan_number > ThumbnailDecoder::kMaxScans) Fail(&info);
            if (read == JPEG_REACHED_SOS && info.Ss > 0) {
                // The scan just begun is not read: the output stays behind it.
                shown = info.input_scan_number - 1;
                break;
            }
            shown = info.input_scan_number;
        }
        if (shown < 1 || !HasAllDc(info)) Fail(&info);
        jpeg_start_output(&info, shown);
    }
    const std::size_t width = info.output_width;
    const std::size_t stride = width * 3;
    if (info.output_components != (cmyk ? 4 : 3)) Fail(&info);
    pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (cmyk) cmykRow = static_cast<unsigned char*>(std::malloc(width * 4));
    if (pixels == nullptr || (cmyk && cmykRow == nullptr)) Fail(&info);
    while (info.output_scanline < info.output_height) {
        unsigned char* to = pixels + stride * info.output_scanline;
        JSAMPROW row = cmyk ? cmykRow : to;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) Fail(&info);
        if (cmyk) {
            for (std::size_t x = 0; x < width; ++x) {
                const unsigned char* p = cmykRow + 4 * x;
                const unsigned k = p[3];
                for (int i = 0; i < 3; ++i)
                    to[3 * x + i] = static_cast<unsigned char>((p[i] * k + 127) / 255);
            }
        }
    }
    // The scans after the ones shown are not needed.
    if (!dcOnly) jpeg_finish_decompress(&info);
    const int outWidth = static_cast<int>(info.output_width);
    const int outHeight = static_cast<int>(info.output_height);
    jpeg_destroy_decompress(&info);
    std::free(cmykRow);
    // The image takes the pixels and frees them with free().
    out->Create(outWidth, outHeight, pixels, false);
    return out->IsOk();
}

struct PngSource {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};

void OnPngRead(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->size - source->at < count) png_error(png, "the data ends early");
    std::memcpy(out, source->data + source->at, count);
    source->at += count;
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Ancillary chunks that no thumbnail needs and that may be large: libpng skips them.
const png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0pCAL\0sCAL\0hIST";

// The source position of each pixel of a nearest-neighbour scaling of length into count, as
// ScaleNearest takes them.
std::vector<png_uint_32> NearestPositions(png_uint_32 length, int count) {
    std::vector<png_uint_32> positions(static_cast<std::size_t>(count));
    const std::uint64_t delta = (static_cast<std::uint64_t>(length) << 16) / count;
    std::uint64_t at = 0;
    for (int i = 0; i < count; ++i, at += delta) positions[i] = static_cast<png_uint_32>(at >> 16);
    return positions;
}

// Decodes a PNG picture row by row straight into its thumbnail of fit: only the sampled pixels
// of each row are kept. Interlaced pictures are read pass by pass in the same way.
bool DecodePng(const unsigned char* data, std::size_t size, const PictureHeader& header,
               const wxSize& fit, wxImage* out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    PngSource source{data, size, 0};
    unsigned char* volatile row = nullptr;
    unsigned char* volatile rgb = nullptr;
    unsigned char* volatile alpha = nullptr;
    const std::vector<png_uint_32> xs =
        NearestPositions(static_cast<png_uint_32>(header.width), fit.x);
    const std::vector<png_uint_32> ys =
        NearestPositions(static_cast<png_uint_32>(header.height), fit.y);
    // Only plain buffers and the vectors made above live in this frame across the jumps.
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(row);
        std::free(rgb);
        std::free(alpha);
        return false;
    }
    png_set_user_limits(png, static_cast<png_uint_32>(header.width),
                        static_cast<png_uint_32>(header.height));
    png_set_chunk_cache_max(png, 32);
    png_set_chunk_malloc_max(png, 256 * 1024);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                static_cast<int>(sizeof kSkippedChunks / 5));
    // The data's checksum is not checked: a picture that fails it still shows what it holds.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_set_read_fn(png, &source, OnPngRead);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (width != header.width || height != header.height) png_error(png, "another size");
    png_set_expand(png);
    png_set_strip_16(png);
    if ((colour & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4) png_error(png, "no RGB");
    row = static_cast<unsigned char*>(std::malloc(png_get_rowbytes(png, info)));
    rgb = static_cast<unsigned char*>(std::malloc(3u * fit.x * fit.y));
    if (channels == 4) alpha = static_cast<unsigned char*>(std::malloc(1u * fit.x * fit.y));
    if (row == nullptr || rgb == nullptr || (channels == 4 && alpha == nullptr))
        png_error(png, "no memory");
    const int passes = interlace == PNG_INTERLACE_ADAM7 ? 7 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const png_uint_32 rows = passes == 1 ? height : PNG_PASS_ROWS(height, pass);
        const png_uint_32 columns = passes == 1 ? width : PNG_PASS_COLS(width, pass);
        if (rows == 0 || columns == 0) continue;  // libpng skips empty passes
        const png_uint_32 startColumn = passes == 1 ? 0 : PNG_PASS_START_COL(pass);
        const int columnShift = passes == 1 ? 0 : PNG_PASS_COL_SHIFT(pass);
        for (png_uint_32 r = 0; r < rows; ++r) {
            png_read_row(png, row, nullptr);
            const png_uint_32 y = passes == 1 ? r : PNG_ROW_FROM_PASS_ROW(r, pass);
            auto j =
                static_cast<std::size_t>(std::lower_bound(ys.begin(), ys.end(), y) - ys.begin());
            for (; j < ys.size() && ys[j] == y; ++j) {
                for (int i = 0; i < fit.x; ++i) {
                    const png_uint_32 x = xs[static_cast<std::size_t>(i)];
                    if (x < startColumn || ((x - startColumn) & ((1u << columnShift) - 1)) != 0)
                        continue;  // in another pass
                    const unsigned char* from = row + channels * ((x - startColumn) >> columnShift);
                    const std::size_t to = j * fit.x + i;
                    std::memcpy(rgb + 3 * to, from, 3);
                    if (alpha != nullptr) alpha[to] = from[3];
                }
            }
            // A picture that is not interlaced ends with its last sampled row.
            if (passes == 1 && y >= ys.back()) break;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(row);
    // The image takes both buffers and frees them with free().
    if (alpha != nullptr)
        out->Create(fit.x, fit.y, rgb, alpha, false);
    else
        out->Create(fit.x, fit.y, rgb, false);
    return out->IsOk();
}

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
    unsigned Le16(std::size_t offset) const {
        return data_[at_ + offset] | static_cast<unsigned>(data_[at_ + offset + 1]) << 8;
    }
    bool SkipSubBlocks() {
        unsigned count = 0;
        do {
            if (!Byte(&count) || !Skip(count)) return false;
        } while (count != 0);
        return true;
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

// Decodes the first frame of a GIF row by row straight into its thumbnail of fit, as the
// toolkit's decoder shows it: the frame alone, its transparent colour as the mask colour magenta.
bool DecodeGif(const unsigned char* data, std::size_t size, const wxSize& fit, wxImage* out) {
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
    int transparent = -1;
    for (;;) {
        unsigned introducer = 0, label = 0;
        if (!gif.Byte(&introducer)) return false;
        if (introducer == 0x2C) break;
        if (introducer != 0x21 || !gif.Byte(&label)) return false;
        if (label == 0xF9) {
            // A graphic control extension: its first sub-block tells the next image's
            // transparent colour.
            unsigned length = 0;
            if (!gif.Byte(&length)) return false;
            const unsigned char* body = gif.Here();
            if (!gif.Skip(length)) return false;
            if (length >= 4) transparent = (body[0] & 0x01) != 0 ? body[3] : -1;
            if (length == 0) continue;
        }
        if (!gif.SkipSubBlocks()) return false;
    }
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
    const std::vector<png_uint_32> xs = NearestPositions(width, fit.x);
    const std::vector<png_uint_32> ys = NearestPositions(height, fit.y);
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

// BMP and TIFF pictures go through the toolkit's decoders; the budget covers what those
// allocate for the declared size.
bool DecodeWithToolkit(const unsigned char* data, std::size_t size, wxBitmapType type,
                       wxImage* image) {
    wxMemoryInputStream in(data, size);
    return image->LoadFile(in, type, -1) && image->IsOk();
}

bool ReadWhole(std::FILE* file, std::size_t size, std::vector<unsigned char>* bytes) {
    // One more for the trailer that ends a GIF after its first frame.
    bytes->reserve(size + 1);
    bytes->resize(size);
    return std::fseek(file, 0, SEEK_SET) == 0 && std::fread(bytes->data(), 1, size, file) == size;
}

}  // namespace

std::uint64_t ThumbnailDecoder::DecodeBytes(const PictureHeader& header, std::uint64_t fileBytes) {
    Plan plan;
    return PlanPicture(header, fileBytes, &plan) ? plan.bytes : 0;
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

wxImage ThumbnailDecoder::Decode(const wxString& path) {
    return Decode(path, DecodeBudget::Shared());
}

wxImage ThumbnailDecoder::Decode(const wxString& path, DecodeBudget& budget) {
    std::FILE* file = WZfopen(path.utf8_str().data(), "rb");
    if (file == nullptr) return wxImage();
    struct Closer {
        std::FILE* file;
        ~Closer() { std::fclose(file); }
    } closer{file};
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || status.st_size <= 0 ||
        static_cast<std::uint64_t>(status.st_size) > kMaxFileBytes)
        return wxImage();
    const auto size = static_cast<std::size_t>(status.st_size);
    // Only pictures whose header tells their size are decoded: a decoder with a weak signature
    // would take any file's bytes for a picture.
    PictureHeader header;
    Plan plan;
    if (!PictureHeader::Read(file, &header) || !PlanPicture(header, size, &plan)) return wxImage();
    DecodeBudget::Share share;
    if (!budget.Take(plan.bytes, &share)) return wxImage();
    std::vector<unsigned char> bytes;
    if (!ReadWhole(file, size, &bytes)) return wxImage();
    wxImage image;
    wxSize fit = plan.fit;
    switch (header.kind) {
        case PictureHeader::Kind::kJpeg: {
            // A picture cut off before its end marker would show half grey.
            const PictureHeader::JpegLayout layout = PictureHeader::WalkJpeg(bytes.data(), size);
            if (!layout.whole || layout.scans > kMaxScans ||
                (!header.jpeg.arithmetic && layout.scanBytes * 8 < CountJpegBlocks(header).coded) ||
                !DecodeJpeg(bytes.data(), size, header, plan, &image))
                return wxImage();
            break;
        }
        case PictureHeader::Kind::kPng:
            // Already the thumbnail.
            if (!DecodePng(bytes.data(), size, header, plan.fit, &image)) return wxImage();
            return image;
        case PictureHeader::Kind::kGif:
            if (!DecodeGif(bytes.data(), size, plan.fit, &image)) return wxImage();
            return image;
        case PictureHeader::Kind::kBmp:
        case PictureHeader::Kind::kTiff:
            if (!DecodeWithToolkit(bytes.data(), size,
                                   header.kind == PictureHeader::Kind::kBmp ? wxBITMAP_TYPE_BMP
                                                                            : wxBITMAP_TYPE_TIFF,
                                   &image))
                return wxImage();
            break;
        default:
            return wxImage();
    }
    if (header.kind != PictureHeader::Kind::kJpeg) {
        fit = DomainIB::FitThumbnail(image.GetWidth(), image.GetHeight());
        if (fit.x <= 0 || fit.y <= 0) return wxImage();
    }
    return ScaleNearest(image, fit.x, fit.y);
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
