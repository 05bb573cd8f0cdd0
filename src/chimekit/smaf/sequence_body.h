// A sequence body under construction: the bytes of the events of one score
// track, which the encoding appends a message at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "chimekit/smaf/smaf_format.h"
#include "midifile/bytes.h"

namespace chimekit::smaf {

// One message of a sequence, gathered before it goes into a body: a
// duration and a control (0x00, channel and type, value), a note (note
// byte, gate) or a no-operation (0xFF 0x00); five bytes at most.
class TSequenceMessage {
 public:
  // Room kept for a message: a body copies all of it in one move.
  static constexpr size_t kRoom = 8;

  TSequenceMessage& Byte(uint32_t value) {
    if (size_ < kRoom) bytes_[size_++] = static_cast<char>(value & 0xFF);
    return *this;
  }
  // The SMAF length number of n, cut to 16511.
  TSequenceMessage& Length(int64_t n) {
    if (size_ + 2 <= kRoom) size_ += WriteLength(n, &bytes_[size_]);
    return *this;
  }

  const char* data() const { return bytes_.data(); }
  size_t size() const { return size_; }

 private:
  std::array<char, kRoom> bytes_{};
  size_t size_ = 0;
};

// The body keeps room ahead and doubles it when it runs out, so that
// appending a message is a copy, not a call.
class TSequenceBody {
 public:
  void Append(const TSequenceMessage& message) {
    if (capacity_ - size_ < TSequenceMessage::kRoom) Grow();
    std::memcpy(data_.get() + size_, message.data(), TSequenceMessage::kRoom);
    size_ += message.size();
  }
  // Bytes as they are (the "Mtsq" header).
  void Append(midifile::ByteView bytes);

  size_t size() const { return size_; }
  midifile::ByteView View() const { return {data_.get(), size_}; }

 private:
  // Makes room for at least one more message.
  void Grow();

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace chimekit::smaf
