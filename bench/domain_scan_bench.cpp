// Scans the large backup (ten times a heavy phone: 200,000 manifest records, 20,000 calls, 5,000
// contacts, 100,000 messages in 1,000 conversations, 10,000 photos, ...) and the same at fifty
// times a heavy phone, through DomainIB::ScanTask on a TaskThread into records, against the floor
// of bench/scan_floor.h measured in the same run (the least SQL and manifest work any correct
// reader must do for the same rows, nothing built). The library's own GetKindData (each list
// freed at once, in scan order) is measured the same way.
//
// Each scan is the first one of a fresh process (this program run again), as the user meets it:
// the backups are listed, then the scan is timed, with the process's memory before it, its peak
// during it and what it holds afterwards (the records and every cache of the reader). Printed per
// scale: the best and the median of the runs, the ratios to the floor, the memory growth during
// the scan (peak minus before) against what the scan keeps (after minus before), page faults, and
// at the end how time and memory grew from ten to fifty times a heavy phone.
//
// Targets: the scan at most 3x its floor (stretch 2x), GetKindData at most 2.5x, the growth at
// most 1.5x what is kept, and from 10x to 50x nothing growing more than linearly (5x). A floor
// that the code beats is no lower bound: the benchmark then fails.
//
// Usage: domain_scan_bench [--runs N] [APPDATA10 [APPDATA50]]   (folders holding "Apple
//        Computer/MobileSync/Backup/<id>" at each scale; without them both backups are written to
//        a temporary folder; "-" for APPDATA50 leaves the larger scale out)
#include <plist/plist.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/process_memory.h"
#include "bench_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "gen/backup_gen.h"
#include "large_backup.h"
#include "scan_floor.h"

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

// One measurement, as the fresh process prints it.
struct Measure {
    double seconds = 0;
    double records = 0;
    double beforeKb = 0, peakKb = 0, heldKb = 0;
    double faults = 0;
};

// In the fresh process: lists the backups under appData, then scans the first one (mode "scan")
// or reads its kinds through GetKindData (mode "library"), and prints the measurement.
int Child(const std::string& mode, const std::string& appData, char** argv) {
    setenv("APPDATA", appData.c_str(), 1);
    wxApp::SetInstance(new wxAppConsole());
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv)) return 1;
    DomainIB::CreateService();
    std::vector<Device*> devices = DomainIB::LoadDevices();
    if (devices.empty()) {
        std::fprintf(stderr, "no backup under %s\n", appData.c_str());
        return 1;
    }
    Measure m;
    m.beforeKb = static_cast<double>(bench::StatusKb("VmRSS"));
    const long faults = bench::PageFaults();
    bench::ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    if (mode == "scan") {
        Receiver receiver;
        receiver.device = devices[0];
        auto* request = new ScanRequest();
        request->device = devices[0];
        request->target = &receiver;
        TaskThread::Start(new TaskThread(request, ScanAndSignal));
        while (receiver.received < static_cast<int>(kKindCount)) {
            wxTheApp->ProcessPendingEvents();
            if (receiver.received < static_cast<int>(kKindCount)) wxMicroSleep(200);
        }
        m.seconds = Seconds(start);
        // The memory is read once the task has ended, after its last event.
        while (!g_scanEnded) wxMicroSleep(200);
        for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
            m.records += devices[0]->Count(kind);
    } else {
        DataRecoveryService* service = DomainIB::GetService();
        for (RecoveryKind kind : KindScanOrder()) {
            plist_t list = service->GetKindData(devices[0]->backup, kind);
            if (list != nullptr) {
                m.records += plist_array_get_size(list);
                plist_free(list);
            }
        }
        m.seconds = Seconds(start);
    }
    m.faults = static_cast<double>(bench::PageFaults() - faults);
    m.peakKb = static_cast<double>(bench::StatusKb("VmHWM"));
    m.heldKb = static_cast<double>(bench::StatusKb("VmRSS"));
    std::printf("%.6f %.0f %.0f %.0f %.0f %.0f\n", m.seconds, m.records, m.beforeKb, m.peakKb,
                m.heldKb, m.faults);
    // The process ends here: what it holds is the measurement, not its clean-up.
    std::fflush(stdout);
    std::_Exit(0);
}

struct Series {
    std::vector<Measure> runs;
    std::string load;  // when the last run ended
    double Best() const {
        double best = 1e30;
        for (const Measure& m : runs) best = std::min(best, m.seconds);
        return best;
    }
    double MedianOf(double Measure::*field) const {
        std::vector<double> v;
        for (const Measure& m : runs) v.push_back(m.*field);
        return bench::Median(v);
    }
    double Growth() const {
        std::vector<double> v;
        for (const Measure& m : runs) v.push_back((m.peakKb - m.beforeKb) / 1024);
        return bench::Median(v);
    }
    double Kept() const {
        std::vector<double> v;
        for (const Measure& m : runs) v.push_back((m.heldKb - m.beforeKb) / 1024);
        return bench::Median(v);
    }
};

Series Run(const char* mode, const std::string& appData, int runs, bench::MemoryState state) {
    Series s;
    for (int i = 0; i < runs; ++i) {
        bench::EnterMemoryState(state);
        bool ok = false;
        const std::string out = bench::RunSelf({"--child", mode, appData}, &ok);
        Measure m;
        if (!ok || std::sscanf(out.c_str(), "%lf %lf %lf %lf %lf %lf", &m.seconds, &m.records,
                               &m.beforeKb, &m.peakKb, &m.heldKb, &m.faults) != 6) {
            std::fprintf(stderr, "the %s process failed\n", mode);
            std::exit(1);
        }
        s.runs.push_back(m);
    }
    s.load = bench::Load();
    return s;
}

constexpr bench::MemoryState kStates[2] = {bench::MemoryState::kTouched, bench::MemoryState::kIdle};

struct Scale {
    const char* name = "";
    std::string appData;
    std::size_t manifest = 0;
    double floor = 0;
    Series scan[2], library[2];  // in each of kStates
};

const char* Verdict(bool ok) {
    return ok ? "met" : "MISSED";
}

bool Report(Scale& s) {
    std::printf(
        "\n%s: %zu manifest records, %.0f records made, %zu runs each (each a fresh "
        "process)\n",
        s.name, s.manifest, s.scan[0].MedianOf(&Measure::records), s.scan[0].runs.size());
    std::printf("  floor (least SQL and manifest work, nothing built): %8.3f s\n", s.floor);
    bool ok = true;
    for (int k = 0; k < 2; ++k) {
        const Series& scanSeries = s.scan[k];
        const Series& librarySeries = s.library[k];
        const double scan = scanSeries.MedianOf(&Measure::seconds);
        const double library = librarySeries.MedianOf(&Measure::seconds);
        std::printf("  %s (load %s):\n", bench::MemoryStateName(kStates[k]),
                    scanSeries.load.c_str());
        std::printf(
            "    DomainIB::ScanTask into records:  best %8.3f s  median %8.3f s  %.2fx to "
            "%.2fx the floor (target at most 3, stretch 2): %s\n",
            scanSeries.Best(), scan, scanSeries.Best() / s.floor, scan / s.floor,
            Verdict(scan <= 3 * s.floor));
        std::printf(
            "    library GetKindData, each freed:  best %8.3f s  median %8.3f s  %.2fx to "
            "%.2fx the floor (target at most 2.5): %s\n",
            librarySeries.Best(), library, librarySeries.Best() / s.floor, library / s.floor,
            Verdict(library <= 2.5 * s.floor));
        const double growth = scanSeries.Growth(), kept = scanSeries.Kept();
        std::printf(
            "    scan memory (median): %.0f MB before, growth to the peak +%.0f MB, kept +%.0f "
            "MB: %.2fx (target at most 1.5): %s\n",
            scanSeries.MedianOf(&Measure::beforeKb) / 1024, growth, kept,
            growth / std::max(1.0, kept), Verdict(growth <= 1.5 * kept));
        std::printf(
            "    page faults during the scan: %.0f (library alone: %.0f; its growth +%.0f MB, "
            "kept +%.0f MB)\n",
            scanSeries.MedianOf(&Measure::faults), librarySeries.MedianOf(&Measure::faults),
            librarySeries.Growth(), librarySeries.Kept());
        ok = bench::FloorHolds("the scan", scanSeries.Best(), s.floor) && ok;
        ok = bench::FloorHolds("the library's GetKindData", librarySeries.Best(), s.floor) && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    if (argc == 4 && std::string(argv[1]) == "--child") return Child(argv[2], argv[3], argv);
    int runs = 3;
    const std::vector<std::string> folders = bench::RunsAndFolders(argc, argv, &runs);
    bench::PrintLoad("at the start");
    std::string temp;
    std::vector<Scale> scales(2);
    scales[0].name = "10x a heavy phone";
    scales[1].name = "50x a heavy phone";
    for (std::size_t i = 0; i < scales.size(); ++i) {
        if (i < folders.size()) {
            scales[i].appData = folders[i];
            continue;
        }
        if (temp.empty()) {
            char pattern[] = "/tmp/domain-scan-bench-XXXXXX";
            if (mkdtemp(pattern) == nullptr) return 1;
            temp = pattern;
        }
        scales[i].appData = temp + "/x" + std::to_string(i == 0 ? 10 : 50);
        std::printf("writing the backup at %s...\n", scales[i].name);
        std::fflush(stdout);
        gen::WriteSampleBackup(bench::BackupFolderIn(scales[i].appData),
                               bench::LargeBackup(i == 0 ? 1 : 5));
    }
    if (folders.size() >= 2 && folders[1] == "-") scales.pop_back();

    bool ok = true;
    for (Scale& s : scales) {
        bench::ScanFloor floor(bench::BackupFolderIn(s.appData), 5);
        s.manifest = floor.Records();
        s.floor = floor.All();
        std::printf("\nthe floor's steps at %s:\n", s.name);
        floor.PrintSteps("  ");
        for (int k = 0; k < 2; ++k) {
            s.scan[k] = Run("scan", s.appData, runs, kStates[k]);
            s.library[k] = Run("library", s.appData, runs, kStates[k]);
        }
        ok = Report(s) && ok;
        bench::PrintLoad("after this scale");
    }
    if (scales.size() == 2) {
        const Scale& a = scales[0];
        const Scale& b = scales[1];
        auto line = [](const char* what, double x, double y) {
            std::printf("  %-40s %10.3f -> %10.3f  %.2fx (linear: at most 5): %s\n", what, x, y,
                        y / x, Verdict(y <= 5 * x));
        };
        std::printf("\nfrom 10x to 50x a heavy phone (medians):\n");
        line("manifest records", static_cast<double>(a.manifest), static_cast<double>(b.manifest));
        line("floor, s", a.floor, b.floor);
        for (int k = 0; k < 2; ++k) {
            std::printf(" %s:\n", bench::MemoryStateName(kStates[k]));
            line("scan, s", a.scan[k].MedianOf(&Measure::seconds),
                 b.scan[k].MedianOf(&Measure::seconds));
            line("library GetKindData, s", a.library[k].MedianOf(&Measure::seconds),
                 b.library[k].MedianOf(&Measure::seconds));
            line("scan memory growth, MB", a.scan[k].Growth(), b.scan[k].Growth());
            line("scan memory kept, MB", a.scan[k].Kept(), b.scan[k].Kept());
            line("scan page faults", a.scan[k].MedianOf(&Measure::faults),
                 b.scan[k].MedianOf(&Measure::faults));
        }
    }
    std::printf(
        "\nA user opens a backup in a program just started, after the machine was left "
        "alone: the figures %s are the ones the user meets.\n",
        bench::MemoryStateName(bench::MemoryState::kIdle));
    if (!temp.empty()) gen::RemoveTree(temp);
    bench::PrintLoad("at the end");
    return ok ? 0 : 1;
}
