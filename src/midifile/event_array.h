// The events of a loaded file in one block of memory.
#pragma once

#include <cstddef>
#include <type_traits>

#include "midifile/midi_event.h"

namespace midifile {

// The events of all tracks of a file, track after track, in one block. The
// reader makes room once for the most events the file's track chunks can
// hold, lets each track write its events behind those of the track before,
// and at the end gives a large block's unused room back: loading never
// grows or copies the block, and memory that is never written is never
// touched.
class TEventArray {
 public:
  TEventArray() = default;
  ~TEventArray();
  TEventArray(const TEventArray&) = delete;
  TEventArray& operator=(const TEventArray&) = delete;
  TEventArray(TEventArray&& other) noexcept;
  TEventArray& operator=(TEventArray&& other) noexcept;

  // Drops the events and makes room for `capacity` of them; std::bad_alloc
  // when memory runs out.
  void Reserve(size_t capacity);
  // Where the next track writes its events, and how many fit there.
  TMidiEvent* End() { return data_ + size_; }
  size_t Room() const { return capacity_ - size_; }
  // Takes `count` events written at End() into the array.
  void Commit(size_t count) { size_ += count; }
  // Appends one event, making room (twice as much) when there is none;
  // std::bad_alloc when memory runs out. The block may move.
  void Append(const TMidiEvent& event) {
    if (size_ == capacity_) Grow();
    data_[size_++] = event;
  }
  // Gives back the room beyond the events taken in when the block is large;
  // the block may move.
  void Trim();

  TMidiEvent* data() { return data_; }
  size_t size() const { return size_; }

 private:
  // The block holds plain values: it is allocated, shrunk and freed as raw
  // memory.
  static_assert(std::is_trivially_copyable_v<TMidiEvent> && std::is_trivially_destructible_v<TMidiEvent>);
  void Release();
  void Grow();

  TMidiEvent* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace midifile
