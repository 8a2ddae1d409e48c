#include "domain/thumbnail_decoder.h"

#include <sys/stat.h>
#include <wx/mstream.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>

#include "domain/domain_ib.h"
#include "util/wz_tool.h"

namespace {

// Pictures above this many pixels are not decoded.
constexpr std::uint64_t kMaxSourcePixels = 100ull * 1000 * 1000;
// Files above this size are not read: no picture of the largest size allowed above needs more.
constexpr std::uint64_t kMaxFileBytes = 512ull * 1024 * 1024;

bool IsJpeg(const unsigned char* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

// The whole file, read through one open; false when it cannot be read or is too large.
bool ReadFile(const wxString& path, std::vector<unsigned char>* bytes) {
    FILE* file = WZfopen(path.utf8_str().data(), "rb");
    if (file == nullptr) return false;
    struct stat info {};
    bool ok = fstat(fileno(file), &info) == 0 && info.st_size >= 0 &&
              static_cast<std::uint64_t>(info.st_size) <= kMaxFileBytes;
    if (ok) {
        bytes->resize(static_cast<std::size_t>(info.st_size));
        ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    }
    std::fclose(file);
    return ok;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Damaged data is not reported: the picture gets the fallback or what the decoder made of it.
void OnJpegMessage(j_common_ptr) {}

// Decodes a JPEG picture at eighths/8 of its size into RGB. False for data the decoder refuses
// and for colour spaces it cannot turn into RGB (those go through the toolkit's decoder).
bool DecodeJpeg(const unsigned char* data, std::size_t size, int eighths, wxImage* out) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.output_message = OnJpegMessage;
    unsigned char* volatile pixels = nullptr;
    // Nothing with a destructor lives in this frame between here and the last jump.
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    info.scale_num = static_cast<unsigned int>(eighths);
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * 3;
    pixels = static_cast<unsigned char*>(std::malloc(stride * info.output_height));
    if (pixels == nullptr || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    jpeg_destroy_decompress(&info);
    // The image takes the pixels and frees them with free().
    out->Create(width, height, pixels, false);
    return out->IsOk();
}

}  // namespace

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
    std::vector<unsigned char> bytes;
    if (!ReadFile(path, &bytes)) return wxImage();
    return DecodeBytes(bytes.data(), bytes.size());
}

wxImage ThumbnailDecoder::DecodeBytes(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0) return wxImage();
    if (!DomainIB::IsWholeJpeg(data, size)) return wxImage();
    // Only pictures whose header tells their size are decoded: a backup's files come from a
    // device, and a decoder with a weak signature would take any file's bytes for a size.
    int width = 0, height = 0;
    if (!DomainIB::PeekImageSize(data, size, &width, &height)) return wxImage();
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels == 0 || pixels > kMaxSourcePixels) return wxImage();
    wxImage image;
    wxSize fit = DomainIB::FitThumbnail(width, height);
    if (fit.x <= 0 || fit.y <= 0) return wxImage();
    if (!IsJpeg(data, size) ||
        !DecodeJpeg(data, size, JpegEighths(width, height, fit.x, fit.y), &image)) {
        wxMemoryInputStream in(data, size);
        if (!image.LoadFile(in, wxBITMAP_TYPE_ANY, -1) || !image.IsOk()) return wxImage();
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
