#include "reshaper/midi_event.h"

#include <algorithm>

#include "reshaper/quantity.h"

namespace reshaper {

namespace {
// Data blocks are read in pieces of this size, so that a damaged length
// field cannot make the reader reserve memory for bytes the file lacks.
constexpr uint32_t kBlockPiece = 64 * 1024;
}  // namespace

void MidiEvent::describe(EventInfo& info) const {
  info.clear();
  info.delta = delta_;
  info.status = status_;
  info.dataLength = dataLength();
  info.data = data_;
  describeKind(info);
}

bool MidiEvent::apply(const EventInfo& info) {
  uint32_t previous = delta_;
  setDelta(info.delta);
  if (applyKind(info)) return true;
  setDelta(previous);
  return false;
}

void MidiEvent::setDelta(uint32_t value) {
  if (value > kMaxQuantity) return;
  size_ += quantitySize(value) - quantitySize(delta_);  // wraps back to the right sum
  delta_ = value;
}

bool MidiEvent::readBlock(MidiStream& stream, uint32_t& bytes) {
  uint32_t length = 0;
  uint32_t count = 0;
  bool complete = readQuantity(stream, length, count);
  bytes += count;
  if (!complete) return false;
  data_.clear();
  while (data_.size() < length) {
    size_t start = data_.size();
    uint32_t piece = std::min<uint32_t>(kBlockPiece, length - static_cast<uint32_t>(start));
    data_.resize(start + piece);
    uint32_t got = stream.read(data_.data() + start, piece);
    bytes += got;
    if (got < piece) {
      data_ = {};
      return false;
    }
  }
  return true;
}

void MidiEvent::writeBlock(MidiStream& stream) const {
  writeQuantity(stream, dataLength());
  if (!data_.empty()) stream.write(data_.data(), dataLength());
}

uint32_t MidiEvent::blockSize() const { return quantitySize(dataLength()) + dataLength(); }

bool MidiEvent::replaceBlock(const std::vector<uint8_t>& block) {
  if (block.size() > kMaxQuantity) return false;
  uint32_t before = blockSize();
  data_ = block;
  size_ += blockSize() - before;  // wraps back to the right sum
  return true;
}

void MidiEvent::writeDelta(MidiStream& stream) const { writeQuantity(stream, delta_); }

}  // namespace reshaper
