#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "domain/picture_header.h"
#include "domain/thumbnail_formats.h"

namespace thumbnail {

namespace {

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

}  // namespace

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
    const std::vector<std::uint32_t> xs =
        NearestPositions(static_cast<png_uint_32>(header.width), fit.x);
    const std::vector<std::uint32_t> ys =
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

}  // namespace thumbnail
