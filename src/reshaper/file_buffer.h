// Memory for the bytes of a whole file. Buffers of 2 MiB and more start on a
// 2 MiB boundary and, where the system offers it, are backed by large pages:
// filling megabytes then costs a handful of page faults instead of one per
// 4 KiB page, and on virtual machines page faults can cost more than the
// whole conversion besides. A buffer that grows is not zero-filled: its
// owner writes every byte it keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace reshaper {

// Throws std::bad_alloc when the memory is not there.
void* allocateFileBuffer(size_t bytes);
void freeFileBuffer(void* data, size_t bytes) noexcept;

template <class T>
struct FileBufferAllocator {
  using value_type = T;

  FileBufferAllocator() = default;
  template <class U>
  FileBufferAllocator(const FileBufferAllocator<U>&) noexcept {}

  T* allocate(size_t count) {
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocateFileBuffer(count * sizeof(T)));
  }
  void deallocate(T* data, size_t count) noexcept { freeFileBuffer(data, count * sizeof(T)); }

  // New elements are left uninitialised rather than zeroed.
  template <class U>
  void construct(U* element) noexcept {
    ::new (static_cast<void*>(element)) U;
  }

  template <class U>
  bool operator==(const FileBufferAllocator<U>&) const noexcept {
    return true;
  }
};

using FileBytes = std::vector<uint8_t, FileBufferAllocator<uint8_t>>;

}  // namespace reshaper
