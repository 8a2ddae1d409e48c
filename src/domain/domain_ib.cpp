#include "domain/domain_ib.h"

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

// Walks the JPEG segments up to the first frame header.
bool PeekJpegSize(FILE* file, int* width, int* height) {
    if (std::fseek(file, 2, SEEK_SET) != 0) return false;
    for (int segments = 0; segments < 1000; ++segments) {
        int c = std::fgetc(file);
        if (c != 0xFF) return false;
        while (c == 0xFF) c = std::fgetc(file);
        if (c == EOF) return false;
        const int marker = c;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return false;  // end or scan before a frame
        unsigned char len[2];
        if (std::fread(len, 1, 2, file) != 2) return false;
        const long length = static_cast<long>(Be16(len));
        if (length < 2) return false;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            unsigned char sof[5];
            if (length < 7 || std::fread(sof, 1, 5, file) != 5) return false;
            *height = static_cast<int>(Be16(sof + 1));
            *width = static_cast<int>(Be16(sof + 3));
            return true;
        }
        if (std::fseek(file, length - 2, SEEK_CUR) != 0) return false;
    }
    return false;
}

// The bytes of a JPEG file read forward, from memory or from a file in chunks.
class JpegBytes {
  public:
    JpegBytes(const unsigned char* data, std::size_t size) : at_(data), end_(data + size) {}
    explicit JpegBytes(FILE* file) : file_(file), buffer_(64 * 1024) {}

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

    // Moves up to the next 0xFF byte, which Next then returns; false when none is left.
    bool ToNextFF() {
        for (;;) {
            if (at_ != end_) {
                const void* ff = std::memchr(at_, 0xFF, static_cast<std::size_t>(end_ - at_));
                if (ff != nullptr) {
                    at_ = static_cast<const unsigned char*>(ff);
                    return true;
                }
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
    FILE* file_ = nullptr;
    std::vector<unsigned char> buffer_;
};

// True unless the bytes begin as a JPEG and end before the end marker that closes its first
// picture. The marker segments are walked by their lengths, so that an end marker inside an
// embedded preview does not count, and whatever follows the end marker (maker data, padding, a
// second picture) is not looked at. The walk passes over stray bytes between segments, stuffed
// and restart codes in the compressed data and the tables between the scans of a progressive
// picture, as the decoder does.
bool IsWholeJpegStream(JpegBytes& bytes) {
    if (bytes.Next() != 0xFF || bytes.Next() != 0xD8 || bytes.Next() != 0xFF) return true;
    bool scanned = false;
    int marker = 0xFF;  // the start of the first segment is already taken
    for (;;) {
        while (marker == 0xFF) marker = bytes.Next();
        if (marker < 0) return false;
        if (marker == 0xD9) return scanned;  // the end; before any scan there is no picture
        if (marker == 0xD8) return false;    // a second start inside the picture
        const bool bare = marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
        if (!bare) {
            const int high = bytes.Next();
            const int low = bytes.Next();
            if (high < 0 || low < 0) return false;
            const std::size_t length = static_cast<std::size_t>(high << 8 | low);
            if (length < 2 || !bytes.Skip(length - 2)) return false;
            if (marker == 0xDA) scanned = true;
        }
        if (!bytes.ToNextFF()) return false;
        marker = bytes.Next();  // the 0xFF; the loop above reads the marker after it
    }
}

// Reads ImageWidth and ImageLength of the first directory of a TIFF file.
bool PeekTiffSize(FILE* file, bool little, std::uint32_t firstDir, std::uint64_t* width,
                  std::uint64_t* height) {
    auto u16 = [little](const unsigned char* p) { return little ? Le16(p) : Be16(p); };
    auto u32 = [little](const unsigned char* p) { return little ? Le32(p) : Be32(p); };
    if (std::fseek(file, static_cast<long>(firstDir), SEEK_SET) != 0) return false;
    unsigned char countBytes[2];
    if (std::fread(countBytes, 1, 2, file) != 2) return false;
    const std::uint32_t count = u16(countBytes);
    bool haveWidth = false, haveHeight = false;
    for (std::uint32_t i = 0; i < count && i < 1000; ++i) {
        unsigned char entry[12];
        if (std::fread(entry, 1, 12, file) != 12) return false;
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

}  // namespace

bool DomainIB::IsWholeJpeg(const wxString& path) {
    FILE* file = OpenStored(path);
    if (file == nullptr) return true;
    JpegBytes bytes(file);
    const bool whole = IsWholeJpegStream(bytes);
    std::fclose(file);
    return whole;
}

bool DomainIB::IsWholeJpeg(const unsigned char* data, std::size_t size) {
    if (data == nullptr) return true;
    JpegBytes bytes(data, size);
    return IsWholeJpegStream(bytes);
}

namespace {

// The size that the header of the picture in file tells; the file is read from its start.
bool PeekImageSizeOf(FILE* file, int* width, int* height) {
    unsigned char head[32] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    bool known = false;
    std::uint64_t w = 0, h = 0;
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got >= 24 && std::equal(kPng, kPng + 8, head) && std::equal(head + 12, head + 16, "IHDR")) {
        w = Be32(head + 16);
        h = Be32(head + 20);
        known = true;
    } else if (got >= 10 &&
               (std::equal(head, head + 6, "GIF87a") || std::equal(head, head + 6, "GIF89a"))) {
        w = Le16(head + 6);
        h = Le16(head + 8);
        known = true;
    } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
        if (Le32(head + 14) == 12) {
            w = Le16(head + 18);
            h = Le16(head + 20);
        } else {
            const auto sw = static_cast<std::int32_t>(Le32(head + 18));
            const auto sh = static_cast<std::int32_t>(Le32(head + 22));
            w = sw < 0 ? 0 : static_cast<std::uint64_t>(sw);
            h = sh < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(sh))
                       : static_cast<std::uint64_t>(sh);
        }
        known = true;
    } else if (got >= 8 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                            (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42))) {
        const bool little = head[0] == 'I';
        known = PeekTiffSize(file, little, little ? Le32(head + 4) : Be32(head + 4), &w, &h);
    } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        int jw = 0, jh = 0;
        known = PeekJpegSize(file, &jw, &jh);
        w = static_cast<std::uint64_t>(jw);
        h = static_cast<std::uint64_t>(jh);
    }
    if (!known) return false;
    constexpr std::uint64_t kMaxSide = 0x7FFFFFFF;
    *width = static_cast<int>(std::min(w, kMaxSide));
    *height = static_cast<int>(std::min(h, kMaxSide));
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
