#include "midifile/event_array.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace midifile {

TEventArray::~TEventArray() { std::free(data_); }

TEventArray::TEventArray(const TEventArray& other) {
  Resize(other.size_);
  if (other.size_ > 0) std::memcpy(data_, other.data_, other.size_ * sizeof(TMidiEvent));
  size_ = other.size_;
}

TEventArray& TEventArray::operator=(const TEventArray& other) {
  if (this != &other) *this = TEventArray(other);
  return *this;
}

TEventArray::TEventArray(TEventArray&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TEventArray& TEventArray::operator=(TEventArray&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void TEventArray::Reserve(size_t capacity) {
  size_ = 0;
  if (capacity <= capacity_) return;
  // Nothing to keep: a fresh block, not a copy of the old one.
  std::free(data_);
  data_ = nullptr;
  capacity_ = 0;
  Resize(capacity);
}

void TEventArray::Trim() {
  if (size_ == capacity_) return;
  if (size_ == 0) {
    Resize(0);
    return;
  }
  // Shrinking in place; should it fail, the block simply stays as large.
  if (void* block = std::realloc(data_, size_ * sizeof(TMidiEvent))) {
    data_ = static_cast<TMidiEvent*>(block);
    capacity_ = size_;
  }
}

void TEventArray::Resize(size_t capacity) {
  if (capacity == 0) {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    return;
  }
  if (capacity > SIZE_MAX / sizeof(TMidiEvent)) throw std::bad_alloc();
  void* block = std::realloc(data_, capacity * sizeof(TMidiEvent));
  if (block == nullptr) throw std::bad_alloc();
  data_ = static_cast<TMidiEvent*>(block);
  capacity_ = capacity;
}

}  // namespace midifile
