// Timing helpers shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The shortest of runs timings of f, in seconds.
template <class F>
double Best(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t = std::chrono::steady_clock::now();
        f();
        best = std::min(best, Seconds(t));
    }
    return best;
}

}  // namespace bench
