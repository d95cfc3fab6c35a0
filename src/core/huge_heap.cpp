#include "core/huge_heap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define ZERKA_OWN_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZERKA_OWN_MALLOC 1
#endif
#endif

namespace zerka {

bool useHugePageHeap(size_t reserve) {
#if defined(__GLIBC__) && !defined(ZERKA_OWN_MALLOC)
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page <= 0 || reserve < 2 * kHuge) return false;
    // Large blocks (line maps, listings) come from the same heap instead of fresh mappings of
    // their own, and freed memory stays for reuse.
    ::mallopt(M_MMAP_THRESHOLD, int(std::min<size_t>(reserve / 2, size_t(32) << 20)));
    ::mallopt(M_TRIM_THRESHOLD, int(std::min<size_t>(reserve * 2, size_t(1) << 30)));
    // A block larger than the heap's free top makes it grow by the block plus the pad in one
    // step; handed back at once, all of it stays as the heap's free top.
    constexpr size_t kProbe = size_t(1) << 20;
    ::mallopt(M_TOP_PAD, int(std::min<size_t>(reserve, size_t(1) << 30)));
    void* probe = std::malloc(kProbe);
    ::mallopt(M_TOP_PAD, 128 * 1024);
    if (!probe) return false;
    const auto lo = uintptr_t(probe) & ~uintptr_t(page - 1);
    const auto hi = uintptr_t(::sbrk(0));
    bool advised = false;
    // Only when the block came from the heap (not from a mapping of its own).
    if (hi > lo && hi - lo >= reserve && hi - lo <= reserve + kProbe + 2 * kHuge)
        advised = ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE) == 0;
    std::free(probe);
    return advised;
#else
    (void)reserve;
    return false;
#endif
}

} // namespace zerka
