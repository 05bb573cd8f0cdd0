#include "reshaper/file_buffer.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace reshaper {

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

bool isLarge(size_t bytes) { return bytes >= kLargePage; }

// Whole large pages, so that the buffer's last part is one too.
size_t roundedUp(size_t bytes) {
  return bytes > SIZE_MAX - (kLargePage - 1) ? bytes : (bytes + kLargePage - 1) & ~(kLargePage - 1);
}

}  // namespace

void* allocateFileBuffer(size_t bytes) {
  if (!isLarge(bytes)) return ::operator new(bytes);
  size_t rounded = roundedUp(bytes);
  void* data = ::operator new(rounded, std::align_val_t{kLargePage});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: without transparent huge pages the buffer just has small ones.
  madvise(data, rounded, MADV_HUGEPAGE);
#endif
  return data;
}

void freeFileBuffer(void* data, size_t bytes) noexcept {
  if (!isLarge(bytes)) {
    ::operator delete(data);
  } else {
    ::operator delete(data, std::align_val_t{kLargePage});
  }
}

}  // namespace reshaper
