// Large blocks that the reader and the MIDI writer fill from their first
// byte to their last: on Linux, the 2 MiB pieces inside such a block are
// offered to the kernel for transparent huge pages, so that filling it
// costs one page fault per 2 MiB where the system allows them, not one per
// 4 KiB (on the project's virtual machines each costs 10 to 15 µs).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace chimekit::smafread::detail {

// Advice only: without it the block is simply in small pages. Call it
// before the block's pages are first written.
inline void OfferHugePages(void* block, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (bytes < 2 * kHugePage) return;
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)bytes;
#endif
}

}  // namespace chimekit::smafread::detail
