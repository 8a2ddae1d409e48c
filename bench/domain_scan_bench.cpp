// Scans the large generated backup of the kind readers' benchmark through DomainIB::ScanTask on
// a TaskThread into records, against a floor measured in the same run: the library's own
// GetKindData for the same eleven kinds, each list freed at once. Both start from a freshly listed
// backup, so that every reader does its full work. Target: at most 1.5x the floor (the
// conversion into records adds at most half again).
//
// Usage: domain_scan_bench [scale]   (scale multiplies every count; default 1)
#include <plist/plist.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "gen/backup_gen.h"
#include "gen/sample.h"

namespace {

const std::uint32_t kScanOrder[kKindCount] = {0, 4, 5, 6, 7, 1, 2, 3, 8, 9, 10};

using bench::Seconds;

class Receiver : public wxEvtHandler {
  public:
    Receiver() { Bind(wxEVT_THREAD, &Receiver::OnThread, this); }
    Device* device = nullptr;
    int received = 0;

  private:
    void OnThread(wxThreadEvent& event) {
        device->StoreResults(event.GetId(), GetEventPointer<void>(event));
        ++received;
    }
};

// The library alone: every kind of a fresh list, freed at once. Returns seconds and items.
double LibraryOnce(std::size_t* items) {
    DataRecoveryService* service = DomainIB::GetService();
    BackupInfo* head = service->ListBackups();
    if (head == nullptr) {
        std::fprintf(stderr, "no backup listed\n");
        std::exit(1);
    }
    *items = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t kind : kScanOrder) {
        plist_t list = service->GetKindData(head, kind);
        if (list != nullptr) {
            *items += plist_array_get_size(list);
            plist_free(list);
        }
    }
    const double seconds = Seconds(start);
    service->FreeBackupList(head);
    return seconds;
}

// The scan: ScanTask on a worker, until the eleventh event was handled on this thread.
double ScanOnce(std::size_t* records) {
    std::vector<Device*> devices = DomainIB::LoadDevices();
    if (devices.empty()) {
        std::fprintf(stderr, "no device\n");
        std::exit(1);
    }
    Receiver receiver;
    receiver.device = devices[0];
    auto* request = new ScanRequest();
    request->device = devices[0];
    request->target = &receiver;
    const auto start = std::chrono::steady_clock::now();
    TaskThread::Start(new TaskThread(request, DomainIB::ScanTask));
    while (receiver.received < static_cast<int>(kKindCount)) {
        wxTheApp->ProcessPendingEvents();
        if (receiver.received < static_cast<int>(kKindCount)) wxMicroSleep(200);
    }
    const double seconds = Seconds(start);
    *records = 0;
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) *records += devices[0]->Count(kind);
    BackupInfo* head = devices[0]->backup;
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
    DomainIB::GetService()->FreeBackupList(head);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    wxApp::SetInstance(new wxAppConsole());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) return 1;

    char pattern[] = "/tmp/domain-scan-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string appData = pattern;
    setenv("APPDATA", appData.c_str(), 1);
    gen::SampleOptions options;
    options.scale = scale;
    options.filler = 100000;
    options.calls = 10000;
    options.namedCalls = 0;
    options.contacts = 20000;
    options.chats = 2000;
    options.messages = 100000;
    options.attachments = 2000;
    options.notes = 5000;
    options.history = 10000;
    options.bookmarks = 10000;
    options.calendarItems = 10000;
    options.photos = 20000;
    options.memos = 2000;
    options.smallMedia = true;
    std::printf("writing the backup (scale %.2f)...\n", scale);
    gen::WriteSampleBackup(
        appData + "/Apple Computer/MobileSync/Backup/0123456789abcdef0123456789abcdef01234567",
        options);
    DomainIB::CreateService();

    double floor = 1e30, scan = 1e30;
    std::size_t items = 0, records = 0;
    for (int run = 0; run < 3; ++run) {
        floor = std::min(floor, LibraryOnce(&items));
        scan = std::min(scan, ScanOnce(&records));
    }
    std::printf("library GetKindData, 11 kinds: %8.3f s  (%zu items)\n", floor, items);
    std::printf("DomainIB::ScanTask into records: %8.3f s  (%zu records)\n", scan, records);
    const double ratio = scan / floor;
    std::printf("ratio %.2f (target at most 1.50) %s\n", ratio,
                ratio <= 1.5 ? "ok" : "ABOVE TARGET");
    if (items != records) std::printf("MISMATCH: %zu items, %zu records\n", items, records);

    DomainIB::FreeService();
    gen::RemoveTree(appData);
    wxEntryCleanup();
    return items == records ? 0 : 1;
}
