#include "chimekit/smaf/sequence_body.h"

#include <stdexcept>

namespace chimekit::smaf {

void TSequenceBody::Append(midifile::ByteView bytes) {
  for (char byte : bytes) Append(TSequenceMessage().Byte(static_cast<uint8_t>(byte)));
}

void TSequenceBody::Grow() {
  constexpr size_t kFirstRoom = 256;
  if (capacity_ > SIZE_MAX / 2) throw std::length_error("SMAF sequence too large");
  const size_t capacity = capacity_ == 0 ? kFirstRoom : 2 * capacity_;
  std::unique_ptr<char[]> data = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

}  // namespace chimekit::smaf
