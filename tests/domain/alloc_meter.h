// Measures the heap that code allocates: the most bytes that were alive at once, counted from
// Start, on every thread of the test program. The plain build counts through allocation
// functions of its own in front of the C library's; a sanitizer build through the sanitizer's
// allocation hooks.
#pragma once

#include <cstdint>

namespace domain_test {

class AllocMeter {
  public:
    // Starts counting (again) from what is alive now.
    void Start();
    // Stops counting; Peak keeps its value.
    void Stop();
    // The most bytes alive at once above what was alive at Start.
    std::uint64_t Peak() const;
};

}  // namespace domain_test
