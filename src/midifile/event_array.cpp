#include "midifile/event_array.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace midifile {
namespace {

// From this size on glibc maps every block afresh and unmaps it when it is
// freed; below it, once a block of a size was freed, later ones of that
// size come from memory it keeps, whose pages are already there.
constexpr size_t kLargeBlock = size_t{32} << 20;

// A block for `bytes` bytes; null when memory runs out. Filling a fresh
// block page by page costs one page fault per 4 KiB, which dominates the
// load of a large file (every large block is fresh). On Linux a large block
// is therefore aligned to 2 MiB and offered to the kernel for transparent
// huge pages: one fault per 2 MiB where the system allows them.
void* AllocateBlock(size_t bytes) {
#if defined(__linux__)
  constexpr size_t kHugePage = size_t{2} << 20;
  if (bytes >= kLargeBlock) {
    void* block = nullptr;
    if (posix_memalign(&block, kHugePage, bytes) != 0) return nullptr;
    madvise(block, bytes, MADV_HUGEPAGE);  // advice only: without it the block is simply in small pages
    return block;
  }
#endif
  return std::malloc(bytes);
}

}  // namespace

TEventArray::~TEventArray() { Release(); }

TEventArray::TEventArray(TEventArray&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TEventArray& TEventArray::operator=(TEventArray&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void TEventArray::Reserve(size_t capacity) {
  Release();
  if (capacity == 0) return;
  if (capacity > SIZE_MAX / sizeof(TMidiEvent)) throw std::bad_alloc();
  data_ = static_cast<TMidiEvent*>(AllocateBlock(capacity * sizeof(TMidiEvent)));
  if (data_ == nullptr) throw std::bad_alloc();
  capacity_ = capacity;
}

void TEventArray::Grow() {
  const size_t capacity = capacity_ < 16 ? 16 : capacity_ * 2;
  if (capacity > SIZE_MAX / sizeof(TMidiEvent)) throw std::bad_alloc();
  void* block = std::realloc(data_, capacity * sizeof(TMidiEvent));
  if (block == nullptr) throw std::bad_alloc();
  data_ = static_cast<TMidiEvent*>(block);
  capacity_ = capacity;
}

void TEventArray::Trim() {
  // A smaller block keeps its room: memory never written costs nothing, and
  // the allocator serves the next block of its size from the same pages.
  if (size_ == capacity_ || capacity_ * sizeof(TMidiEvent) < kLargeBlock) return;
  if (size_ == 0) {
    Release();
    return;
  }
  // Shrinking in place; should it fail, the block simply stays as large.
  if (void* block = std::realloc(data_, size_ * sizeof(TMidiEvent))) {
    data_ = static_cast<TMidiEvent*>(block);
    capacity_ = size_;
  }
}

void TEventArray::Release() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

}  // namespace midifile
