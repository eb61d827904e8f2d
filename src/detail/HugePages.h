#ifndef ANGIOLITH_SRC_DETAIL_HUGEPAGES_H
#define ANGIOLITH_SRC_DETAIL_HUGEPAGES_H

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace angiolith::detail {

/// Asks the kernel to back a large zero-filled block with huge pages where it supports them: a
/// CT-sized volume is hundreds of megabytes, and faulting it in 4 KiB page by page costs more
/// than the computation that writes it. Only advice; nothing changes if it is not taken.
inline void adviseHugePages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    if (bytes < kWorthIt) return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kPage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace angiolith::detail

#endif
