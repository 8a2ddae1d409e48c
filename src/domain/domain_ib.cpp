#include "domain/domain_ib.h"

#include <malloc.h>
#include <wx/bitmap.h>
#include <wx/event.h>
#include <wx/image.h>
#include <wx/log.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "base/process_memory.h"
#include "common/image_util.h"
#include "common/string_util.h"
#include "common/task_thread.h"
#include "domain/kind_table.h"
#include "domain/picture_header.h"
#include "domain/thumbnail_decoder.h"
#include "util/wz_tool.h"

namespace {

// Opens a stored file for reading: a regular file only, never a FIFO (which would block), a
// device or a link (which would read what is not in the backup).
FILE* OpenStored(const wxString& path) {
    return WZfopen(path.utf8_str(), "rb");
}

// Written once before any worker exists, only read afterwards.
DataRecoveryService* g_service = nullptr;

constexpr int kThumbnailBatch = 20;
constexpr int kThumbnailSide = 100;
// Pictures decoded ahead of the one whose thumbnail is stored next, at most, and the most
// threads that decode them.
constexpr int kThumbnailLead = 64;
constexpr unsigned kMaxThumbnailThreads = 8;
const char kFallbackPicture[] = "image/content/unload_picture.png";

// Asks the library for one kind, converts and frees the list, and queues the records to target.
void ReadKind(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    BackupInfo* backup = CheckedPtr(device)->backup;
    plist_t list = nullptr;
    if (g_service != nullptr && g_service->GetKindData != nullptr && backup != nullptr)
        list = g_service->GetKindData(backup, kind);
    void* records = DomainIB::ConvertKindData(kind, list);
    if (list != nullptr) plist_free(list);
    if (target == nullptr) {
        DeleteKindRecords(kind, records);
        return;
    }
    auto* event = new wxThreadEvent(wxEVT_THREAD, eventId);
    event->SetInt(0);
    SetEventPointer(*event, records);
    target->QueueEvent(event);
}

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

}  // namespace

void DomainIB::CreateService() {
    g_service = CreateDataRecoveryService();
}

void DomainIB::FreeService() {
    if (g_service == nullptr) return;
    FreeiDeviceBackupService(g_service);
    g_service = nullptr;
}

DataRecoveryService* DomainIB::GetService() {
    return g_service;
}

void DomainIB::UseService(DataRecoveryService* service) {
    g_service = service;
}

std::vector<Device*> DomainIB::LoadDevices() {
    std::vector<Device*> devices;
    if (g_service == nullptr || g_service->ListBackups == nullptr) return devices;
    for (BackupInfo* node = g_service->ListBackups(); node != nullptr; node = node->next) {
        auto* device = new Device();
        devices.push_back(device);
        device->backup = node;
        device->deviceName = StringUtil::FromUtf8(node->deviceName);
        device->lastBackupDate = StringUtil::FromUtf8(node->lastBackupDate);
        device->serialNumber = StringUtil::FromUtf8(node->serialNumber);
        device->isEncrypted = node->isEncrypted;
    }
    return devices;
}

wxString DomainIB::GetPlistString(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return wxString();
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr || length == 0) return wxString();
    return StringUtil::FromUtf8(text, static_cast<std::size_t>(length));
}

wxString* DomainIB::NewPlistString(plist_t node) {
    return new wxString(GetPlistString(node));
}

void* DomainIB::ConvertKindData(std::uint32_t kind, plist_t list) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->convert(list) : nullptr;
}

void DomainIB::ReadCallHistory(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_CALL_HISTORY, KIND_CALL_HISTORY);
}

void DomainIB::ReadContacts(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_CONTACTS, KIND_CONTACTS);
}

void DomainIB::ReadMessages(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_MESSAGES, KIND_MESSAGES);
}

void DomainIB::ReadNotes(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_NOTES, KIND_NOTES);
}

void DomainIB::ReadSafari(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_SAFARI, KIND_SAFARI);
}

void DomainIB::ReadVoiceMemos(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_VOICE_MEMOS, KIND_VOICE_MEMOS);
}

void DomainIB::ReadCalendar(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    ReadKind(device, target, kind, eventId);
}

void DomainIB::ReadPhotos(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    ReadKind(device, target, kind, eventId);
}

void DomainIB::ScanTask(void* data) {
    auto* request = static_cast<ScanRequest*>(data);
    if (request == nullptr) return;
    Device* device = request->device;
    wxEvtHandler* target = request->target;
    for (RecoveryKind kind : KindScanOrder()) ReadKind(device, target, kind, kind);
    TrackedDelete(__FILE__, __LINE__, request);
    // The property lists of the kinds are freed; their memory goes back to the system, through
    // the call of the allocator that serves the program, so that the program keeps about what
    // its records need rather than the largest list's peak.
    ProcessMemory::ReturnFreed();
}

void DomainIB::ThumbnailTask(void* data) {
    auto* request = static_cast<ScanRequest*>(data);
    if (request == nullptr) return;
    // On the C runtime's heap the decodes' large blocks (files, pixels, coefficients) are mapped
    // and unmapped with each use, rather than kept by the arenas of the decoding threads after
    // they are freed, so that the memory the process holds follows the decode budget. (Another
    // allocator serving the process ignores this.)
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    const int n = request->photos != nullptr ? static_cast<int>(request->photos->size()) : 0;
    // The pictures are decoded by a few threads, each taking the next picture not yet taken and
    // staying at most kThumbnailLead pictures ahead; this thread stores the thumbnails in order
    // and reports them in batches, so that batches keep their order and ranges.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<wxImage*> decoded(static_cast<std::size_t>(n), nullptr);
    std::vector<char> ready(static_cast<std::size_t>(n), 0);
    int next = 0;
    int stored = 0;
    auto decode = [&] {
        // Damaged pictures must not pop up log boxes; this thread only.
        wxLogNull noLog;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return next >= n || next < stored + kThumbnailLead; });
            if (next >= n) return;
            const int j = next++;
            const Photo* photo = (*request->photos)[static_cast<std::size_t>(j)];
            wxImage* image = nullptr;
            if (photo != nullptr) {
                const wxString path = photo->path;
                lock.unlock();
                image = new wxImage(ThumbnailDecoder::Decode(path));
                lock.lock();
            }
            decoded[static_cast<std::size_t>(j)] = image;
            ready[static_cast<std::size_t>(j)] = 1;
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int count = static_cast<int>(
        std::min<unsigned>(std::min(cores, kMaxThumbnailThreads), static_cast<unsigned>(n)));
    for (int t = 0; t < count; ++t) threads.emplace_back(decode);

    int counter = 0;
    for (int j = 0; j < n; ++j) {
        wxImage* image = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return ready[static_cast<std::size_t>(j)] != 0; });
            image = decoded[static_cast<std::size_t>(j)];
            stored = j + 1;
            changed.notify_all();
        }
        Photo* photo = (*request->photos)[static_cast<std::size_t>(j)];
        if (photo != nullptr) {
            wxLogNull noLog;
            wxBitmap* thumbnail = nullptr;
            if (image != nullptr && image->IsOk()) {
                thumbnail = new wxBitmap(*image, -1);
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
        delete image;
        if (++counter == kThumbnailBatch) {
            QueueBatch(*request, j - (kThumbnailBatch - 1), j);
            counter = 0;
        }
    }
    for (std::thread& t : threads) t.join();
    if (counter != 0) QueueBatch(*request, n - counter, n - 1);
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

bool DomainIB::IsWholeJpeg(const wxString& path) {
    FILE* file = OpenStored(path);
    if (file == nullptr) return true;
    const bool whole = PictureHeader::WalkJpeg(file).whole;
    std::fclose(file);
    return whole;
}

bool DomainIB::IsWholeJpeg(const unsigned char* data, std::size_t size) {
    return PictureHeader::WalkJpeg(data, size).whole;
}

namespace {

// The size that the header of the picture in file tells.
bool PeekImageSizeOf(FILE* file, int* width, int* height) {
    PictureHeader header;
    if (!PictureHeader::Read(file, &header)) return false;
    constexpr std::uint64_t kMaxSide = 0x7FFFFFFF;
    *width = static_cast<int>(std::min(header.width, kMaxSide));
    *height = static_cast<int>(std::min(header.height, kMaxSide));
    return true;
}

}  // namespace

bool DomainIB::PeekImageSize(const wxString& path, int* width, int* height) {
    FILE* file = OpenStored(path);
    if (file == nullptr) return false;
    const bool known = PeekImageSizeOf(file, width, height);
    std::fclose(file);
    return known;
}

bool DomainIB::PeekImageSize(const unsigned char* data, std::size_t size, int* width, int* height) {
    if (data == nullptr || size == 0) return false;
    FILE* file = fmemopen(const_cast<unsigned char*>(data), size, "rb");
    if (file == nullptr) return false;
    const bool known = PeekImageSizeOf(file, width, height);
    std::fclose(file);
    return known;
}
