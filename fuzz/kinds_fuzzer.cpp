// Feeds arbitrary bytes, as one device database or Safari history file of a generated backup,
// through every kind reader.
#include <cstddef>
#include <cstdint>

#include "kinds_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kindsfuzz::Harness harness;
    harness.Run(data, size);
    return 0;
}
