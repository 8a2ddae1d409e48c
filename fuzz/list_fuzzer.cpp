// Feeds arbitrary bytes to the whole listing path as a backup folder's "Info.plist",
// "Manifest.plist" and "Manifest.mbdb", then reads every kind of the backup.
#include <cstddef>
#include <cstdint>

#include "fuzz_options.h"
#include "list_fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzopts::DefaultMaxLen(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static listfuzz::Harness harness;
    harness.Run(data, size);
    return 0;
}
