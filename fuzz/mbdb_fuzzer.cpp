// Feeds arbitrary bytes to the manifest parse as a backup's Manifest.mbdb.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "gen/backup_gen.h"
#include "mbdb/mbdb.h"

using namespace ib;

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/mbdbfuzz-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) std::abort();
        return std::string(dir) + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gen::WriteFile(Folder() + "Manifest.mbdb",
                   std::string(reinterpret_cast<const char*>(data), size));
    Mbdb mbdb;
    mbdb.Parse(Folder());
    // Exercise both lookups over whatever was read.
    for (const auto* r : *mbdb.GetRecords()) {
        mbdb.FindMediaFile(r->path);
        if (r->propertyCount) (void)r->properties[r->propertyCount - 1].value.size();
    }
    mbdb.FindStoredFile("Library/SMS/sms.db");
    return 0;
}
