// Reads the kinds of the large backup (ten times a heavy phone) and of the same at fifty times a
// heavy phone through the library's GetKindData, against the floors of bench/scan_floor.h
// measured in the same run: each kind read alone (a freshly listed backup, so a kind pays for
// everything it needs, as the floor of that kind alone does), and all kinds in the scan's order
// on one listed backup (what kinds share read once, against the floor of all kinds together).
// Every reading is the first of a fresh process (this program run again); each kind's time
// includes freeing its property list.
//
// Each kind alone is read right after another process touched 2 GB and freed them; all kinds
// together also after 10 s idle, the state a user opening a backup meets (bench::MemoryState).
// Every figure is printed as the best and the median of its runs.
//
// Targets: all kinds together at most 2.5x their floor, on the median; from 10x to 50x no kind
// and not the total growing more than linearly (5x). A floor that the code beats fails the
// benchmark.
//
// Usage: kinds_bench [--runs N] [APPDATA10 [APPDATA50]]   (as domain_scan_bench takes them;
//        without them both backups are written to a temporary folder)
#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/process_memory.h"
#include "bench_util.h"
#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "large_backup.h"
#include "scan_floor.h"

using namespace ib;

namespace {

using bench::Seconds;

const char* const kKindNames[kKindCount] = {"calls", "contacts", "messages", "attachments",
                                            "notes", "safari",   "calendar", "reminders",
                                            "memos", "camera",   "photos"};
// The program's scan order: the call history first, whose name fill reads the address book.
const std::uint32_t kScanOrder[kKindCount] = {0, 4, 5, 6, 7, 1, 2, 3, 8, 9, 10};

std::string RootOf(const std::string& appData) {
    return appData + "/Apple Computer/MobileSync/Backup/";
}

// In the fresh process: lists the backups under root and reads one kind ("0" to "10") or all of
// them in scan order ("all"); prints the seconds and the entries read.
int Child(const std::string& root, const std::string& which) {
    BackupInfo* head = ListBackupsIn(root.c_str());
    if (head == nullptr) return 1;
    std::vector<std::uint32_t> kinds;
    if (which == "all") {
        kinds.assign(std::begin(kScanOrder), std::end(kScanOrder));
    } else {
        kinds.push_back(static_cast<std::uint32_t>(std::atoi(which.c_str())));
    }
    std::size_t entries = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t k : kinds) {
        plist_t data = GetKindData(head, k);
        entries += data ? plist_array_get_size(data) : 0;
        plist_free(data);
    }
    std::printf("%.6f %zu\n", Seconds(start), entries);
    std::fflush(stdout);
    std::_Exit(0);
}

struct Timing {
    bench::Spread seconds;
    std::size_t entries = 0;
};

Timing Measure(const std::string& root, const std::string& which, int runs,
               bench::MemoryState state) {
    Timing t;
    for (int i = 0; i < runs; ++i) {
        bench::EnterMemoryState(state);
        bool ok = false;
        const std::string out = bench::RunSelf({"--child", root, which}, &ok);
        double s = 0;
        std::size_t n = 0;
        if (!ok || std::sscanf(out.c_str(), "%lf %zu", &s, &n) != 2) {
            std::fprintf(stderr, "kinds_bench: the process reading %s failed\n", which.c_str());
            std::exit(1);
        }
        t.seconds.Add(s);
        t.entries = n;
    }
    return t;
}

constexpr bench::MemoryState kStates[2] = {bench::MemoryState::kTouched, bench::MemoryState::kIdle};

struct Scale {
    const char* name = "";
    std::string appData;
    std::size_t records = 0;
    Timing kind[kKindCount];  // right after 2 GB were touched and freed
    double floor[kKindCount] = {};
    Timing all[2];  // in each of kStates
    double allFloor = 0;
};

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    if (argc == 4 && std::string(argv[1]) == "--child") return Child(argv[2], argv[3]);
    setenv("TZ", "UTC", 1);
    tzset();
    int runs = 3;
    const std::vector<std::string> folders = bench::RunsAndFolders(argc, argv, &runs);
    bench::PrintLoad("at the start");
    std::string temp;
    Scale scales[2];
    scales[0].name = "10x a heavy phone";
    scales[1].name = "50x a heavy phone";
    for (int i = 0; i < 2; ++i) {
        if (i < static_cast<int>(folders.size())) {
            scales[i].appData = folders[i];
            continue;
        }
        if (temp.empty()) {
            char pattern[] = "/tmp/kindsbench-XXXXXX";
            if (mkdtemp(pattern) == nullptr) return 1;
            temp = pattern;
        }
        scales[i].appData = temp + "/x" + std::to_string(i == 0 ? 10 : 50);
        std::fprintf(stderr, "kinds_bench: writing the backup at %s...\n", scales[i].name);
        gen::WriteSampleBackup(bench::BackupFolderIn(scales[i].appData),
                               bench::LargeBackup(i == 0 ? 1 : 5));
    }

    bool ok = true;
    for (Scale& s : scales) {
        const std::string root = RootOf(s.appData);
        bench::ScanFloor floor(bench::BackupFolderIn(s.appData), 5);
        s.records = floor.Records();
        for (std::uint32_t k = 0; k < kKindCount; ++k) {
            s.floor[k] = floor.Kind(k);
            s.kind[k] = Measure(root, std::to_string(k), runs, kStates[0]);
        }
        s.allFloor = floor.All();
        for (int m = 0; m < 2; ++m) s.all[m] = Measure(root, "all", runs, kStates[m]);
        std::printf("\nkinds_bench, %s: %zu manifest records; %d fresh processes each\n", s.name,
                    s.records, runs);
        std::printf("  each kind alone, %s (load %s):\n", bench::MemoryStateName(kStates[0]),
                    s.kind[kKindCount - 1].seconds.load.c_str());
        std::printf("  %-12s %9s %10s %10s %10s %7s %7s\n", "kind", "entries", "best ms",
                    "median ms", "floor ms", "best", "median");
        for (std::uint32_t k : kScanOrder) {
            const bench::Spread& t = s.kind[k].seconds;
            std::printf("  %-12s %9zu %10.2f %10.2f %10.2f %6.2fx %6.2fx\n", kKindNames[k],
                        s.kind[k].entries, t.Best() * 1e3, t.Median() * 1e3, s.floor[k] * 1e3,
                        t.Best() / s.floor[k], t.Median() / s.floor[k]);
            ok = bench::FloorHolds(kKindNames[k], t.Best(), s.floor[k]) && ok;
        }
        for (int m = 0; m < 2; ++m) {
            const bench::Spread& t = s.all[m].seconds;
            const double ratio = t.Median() / s.allFloor;
            std::printf(
                "  all kinds in scan order, %s (load %s): best %.2f ms, median %.2f ms against "
                "%.2f ms: %.2fx to %.2fx (target at most 2.5, on the median): %s\n",
                bench::MemoryStateName(kStates[m]), t.load.c_str(), t.Best() * 1e3,
                t.Median() * 1e3, s.allFloor * 1e3, t.Best() / s.allFloor, ratio,
                ratio <= 2.5 ? "met" : "MISSED");
            ok = bench::FloorHolds("all kinds", t.Best(), s.allFloor) && ok;
        }
        bench::PrintLoad("after this scale");
    }
    std::printf("\nfrom 10x to 50x a heavy phone, medians (linear: at most 5x):\n");
    std::printf("  %-12s %8s %8s\n", "kind alone", "time", "floor");
    for (std::uint32_t k : kScanOrder) {
        const double growth =
            scales[1].kind[k].seconds.Median() / scales[0].kind[k].seconds.Median();
        std::printf("  %-12s %7.2fx %7.2fx%s\n", kKindNames[k], growth,
                    scales[1].floor[k] / scales[0].floor[k],
                    growth <= 5 ? "" : "  MORE THAN LINEAR");
    }
    for (int m = 0; m < 2; ++m) {
        const double growth = scales[1].all[m].seconds.Median() / scales[0].all[m].seconds.Median();
        std::printf("  %-12s %7.2fx %7.2fx%s  (%s)\n", "all kinds", growth,
                    scales[1].allFloor / scales[0].allFloor,
                    growth <= 5 ? "" : "  MORE THAN LINEAR", bench::MemoryStateName(kStates[m]));
    }
    std::printf(
        "\nA user opens a backup in a program just started, after the machine was left "
        "alone: the figures %s are the ones the user meets.\n",
        bench::MemoryStateName(bench::MemoryState::kIdle));
    if (!temp.empty()) gen::RemoveTree(temp);
    bench::PrintLoad("at the end");
    return ok ? 0 : 1;
}
