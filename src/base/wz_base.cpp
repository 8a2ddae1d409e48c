#include "base/wz_base.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

void WzFatal() {
    // The same abnormal end as an integer division by zero; nothing catches it.
    std::raise(SIGFPE);
    std::abort();
}

namespace {

struct Registry {
    std::map<std::uintptr_t, char*> entries;
    long live = 0;
    ~Registry() {
        for (auto& e : entries) std::free(e.second);
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

long TrackAllocation(const char* file, int line, const char* file2, int line2,
                     const void* address) {
    Registry& reg = TheRegistry();
    const auto key = reinterpret_cast<std::uintptr_t>(address);
    if (line2 != 0) {
        const char* f1 = file ? file : "";
        const char* f2 = file2 ? file2 : "";
        const long addr = static_cast<long>(key);
        const int n = std::snprintf(nullptr, 0, "%s:%d:%s:%d:%ld", f1, line, f2, line2, addr);
        char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(n) + 1));
        if (text == nullptr) return reg.live;
        std::snprintf(text, static_cast<std::size_t>(n) + 1, "%s:%d:%s:%d:%ld", f1, line, f2, line2,
                      addr);
        char*& slot = reg.entries[key];
        std::free(slot);
        slot = text;
        ++reg.live;
        return reg.live;
    }
    auto it = reg.entries.find(key);
    if (it == reg.entries.end() || it->second == nullptr) return 0;
    std::free(it->second);
    it->second = nullptr;
    --reg.live;
    return reg.live;
}

void DumpLeaks() {
    Registry& reg = TheRegistry();
    std::printf("leak obj num %ld\n", reg.live);
    for (const auto& e : reg.entries) {
        if (e.second != nullptr) std::puts(e.second);
    }
}

void* TrackedMalloc(const char*, int, std::size_t size) {
    return std::malloc(size);
}
void* TrackedCalloc(const char*, int, std::size_t count, std::size_t size) {
    return std::calloc(count, size);
}
void TrackedFree(const char*, int, void* p) {
    std::free(p);
}
char* TrackedStrdup(const char*, int, const char* text) {
    return text ? strdup(text) : nullptr;
}
