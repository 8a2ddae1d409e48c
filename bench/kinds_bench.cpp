// Reads the kinds of the large backup (ten times a heavy phone) and of the same at fifty times a
// heavy phone through the library's GetKindData, against the floors of bench/scan_floor.h
// measured in the same run: each kind read alone (a freshly listed backup, so a kind pays for
// everything it needs, as the floor of that kind alone does), and all kinds in the scan's order
// on one listed backup (what kinds share read once, against the floor of all kinds together).
// Every reading is the first of a fresh process (this program run again); each kind's time
// includes freeing its property list.
//
// Targets: all kinds together at most 2.5x their floor; from 10x to 50x no kind and not the total
// growing more than linearly (5x). A floor that the code beats fails the benchmark.
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
    double seconds = 1e30;
    std::size_t entries = 0;
};

Timing Measure(const std::string& root, const std::string& which, int runs) {
    Timing t;
    for (int i = 0; i < runs; ++i) {
        bool ok = false;
        const std::string out = bench::RunSelf({"--child", root, which}, &ok);
        double s = 0;
        std::size_t n = 0;
        if (!ok || std::sscanf(out.c_str(), "%lf %zu", &s, &n) != 2) {
            std::fprintf(stderr, "kinds_bench: the process reading %s failed\n", which.c_str());
            std::exit(1);
        }
        t.seconds = std::min(t.seconds, s);
        t.entries = n;
    }
    return t;
}

struct Scale {
    const char* name = "";
    std::string appData;
    std::size_t records = 0;
    Timing kind[kKindCount];
    double floor[kKindCount] = {};
    Timing all;
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
            s.kind[k] = Measure(root, std::to_string(k), runs);
        }
        s.allFloor = floor.All();
        s.all = Measure(root, "all", runs);
        std::printf("\nkinds_bench, %s: %zu manifest records; best of %d fresh processes each\n",
                    s.name, s.records, runs);
        std::printf("  %-12s %9s %10s %10s %7s\n", "kind alone", "entries", "time ms", "floor ms",
                    "ratio");
        for (std::uint32_t k : kScanOrder) {
            std::printf("  %-12s %9zu %10.2f %10.2f %7.2f\n", kKindNames[k], s.kind[k].entries,
                        s.kind[k].seconds * 1e3, s.floor[k] * 1e3, s.kind[k].seconds / s.floor[k]);
            ok = bench::FloorHolds(kKindNames[k], s.kind[k].seconds, s.floor[k]) && ok;
        }
        const double ratio = s.all.seconds / s.allFloor;
        std::printf(
            "  all kinds in scan order: %.2f ms against %.2f ms: %.2fx (target at most "
            "2.5): %s\n",
            s.all.seconds * 1e3, s.allFloor * 1e3, ratio, ratio <= 2.5 ? "met" : "MISSED");
        ok = bench::FloorHolds("all kinds", s.all.seconds, s.allFloor) && ok;
        bench::PrintLoad("after this scale");
    }
    std::printf("\nfrom 10x to 50x a heavy phone (linear: at most 5x):\n");
    std::printf("  %-12s %8s %8s\n", "kind alone", "time", "floor");
    for (std::uint32_t k : kScanOrder) {
        const double growth = scales[1].kind[k].seconds / scales[0].kind[k].seconds;
        std::printf("  %-12s %7.2fx %7.2fx%s\n", kKindNames[k], growth,
                    scales[1].floor[k] / scales[0].floor[k],
                    growth <= 5 ? "" : "  MORE THAN LINEAR");
    }
    const double growth = scales[1].all.seconds / scales[0].all.seconds;
    std::printf("  %-12s %7.2fx %7.2fx%s\n", "all kinds", growth,
                scales[1].allFloor / scales[0].allFloor, growth <= 5 ? "" : "  MORE THAN LINEAR");
    if (!temp.empty()) gen::RemoveTree(temp);
    bench::PrintLoad("at the end");
    return ok ? 0 : 1;
}
