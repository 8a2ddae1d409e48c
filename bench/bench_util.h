// Helpers shared by the benchmarks: timing, the machine's load, the process's memory, floors that
// must stay below what they bound, and measurements run in a fresh process of their own.
#pragma once

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
inline std::string Load() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (f == nullptr) return "unknown";
    double a = 0, b = 0, c = 0;
    const int n = std::fscanf(f, "%lf %lf %lf", &a, &b, &c);
    std::fclose(f);
    if (n != 3) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", a, b, c);
    return text;
}

inline void PrintLoad(const char* when) {
    std::printf("load average (1, 5, 15 min) %s: %s\n", when, Load().c_str());
    std::fflush(stdout);
}

// Kilobytes of a "Vm...:" line of /proc/self/status ("VmRSS", "VmHWM"), -1 when missing.
inline long StatusKb(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, n) == 0 && line[n] == ':')
            kb = std::strtol(line + n + 1, nullptr, 10);
    }
    std::fclose(f);
    return kb;
}

// Starts a new peak of the resident memory (VmHWM) at the current size.
inline void ResetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// Page faults of this process so far (minor and major).
inline long PageFaults() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// A floor is a lower bound: when the code under test takes less, the floor counts work that a
// correct program need not do, and every ratio against it misleads. Prints what was beaten and
// returns false then.
inline bool FloorHolds(const char* what, double code, double floor) {
    if (code >= floor) return true;
    std::printf(
        "FLOOR BEATEN: %s took %.4f s, less than its floor of %.4f s; the floor is not a "
        "lower bound\n",
        what, code, floor);
    return false;
}

// Runs this program again (from /proc/self/exe) with args, in a fresh process, and returns what
// it printed on its standard output; ok is false when it did not end with status 0.
inline std::string RunSelf(const std::vector<std::string>& args, bool* ok) {
    *ok = false;
    int channel[2];
    if (pipe(channel) != 0) return "";
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return "";
    if (pid == 0) {
        dup2(channel[1], 1);
        close(channel[0]);
        close(channel[1]);
        std::vector<char*> argv;
        static char self[] = "/proc/self/exe";
        argv.push_back(self);
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(self, argv.data());
        _exit(127);
    }
    close(channel[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return out;
}

// The arguments "[--runs N] [FOLDER ...]" of the benchmarks that take backups: N at least 1
// (runs as given when absent), the folders in order.
inline std::vector<std::string> RunsAndFolders(int argc, char** argv, int* runs) {
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc) {
            *runs = std::max(1, std::atoi(argv[++i]));
        } else {
            folders.push_back(argv[i]);
        }
    }
    return folders;
}

// The median of the values (the mean of the middle two for an even count); 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Figures of several fresh processes: the best and the median, with the load when they ended.
struct Spread {
    std::vector<double> values;
    std::string load;
    void Add(double v) {
        values.push_back(v);
        load = Load();
    }
    double Best() const {
        return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
    }
    double Median() const { return bench::Median(values); }
    // "best X median Y" with each value scaled and printed with format.
    std::string Text(const char* format, double scale = 1) const {
        char best[32], median[32];
        std::snprintf(best, sizeof best, format, Best() * scale);
        std::snprintf(median, sizeof median, format, Median() * scale);
        return std::string("best ") + best + " median " + median;
    }
};

// runs timings of f, in seconds.
template <class F>
Spread Times(int runs, F f) {
    Spread s;
    for (int i = 0; i < runs; ++i) {
        const auto t = std::chrono::steady_clock::now();
        f();
        s.Add(Seconds(t));
    }
    return s;
}

// The memory a fresh process meets when it starts. The pages a process touches for the first
// time are cleared by the kernel; a virtual machine also hands pages that stayed free for a few
// seconds back to its host, which must then provide them again. A user opens a backup in the
// program just started, after the machine was left alone: memory freed seconds ago is rare then,
// so kIdle is the state the user meets; kTouched shows the same work without the host's part.
enum class MemoryState {
    kTouched,  // right after another process touched 2 GB and freed it by ending
    kIdle,     // after 10 s in which the benchmark ran nothing
};

inline const char* MemoryStateName(MemoryState state) {
    return state == MemoryState::kTouched ? "right after 2 GB were touched and freed"
                                          : "after 10 s idle";
}

// Brings the machine into state, right before the fresh process that is measured.
inline void EnterMemoryState(MemoryState state) {
    if (state == MemoryState::kIdle) {
        std::this_thread::sleep_for(std::chrono::seconds(10));
        return;
    }
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        constexpr std::size_t kBytes = std::size_t(2) << 30;
        void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) _exit(1);
        auto* bytes = static_cast<volatile unsigned char*>(p);
        for (std::size_t at = 0; at < kBytes; at += 4096) bytes[at] = 1;
        _exit(0);
    }
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

}  // namespace bench
