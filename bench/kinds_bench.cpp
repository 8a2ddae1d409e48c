// Reads all eleven kinds of a large generated backup, against a floor measured in the same run:
// the readers' own SQL texts through sqlite3_exec with an empty callback, and one parse of the
// history file. Each kind's time includes freeing its property list. Targets: the total at most 2x
// the floor, and no kind growing faster than its input (a run at double every count at most 2.3x
// the run at single counts).
//
// kinds_bench [SCALE]   SCALE multiplies every count (default 1: the sizes below).
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_util.h"
#include "gen/backup_gen.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "ib/ib_util.h"
#include "kind/sqlite_db.h"
#include "mbdb/mbdb.h"
#include "sql_floor.h"

namespace {

using bench::Best;
using bench::Seconds;

const char* const kKindNames[kKindCount] = {"calls", "contacts", "messages", "attachments",
                                            "notes", "safari",   "calendar", "reminders",
                                            "memos", "camera",   "photos"};
// The program's scan order: the call history first, whose name fill reads the address book.
const std::uint32_t kScanOrder[kKindCount] = {0, 4, 5, 6, 7, 1, 2, 3, 8, 9, 10};

struct Run {
    double kind[kKindCount] = {};
    double floor[kKindCount] = {};
    std::size_t entries[kKindCount] = {};
    std::size_t records = 0;
    double Total() const {
        double t = 0;
        for (double k : kind) t += k;
        return t;
    }
    double FloorTotal() const {
        double t = 0;
        for (double k : floor) t += k;
        return t;
    }
};

Run Measure(double scale) {
    gen::SampleOptions o;
    o.seed = 11;
    o.scale = scale;
    o.filler = 76000;
    o.calls = 10000;
    o.namedCalls = 0;
    o.contacts = 20000;
    o.chats = 2000;
    o.messages = 100000;
    o.attachments = 1000;
    o.notes = 5000;
    o.history = 10000;
    o.bookmarks = 10000;
    o.calendarItems = 10000;
    o.photos = 20000;
    o.memos = 2000;
    o.smallMedia = true;
    char pattern[] = "/tmp/kindsbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::exit(1);
    const std::string root = std::string(pattern) + "/Backup/";
    const std::string folder = root + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778/";
    std::fprintf(stderr, "kinds_bench: writing the backup at scale %.0f...\n", scale);
    gen::WriteSampleBackup(folder, o);

    Run run;
    for (std::uint32_t k = 0; k < kKindCount; ++k)
        run.floor[k] = bench::FloorOf(folder, k, SqliteDb::ImmutableUri, ReadPlistFile);
    // Each round reads every kind of a freshly listed backup, in scan order; the best round of
    // five counts per kind.
    for (double& t : run.kind) t = 1e30;
    for (int round = 0; round < 5; ++round) {
        BackupInfo* head = ListBackupsIn(root.c_str());
        if (head == nullptr) std::exit(1);
        run.records = head->mbdb->GetRecords()->size();
        for (std::uint32_t k : kScanOrder) {
            // Freeing the result is part of the work of reading a kind.
            const auto t = std::chrono::steady_clock::now();
            plist_t data = GetKindData(head, k);
            run.entries[k] = data ? plist_array_get_size(data) : 0;
            plist_free(data);
            run.kind[k] = std::min(run.kind[k], Seconds(t));
        }
        FreeBackupList(head);
    }
    gen::RemoveTree(pattern);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::strtod(argv[1], nullptr) : 1.0;
    setenv("TZ", "UTC", 1);
    tzset();
    const Run single = Measure(scale);
    const Run twice = Measure(scale * 2);
    std::printf("kinds_bench: %zu manifest records (%zu at double counts)\n", single.records,
                twice.records);
    std::printf("  %-12s %9s %10s %10s %7s %11s\n", "kind", "entries", "time ms", "floor ms",
                "ratio", "growth x2");
    bool ok = true;
    for (std::uint32_t k : kScanOrder) {
        const double growth = twice.kind[k] / single.kind[k];
        const bool grows = growth > 2.3;
        ok = ok && !grows;
        std::printf("  %-12s %9zu %10.2f %10.2f %7s %10.2f%s\n", kKindNames[k], single.entries[k],
                    single.kind[k] * 1e3, single.floor[k] * 1e3,
                    single.floor[k] > 0
                        ? std::to_string(single.kind[k] / single.floor[k]).substr(0, 5).c_str()
                        : "-",
                    growth, grows ? " OVER" : "");
    }
    const double ratio = single.Total() / single.FloorTotal();
    const double growth = twice.Total() / single.Total();
    std::printf("  %-12s %9s %10.2f %10.2f %7.2f %10.2f\n", "total", "", single.Total() * 1e3,
                single.FloorTotal() * 1e3, ratio, growth);
    std::printf("  total against the floor: %.2f (target <= 2.00) %s\n", ratio,
                ratio <= 2.0 ? "OK" : "OVER");
    std::printf("  growth at double counts: %.2f (target <= 2.30; every kind too) %s\n", growth,
                ok && growth <= 2.3 ? "OK" : "OVER");
    return 0;
}
