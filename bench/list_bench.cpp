// Lists a generated backup whose manifest holds 200,000 records, against a floor measured in the
// same run: read the manifest file and SHA-1 every "domain-path". Target: at most 3x the floor.
//
// Then the peak memory of listing a backup whose manifest is 100 MB, as a ratio to the file's
// size (the floor: what holding the file itself takes). Target: at most 3x. The listing runs in
// a fresh process of its own, so that the generator's memory is not counted.
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

#include "bench_util.h"
#include "gen/backup_gen.h"
#include "ib/backup_list.h"
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
    std::printf("  peak memory of listing a %.1f MB manifest (%zu records): %.1f MB\n",
                size / 1e6, listed, static_cast<double>(peak) / 1e6);
    std::printf("  ratio to the file's size: %.2f (target <= 3.00) %s\n", ratio,
                ratio <= 3.0 ? "OK" : "OVER");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak") return ListAndPrintPeak(argv[2]);
    std::size_t records = 200000;
    if (argc > 1) records = std::strtoul(argv[1], nullptr, 10);
    char pattern[] = "/tmp/listbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string root = std::string(pattern) + "/";
    gen::BackupBuilder builder(root + "backup", 3);
    builder.AddFiller(records);
    builder.Write();
    std::vector<std::string> keys;
    keys.reserve(builder.Records().size());
    for (const auto& r : builder.Records()) keys.push_back(r.domain + "-" + r.path);
    const std::string manifest = root + "backup/Manifest.mbdb";

    InitGcrypt();
    volatile unsigned sink = 0;
    const double floor = Best(5, [&] {
        const std::string bytes = gen::ReadFile(manifest);
        unsigned char digest[20];
        for (const auto& k : keys) {
            gcry_md_hash_buffer(GCRY_MD_SHA1, digest, k.data(), k.size());
            sink = sink + digest[0];
        }
        sink = sink + static_cast<unsigned>(bytes.size());
    });
    std::size_t listed = 0;
    const double list = Best(5, [&] {
        BackupInfo* head = ListBackupsIn(root.c_str());
        listed = head ? head->mbdb->GetRecords()->size() : 0;
        FreeBackupList(head);
    });
    gen::RemoveTree(pattern);
    const double n = static_cast<double>(keys.size());
    std::printf("list_bench: %zu manifest records (%zu parsed)\n", keys.size(), listed);
    std::printf("  floor (read + SHA-1 per record): %8.3f ms  %7.1f ns/record\n", floor * 1e3,
                floor / n * 1e9);
    std::printf("  ListBackups + FreeBackupList:    %8.3f ms  %7.1f ns/record\n", list * 1e3,
                list / n * 1e9);
    std::printf("  ratio: %.2f (target <= 3.00) %s\n", list / floor,
                list / floor <= 3.0 ? "OK" : "OVER");
    if (listed != keys.size()) return 1;
    return PeakOfLargeManifest("/proc/self/exe");
}
