#include "chimekit/smaf/sequence_body.h"

#include <algorithm>
#include <stdexcept>

#include "midifile/buffer.h"

namespace chimekit::smaf {

void TSequenceBody::Append(midifile::ByteView bytes) {
  if (bytes.empty()) return;
  Reserve(bytes.size());
  std::memcpy(data_.get() + size_, bytes.data(), bytes.size());
  size_ += bytes.size();
}

void TSequenceBody::Grow(size_t more) {
  constexpr size_t kFirstRoom = 256;
  size_t capacity = std::max(capacity_, kFirstRoom);
  while (capacity - size_ < more) {
    if (capacity > SIZE_MAX / 2) throw std::length_error("SMAF sequence too large");
    capacity *= 2;
  }
  std::unique_ptr<char[]> data = midifile::MakeBufferForOverwrite<char>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

}  // namespace chimekit::smaf
