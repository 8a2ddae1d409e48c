// Feeds arbitrary bytes to the backup list as a backup's Info.plist and Manifest.plist, and to
// the property-list reader itself.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_options.h"
#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "ib/ib_util.h"

using namespace ib;

namespace {

const std::string& Root() {
    static const std::string root = [] {
        char pattern[] = "/tmp/plistfuzz-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) std::abort();
        const std::string r = std::string(dir) + "/";
        gen::MakeDirs(r + "backup");
        gen::WriteFile(r + "backup/Manifest.mbdb", std::string("mbdb\x05\x00", 6));
        return r;
    }();
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzopts::DefaultMaxLen(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    gen::WriteFile(Root() + "backup/Info.plist", bytes);
    gen::WriteFile(Root() + "backup/Manifest.plist", bytes);
    plist_t parsed = ReadPlistFile((Root() + "backup/Info.plist").c_str());
    plist_free(parsed);
    BackupInfo* head = ListBackupsIn(Root().c_str());
    FreeBackupList(head);
    return 0;
}
