#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "domain/thumbnail_formats.h"

// jpeglib.h needs the standard types declared before it.
#include <jpeglib.h>

#include "domain/picture_header.h"
#include "domain/thumbnail_decoder.h"

namespace thumbnail {

namespace {

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

}  // namespace

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

}  // namespace thumbnail
