#include "alloc_meter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define BV_SANITIZED_ALLOCATOR 1
// The sanitizers' allocator interface (not every compiler ships its header).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                              void (*onFree)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* block);
}
#endif

namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::int64_t> g_alive{0};
std::atomic<std::int64_t> g_peak{0};

void Allocated(std::size_t bytes) {
    if (!g_counting.load(std::memory_order_relaxed)) return;
    const std::int64_t alive =
        g_alive.fetch_add(static_cast<std::int64_t>(bytes)) + static_cast<std::int64_t>(bytes);
    std::int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (alive > peak && !g_peak.compare_exchange_weak(peak, alive)) {
    }
}

void Freed(std::size_t bytes) {
    if (!g_counting.load(std::memory_order_relaxed)) return;
    g_alive.fetch_sub(static_cast<std::int64_t>(bytes));
}

}  // namespace

#ifdef BV_SANITIZED_ALLOCATOR

namespace {

void OnMalloc(const volatile void*, std::size_t size) {
    Allocated(size);
}
void OnFree(const volatile void* block) {
    Freed(__sanitizer_get_allocated_size(block));
}

[[maybe_unused]] const bool g_hooked =
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;

}  // namespace

#else

// The C library's own allocation functions, behind the ones below.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) {
    void* block = __libc_malloc(size);
    if (block != nullptr) Allocated(malloc_usable_size(block));
    return block;
}
void* calloc(std::size_t count, std::size_t size) {
    void* block = __libc_calloc(count, size);
    if (block != nullptr) Allocated(malloc_usable_size(block));
    return block;
}
void* realloc(void* block, std::size_t size) {
    const std::size_t old = block != nullptr ? malloc_usable_size(block) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved != nullptr) {
        Freed(old);
        Allocated(malloc_usable_size(moved));
    } else if (size == 0) {
        Freed(old);
    }
    return moved;
}
void* memalign(std::size_t alignment, std::size_t size) {
    void* block = __libc_memalign(alignment, size);
    if (block != nullptr) Allocated(malloc_usable_size(block));
    return block;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}
void* valloc(std::size_t size) {
    void* block = __libc_valloc(size);
    if (block != nullptr) Allocated(malloc_usable_size(block));
    return block;
}
void* pvalloc(std::size_t size) {
    void* block = __libc_pvalloc(size);
    if (block != nullptr) Allocated(malloc_usable_size(block));
    return block;
}
void free(void* block) {
    if (block != nullptr) Freed(malloc_usable_size(block));
    __libc_free(block);
}
}

#endif

namespace domain_test {

void AllocMeter::Start() {
    g_counting = false;
    g_alive = 0;
    g_peak = 0;
    g_counting = true;
}

void AllocMeter::Stop() {
    g_counting = false;
}

std::uint64_t AllocMeter::Peak() const {
    return static_cast<std::uint64_t>(g_peak.load());
}

}  // namespace domain_test
