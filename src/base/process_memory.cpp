#include "base/process_memory.h"

#include <dlfcn.h>
#include <malloc.h>

#ifdef BV_HAVE_MIMALLOC_H
#include <mimalloc.h>
#endif

namespace {

// The allocator is linked into the programs, not into the libraries: its calls are looked up in
// the process, so that code running in a process without it (a test, a sanitizer build) uses
// the C runtime's heap as it is.
template <class F>
F Find(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

using MiCollect = void (*)(bool);
using MiOptionSet = void (*)(int, long);
using TcRelease = void (*)();

}  // namespace

void ProcessMemory::SetUp() {
#ifdef BV_HAVE_MIMALLOC_H
    // A scan builds every kind's property list on fresh memory: in pages of 4 KiB each first
    // touch costs a page fault, which took half the time of a first scan. Large pages (2 MiB)
    // take a fault per 512 of them; every segment is committed at once, a thread's first ones
    // too (the scan's worker starts with none).
    if (auto set = Find<MiOptionSet>("mi_option_set")) {
        set(mi_option_large_os_pages, 1);
        set(mi_option_eager_commit_delay, 0);
    }
#endif
}

void ProcessMemory::ReturnFreed() {
    if (auto collect = Find<MiCollect>("mi_collect")) {
        collect(true);
    } else if (auto release = Find<TcRelease>("MallocExtension_ReleaseFreeMemory")) {
        release();
    } else {
        malloc_trim(0);
    }
}

const char* ProcessMemory::Allocator() {
    if (Find<MiCollect>("mi_collect") != nullptr) return "mimalloc";
    if (Find<TcRelease>("MallocExtension_ReleaseFreeMemory") != nullptr) return "tcmalloc";
    return "glibc";
}
