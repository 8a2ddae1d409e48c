// Scans a large generated backup (200,000 manifest records, 20,000 calls, 5,000 contacts, 100,000
// messages in 1,000 conversations, 10,000 photos) through DomainIB::ScanTask on a TaskThread into
// records, against a floor measured in the same run: the readers' own SQL texts through
// sqlite3_exec with nothing built from the rows (and one parse of the Safari history). Also
// measures the memory of the process: its peak during the scan against what it holds once the
// records are made. Targets: the scan at most 3x the floor; the peak at most 2x the memory held
// at the end. The library's own GetKindData (each list freed at once) is printed for comparison.
//
// Usage: domain_scan_bench [APPDATA]   (a folder holding "Apple Computer/MobileSync/Backup/<id>";
//        without it the backup is written to a temporary folder)
#include <plist/plist.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "gen/backup_gen.h"
#include "gen/sample.h"
#include "sql_floor.h"

namespace {

using bench::Seconds;

class Receiver : public wxEvtHandler {
  public:
    Receiver() { Bind(wxEVT_THREAD, &Receiver::OnThread, this); }
    Device* device = nullptr;
    int received = 0;

  private:
    void OnThread(wxThreadEvent& event) {
        device->StoreResults(static_cast<std::uint32_t>(event.GetId()),
                             GetEventPointer<void>(event));
        ++received;
    }
};

std::atomic<bool> g_scanEnded{false};

// DomainIB::ScanTask, then a sign that it returned.
void ScanAndSignal(void* request) {
    DomainIB::ScanTask(request);
    g_scanEnded = true;
}

// A line of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
double StatusMegabytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream in(line.substr(line.find(':') + 1));
            double kilobytes = 0;
            in >> kilobytes;
            return kilobytes / 1024;
        }
    }
    return 0;
}

// Starts a new peak of the resident memory at the current size.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string DatabaseUri(const std::string& path) {
    return "file:" + path + "?immutable=1";
}

plist_t ReadPlist(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    plist_t list = nullptr;
    if (bytes.rfind("bplist", 0) == 0)
        plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &list);
    else
        plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &list);
    return list;
}

// The library alone: every kind of a fresh list, freed at once.
double LibraryOnce() {
    DataRecoveryService* service = DomainIB::GetService();
    BackupInfo* head = service->ListBackups();
    if (head == nullptr) {
        std::fprintf(stderr, "no backup listed\n");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    for (RecoveryKind kind : KindScanOrder()) {
        plist_t list = service->GetKindData(head, kind);
        if (list != nullptr) plist_free(list);
    }
    const double seconds = Seconds(start);
    service->FreeBackupList(head);
    return seconds;
}

struct Scan {
    double seconds = 0;
    std::size_t records = 0;
    double before = 0, peak = 0, held = 0;  // megabytes of the process
};

// The scan: ScanTask on a worker, until the eleventh event was handled on this thread; then the
// records are freed again.
Scan ScanOnce() {
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
    Scan scan;
    scan.before = StatusMegabytes("VmRSS");
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    g_scanEnded = false;
    TaskThread::Start(new TaskThread(request, ScanAndSignal));
    while (receiver.received < static_cast<int>(kKindCount)) {
        wxTheApp->ProcessPendingEvents();
        if (receiver.received < static_cast<int>(kKindCount)) wxMicroSleep(200);
    }
    scan.seconds = Seconds(start);
    // The memory is read once the task has ended, after its last event.
    while (!g_scanEnded) wxMicroSleep(200);
    scan.peak = StatusMegabytes("VmHWM");
    scan.held = StatusMegabytes("VmRSS");
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) scan.records += devices[0]->Count(kind);
    BackupInfo* head = devices[0]->backup;
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
    DomainIB::GetService()->FreeBackupList(head);
    return scan;
}

}  // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxAppConsole());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) return 1;

    std::string appData, temp;
    if (argc > 1) {
        appData = argv[1];
    } else {
        char pattern[] = "/tmp/domain-scan-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return 1;
        appData = temp = pattern;
        gen::SampleOptions options;
        options.filler = 200000;
        options.calls = 20000;
        options.contacts = 5000;
        options.chats = 1000;
        options.messages = 100000;
        options.attachments = 1000;
        options.notes = 1000;
        options.history = 10000;
        options.bookmarks = 1000;
        options.calendarItems = 5000;
        options.photos = 10000;
        options.memos = 500;
        options.smallMedia = true;
        std::printf("writing the backup...\n");
        gen::WriteSampleBackup(
            appData + "/Apple Computer/MobileSync/Backup/0123456789abcdef0123456789abcdef01234567",
            options);
    }
    setenv("APPDATA", appData.c_str(), 1);
    DomainIB::CreateService();
    std::vector<Device*> devices = DomainIB::LoadDevices();
    if (devices.empty()) {
        std::fprintf(stderr, "no backup under %s\n", appData.c_str());
        return 1;
    }
    const std::string folder = devices[0]->backup->folderPath;
    BackupInfo* listed = devices[0]->backup;
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
    DomainIB::GetService()->FreeBackupList(listed);

    double floor = 0;
    for (RecoveryKind kind : KindScanOrder())
        floor += bench::FloorOf(folder, kind, DatabaseUri, ReadPlist);
    double library = 1e30;
    Scan best;
    best.seconds = 1e30;
    for (int run = 0; run < 3; ++run) {
        library = std::min(library, LibraryOnce());
        const Scan scan = ScanOnce();
        if (scan.seconds < best.seconds) best.seconds = scan.seconds;
        best.records = scan.records;
        // The memory of the first scan: later ones start from a heap the earlier ones shaped.
        if (run == 0) {
            best.before = scan.before;
            best.peak = scan.peak;
            best.held = scan.held;
        }
    }
    std::printf("SQL floor, 11 kinds:              %8.3f s\n", floor);
    std::printf("library GetKindData, freed:       %8.3f s  (%.2f x the floor)\n", library,
                library / floor);
    std::printf("DomainIB::ScanTask into records:  %8.3f s  (%zu records)\n", best.seconds,
                best.records);
    const double ratio = best.seconds / floor;
    std::printf("scan ratio %.2f (target at most 3.00) %s\n", ratio,
                ratio <= 3.0 ? "ok" : "ABOVE TARGET");
    const double memory = best.peak / best.held;
    std::printf("memory: %.0f MB before the scan, peak %.0f MB, %.0f MB held with the records\n",
                best.before, best.peak, best.held);
    std::printf("memory ratio %.2f (peak against held; target at most 2.00) %s\n", memory,
                memory <= 2.0 ? "ok" : "ABOVE TARGET");
    std::printf("growth during the scan: peak +%.0f MB against +%.0f MB kept (%.2f)\n",
                best.peak - best.before, best.held - best.before,
                (best.peak - best.before) / std::max(1.0, best.held - best.before));

    DomainIB::FreeService();
    if (!temp.empty()) gen::RemoveTree(temp);
    wxEntryCleanup();
    return 0;
}
