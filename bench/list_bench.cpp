// Lists a generated backup whose manifest holds 200,000 records, against a floor measured in the
// same run: read the manifest file and SHA-1 every "domain-path". Target: at most 3x the floor.
#include <gcrypt.h>
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

}  // namespace

int main(int argc, char** argv) {
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
    return listed == keys.size() ? 0 : 1;
}
