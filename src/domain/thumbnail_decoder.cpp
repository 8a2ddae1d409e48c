#include "domain/thumbnail_decoder.h"

#include <sys/stat.h>
#include <wx/mstream.h>

#include <cstdio>
#include <vector>

#include "domain/decode_budget.h"
#include "domain/domain_ib.h"
#include "domain/picture_header.h"
#include "domain/thumbnail_formats.h"
#include "util/wz_tool.h"

namespace {

// BMP and TIFF pictures go through the toolkit's decoders, each asked for its own format only (no
// other handler sees the bytes); the budget covers what those allocate for the size and layout
// that the header declares, which is read as these decoders read it.
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

wxImage ThumbnailDecoder::Decode(const std::string& path) {
    return Decode(path, DecodeBudget::Shared());
}

wxImage ThumbnailDecoder::Decode(const std::string& path, DecodeBudget& budget) {
    std::FILE* file = WZfopen(path.c_str(), "rb");
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
    thumbnail::Plan plan;
    if (!PictureHeader::Read(file, &header) || !thumbnail::PlanPicture(header, size, &plan))
        return wxImage();
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
                (!header.jpeg.arithmetic &&
                 layout.scanBytes * 8 < thumbnail::CountJpegBlocks(header).coded) ||
                !thumbnail::DecodeJpeg(bytes.data(), size, header, plan, &image))
                return wxImage();
            break;
        }
        case PictureHeader::Kind::kPng:
            // Already the thumbnail.
            if (!thumbnail::DecodePng(bytes.data(), size, header, plan.fit, &image))
                return wxImage();
            return image;
        case PictureHeader::Kind::kGif:
            if (!thumbnail::DecodeGif(bytes.data(), size, header.gif, plan.fit, &image))
                return wxImage();
            return image;
        case PictureHeader::Kind::kBmp:
        case PictureHeader::Kind::kTiff:
            if (!DecodeWithToolkit(bytes.data(), size,
                                   header.kind == PictureHeader::Kind::kBmp ? wxBITMAP_TYPE_BMP
                                                                            : wxBITMAP_TYPE_TIFF,
                                   &image) ||
                static_cast<std::uint64_t>(image.GetWidth()) != header.width ||
                static_cast<std::uint64_t>(image.GetHeight()) != header.height)
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
