// The events of one track in one block of memory.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

#include "midifile/midi_event.h"

namespace midifile {

// One block of events. The reader makes room once for the most events a
// chunk's bytes can hold, appends what it reads and then gives the room it
// did not use back in place: loading never grows or copies the block, and
// memory that is never written is never touched.
class TEventArray {
 public:
  TEventArray() = default;
  ~TEventArray();
  TEventArray(const TEventArray& other);
  TEventArray& operator=(const TEventArray& other);
  TEventArray(TEventArray&& other) noexcept;
  TEventArray& operator=(TEventArray&& other) noexcept;

  // Drops the events and makes room for `capacity` of them; std::bad_alloc
  // when memory runs out.
  void Reserve(size_t capacity);
  // Appends an event; beyond the room made the block grows.
  void Append(const TMidiEvent& event) {
    if (size_ == capacity_) Grow();
    data_[size_++] = event;
  }
  // Gives back the room beyond the events appended.
  void Trim();

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  TMidiEvent& operator[](size_t index) { return data_[index]; }
  const TMidiEvent& operator[](size_t index) const { return data_[index]; }
  TMidiEvent& back() { return data_[size_ - 1]; }
  const TMidiEvent& back() const { return data_[size_ - 1]; }
  std::span<TMidiEvent> Span() { return {data_, size_}; }
  std::span<const TMidiEvent> Span() const { return {data_, size_}; }

 private:
  // The block holds plain values: it is allocated, resized and freed as
  // raw memory.
  static_assert(std::is_trivially_copyable_v<TMidiEvent> && std::is_trivially_destructible_v<TMidiEvent>);
  void Resize(size_t capacity);
  void Grow() { Resize(capacity_ < 8 ? 8 : capacity_ * 2); }

  TMidiEvent* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace midifile
