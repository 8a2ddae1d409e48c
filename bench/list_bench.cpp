// Lists a generated backup whose manifest holds 200,000 records, against a floor measured in the
// same run: the least work of any listing, which reads the three files (Info.plist,
// Manifest.plist, Manifest.mbdb) in pieces of 64 KiB, walks every record of the manifest field by
// field and computes the SHA-1 of every record's "domain-path" (the stored file's name), keeping
// nothing. Each listing is the first of a fresh process (this program run again), as the program
// lists once when it starts. Target: at most 2x the floor; a floor that the listing beats is no
// lower bound and fails the benchmark.
//
// Then the peak memory of listing a backup whose manifest is 100 MB, as a ratio to the file's
// size (the floor: what holding the file itself takes). Target: at most 3x. That listing too runs
// in a fresh process of its own, so that the generator's memory is not counted.
//
// Usage: list_bench [records]   (default 200000)
#include <gcrypt.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/process_memory.h"
#include "bench_util.h"
#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "manifest_walk.h"
#include "mbdb/mbdb.h"
#include "util/gcrypt_init.h"

namespace {

using bench::Best;
using bench::Seconds;

// The process's peak resident memory so far, in bytes (VmHWM).
long long PeakBytes() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long long kb = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmHWM: %lld kB", &kb) == 1) break;
    }
    std::fclose(f);
    return kb < 0 ? -1 : kb * 1024;
}

// In the fresh process: lists the backups under root and prints the growth of the peak.
int ListAndPrintPeak(const char* root) {
    const long long before = PeakBytes();
    BackupInfo* head = ListBackupsIn(root);
    const long long after = PeakBytes();
    const std::size_t listed = head ? head->mbdb->GetRecords()->size() : 0;
    FreeBackupList(head);
    std::printf("%lld %zu\n", after - before, listed);
    return listed > 0 ? 0 : 1;
}

// Peak memory of listing a backup whose manifest is about 100 MB.
int PeakOfLargeManifest(const char* self) {
    char pattern[] = "/tmp/listbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string root = std::string(pattern) + "/";
    {
        gen::BackupBuilder builder(root + "backup", 5);
        // Filler records average about 115 bytes.
        builder.AddFiller(900000);
        builder.Write();
    }
    struct stat st;
    if (stat((root + "backup/Manifest.mbdb").c_str(), &st) != 0) return 1;
    int channel[2];
    if (pipe(channel) != 0) return 1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(channel[1], 1);
        execl(self, self, "--peak", root.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    char answer[128] = {0};
    std::size_t got = 0;
    for (ssize_t n; got < sizeof answer - 1 &&
                    (n = read(channel[0], answer + got, sizeof answer - 1 - got)) > 0;) {
        got += static_cast<std::size_t>(n);
    }
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    gen::RemoveTree(pattern);
    long long peak = 0;
    std::size_t listed = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(answer, "%lld %zu", &peak, &listed) != 2) {
        std::printf("  peak memory: the listing process failed\n");
        return 1;
    }
    const double size = static_cast<double>(st.st_size);
    const double ratio = static_cast<double>(peak) / size;
    std::printf("  peak memory of listing a %.1f MB manifest (%zu records): %.1f MB\n", size / 1e6,
                listed, static_cast<double>(peak) / 1e6);
    std::printf("  ratio to the file's size: %.2f (target <= 3.00) %s\n", ratio,
                ratio <= 3.0 ? "OK" : "OVER");
    return 0;
}

// In the fresh process: the seconds of listing the backups under root.
int ListAndPrintTime(const char* root) {
    const auto start = std::chrono::steady_clock::now();
    BackupInfo* head = ListBackupsIn(root);
    const double seconds = Seconds(start);
    const std::size_t listed = head ? head->mbdb->GetRecords()->size() : 0;
    std::printf("%.6f %zu\n", seconds, listed);
    std::fflush(stdout);
    std::_Exit(listed > 0 ? 0 : 1);
}

// The floor: the three files read in pieces, every manifest record walked and hashed.
std::size_t Floor(const std::string& folder) {
    volatile unsigned sink = 0;
    sink = sink + static_cast<unsigned>(bench::ReadInPieces(folder + "Info.plist"));
    sink = sink + static_cast<unsigned>(bench::ReadInPieces(folder + "Manifest.plist"));
    std::size_t records = 0;
    static const char kDash = '-';
    bench::WalkManifest(folder + "Manifest.mbdb",
                        [&](std::string_view domain, std::string_view path) {
                            gcry_buffer_t parts[3] = {};
                            parts[0].data = const_cast<char*>(domain.data());
                            parts[0].len = domain.size();
                            parts[1].data = const_cast<char*>(&kDash);
                            parts[1].len = 1;
                            parts[2].data = const_cast<char*>(path.data());
                            parts[2].len = path.size();
                            unsigned char digest[20];
                            gcry_md_hash_buffers(GCRY_MD_SHA1, 0, digest, parts, 3);
                            sink = sink + digest[0];
                            ++records;
                        });
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    if (argc == 3 && std::string(argv[1]) == "--peak") return ListAndPrintPeak(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--time") return ListAndPrintTime(argv[2]);
    bench::PrintLoad("at the start");
    std::size_t records = 200000;
    if (argc > 1) records = std::strtoul(argv[1], nullptr, 10);
    char pattern[] = "/tmp/listbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string root = std::string(pattern) + "/";
    const std::string folder = root + "backup/";
    {
        gen::BackupBuilder builder(root + "backup", 3);
        builder.AddFiller(records);
        builder.Write();
        records = builder.Records().size();
    }

    InitGcrypt();
    std::size_t walked = 0;
    const double floor = Best(5, [&] { walked = Floor(folder); });
    double list = 1e30;
    std::size_t listed = 0;
    for (int run = 0; run < 5; ++run) {
        bool ok = false;
        const std::string out = bench::RunSelf({"--time", root}, &ok);
        double seconds = 0;
        if (!ok || std::sscanf(out.c_str(), "%lf %zu", &seconds, &listed) != 2) {
            std::printf("  the listing process failed\n");
            return 1;
        }
        list = std::min(list, seconds);
    }
    gen::RemoveTree(pattern);
    const double n = static_cast<double>(records);
    std::printf("list_bench: %zu manifest records (%zu walked by the floor, %zu listed)\n", records,
                walked, listed);
    std::printf(
        "  floor (three files read in 64 KiB pieces, every record walked and hashed): "
        "%8.3f ms  %7.1f ns/record\n",
        floor * 1e3, floor / n * 1e9);
    std::printf(
        "  ListBackups, first in a fresh process (best of 5):                          "
        "%8.3f ms  %7.1f ns/record\n",
        list * 1e3, list / n * 1e9);
    std::printf("  ratio: %.2f (target <= 2.00) %s\n", list / floor,
                list / floor <= 2.0 ? "OK" : "OVER");
    bool ok = bench::FloorHolds("the listing", list, floor);
    if (listed != records || walked != records) return 1;
    ok = PeakOfLargeManifest("/proc/self/exe") == 0 && ok;
    bench::PrintLoad("at the end");
    return ok ? 0 : 1;
}
