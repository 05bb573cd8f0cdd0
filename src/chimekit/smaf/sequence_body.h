// A sequence body under construction: the bytes of the events of one score
// track, which the encoding appends a message at a time.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "chimekit/smaf/smaf_format.h"
#include "midifile/bytes.h"

namespace chimekit::smaf {

// The body keeps room ahead for a whole message and doubles it when it runs
// out, so that a message is written straight into place (TSequenceMessage).
class TSequenceBody {
 public:
  // A message is five bytes at most: a duration (two) and a control (0x00,
  // channel and type, value), a note byte and a gate (two), or a
  // no-operation (0xFF 0x00).
  static constexpr size_t kMessageRoom = 8;

  // Where the next message goes, with room for kMessageRoom bytes.
  char* Room() {
    if (capacity_ - size_ < kMessageRoom) Grow();
    return data_.get() + size_;
  }
  // Takes the bytes written into Room() up to `end`.
  void Took(const char* end) { size_ = static_cast<size_t>(end - data_.get()); }
  // Bytes as they are (the "Mtsq" header).
  void Append(midifile::ByteView bytes);
  // Room for at least `bytes` more bytes.
  void Reserve(size_t bytes) {
    if (capacity_ - size_ < bytes) Grow(bytes);
  }

  size_t size() const { return size_; }
  midifile::ByteView View() const { return {data_.get(), size_}; }

 private:
  // Makes room for at least `more` bytes ahead.
  void Grow(size_t more = kMessageRoom);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// One message, written into the body's room as it is put together and
// taken into the body at the end of the statement that makes it:
//   TSequenceMessage(body).Length(duration).Byte(0xFF).Byte(0x00);
// The messages of the encoding fit the room by their make (see
// kMessageRoom); a debug build checks it.
class TSequenceMessage {
 public:
  explicit TSequenceMessage(TSequenceBody& body) : body_(body), start_(body.Room()), at_(start_) {}
  ~TSequenceMessage() {
    assert(static_cast<size_t>(at_ - start_) <= TSequenceBody::kMessageRoom);
    body_.Took(at_);
  }
  TSequenceMessage(const TSequenceMessage&) = delete;
  TSequenceMessage& operator=(const TSequenceMessage&) = delete;

  TSequenceMessage& Byte(uint32_t value) {
    *at_++ = static_cast<char>(value & 0xFF);
    return *this;
  }
  // The SMAF length number of n, cut to 16511.
  TSequenceMessage& Length(int64_t n) {
    at_ += WriteLength(n, at_);
    return *this;
  }

 private:
  TSequenceBody& body_;
  char* const start_;
  char* at_;
};

}  // namespace chimekit::smaf
