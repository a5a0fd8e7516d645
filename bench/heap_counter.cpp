// Replacement of the global allocation functions that keeps the counters of
// heap_counter.h.  Sizes come from malloc_usable_size, so the figures include
// the allocator's rounding, as real memory use does (but not its headers).
#include "bench/heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};
std::atomic<std::int64_t> allocations{0};

void* allocate(std::size_t size, std::size_t alignment = 0) {
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                    : std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const std::int64_t live = liveBytes.fetch_add(std::int64_t(malloc_usable_size(p)), std::memory_order_relaxed) +
                              std::int64_t(malloc_usable_size(p));
    allocations.fetch_add(1, std::memory_order_relaxed);
    std::int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

void release(void* p) noexcept {
    if (!p) return;
    liveBytes.fetch_sub(std::int64_t(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

namespace vesper::bench {

HeapCounters heapCounters() {
    return {liveBytes.load(), peakBytes.load(), allocations.load()};
}

void resetHeapPeak() { peakBytes.store(liveBytes.load()); }

}  // namespace vesper::bench

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return allocate(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocate(size, std::size_t(a)); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
