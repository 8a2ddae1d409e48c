// DomainIB's thumbnail work: the task that gives the Photo records of a picture kind their
// thumbnails, reported in batches, and the size a thumbnail is scaled to.
#include <malloc.h>
#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/log.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/image_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/thumbnail_queue.h"

namespace {

constexpr int kThumbnailBatch = 20;
constexpr int kThumbnailSide = 100;
const char kFallbackPicture[] = "image/content/unload_picture.png";

void QueueBatch(const ScanRequest& request, int first, int last) {
    if (request.target == nullptr) return;
    auto* copy = new ScanRequest();
    copy->grid = request.grid;
    copy->photos = request.photos;
    auto* event = new wxThreadEvent(wxEVT_THREAD, ID_THUMBNAIL_BATCH);
    event->SetInt(0);
    SetEventPointer(*event, copy);
    event->SetString(wxString::Format(wxS("%d:%d"), first, last));
    request.target->QueueEvent(event);
}

void QueueDone(const ScanRequest& request) {
    if (request.target == nullptr) return;
    auto* event = new wxThreadEvent(wxEVT_THREAD, ID_THUMBNAILS_DONE);
    event->SetInt(0);
    request.target->QueueEvent(event);
}

// Stores the thumbnail made of image (the theme's fallback picture when there is none) in
// photo, unless photo holds one already.
void StoreThumbnail(Photo* photo, const wxImage& image) {
    wxLogNull noLog;
    wxBitmap* thumbnail = nullptr;
    if (image.IsOk()) {
        thumbnail = new wxBitmap(image, -1);
        if (!thumbnail->IsOk()) {
            delete thumbnail;
            thumbnail = nullptr;
        }
    }
    if (thumbnail == nullptr)
        thumbnail = ImageUtil::LoadThemeBitmap(kFallbackPicture, wxBITMAP_TYPE_PNG);
    // A record that already holds a thumbnail keeps it; the new one is dropped.
    if (photo->thumbnail == nullptr)
        photo->thumbnail = thumbnail;
    else
        delete thumbnail;
}

}  // namespace

void DomainIB::ThumbnailTask(void* data) {
    auto* request = static_cast<ScanRequest*>(data);
    if (request == nullptr) return;
    // On the C runtime's heap the decodes' large blocks (files, pixels, coefficients) are mapped
    // and unmapped with each use, rather than kept by the arenas of the decoding threads after
    // they are freed, so that the memory the process holds follows the decode budget. (Another
    // allocator serving the process ignores this.)
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    const int n = request->photos != nullptr ? static_cast<int>(request->photos->size()) : 0;
    std::vector<std::string> paths(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        const Photo* photo = (*request->photos)[static_cast<std::size_t>(j)];
        if (photo != nullptr) paths[static_cast<std::size_t>(j)] = photo->path;
    }
    {
        // The pictures are decoded on the pool, ahead of this thread, which stores the
        // thumbnails in order and reports them in batches, so that batches keep their order and
        // ranges.
        ThumbnailQueue queue(std::move(paths));
        int counter = 0;
        for (int j = 0; j < n; ++j) {
            const std::unique_ptr<wxImage> image = queue.Next();
            Photo* photo = (*request->photos)[static_cast<std::size_t>(j)];
            if (photo != nullptr) StoreThumbnail(photo, *image);
            if (++counter == kThumbnailBatch) {
                QueueBatch(*request, j - (kThumbnailBatch - 1), j);
                counter = 0;
            }
        }
        if (counter != 0) QueueBatch(*request, n - counter, n - 1);
    }
    QueueDone(*request);
    TrackedDelete(__FILE__, __LINE__, request);
}

wxSize DomainIB::FitThumbnail(int width, int height) {
    if (width <= 0 || height <= 0) return wxSize(0, 0);
    const float hs = static_cast<float>(height / 100.0);
    const float q = static_cast<float>(width / static_cast<double>(hs));
    if (q <= kThumbnailSide) {
        // A picture more than 100 times as high as wide keeps a width of one pixel.
        return wxSize(std::max(1, static_cast<int>(q)), kThumbnailSide);
    }
    const float ws = static_cast<float>(width / 100.0);
    const float h = static_cast<float>(height / static_cast<double>(ws));
    return wxSize(kThumbnailSide, std::max(1, static_cast<int>(h)));
}
