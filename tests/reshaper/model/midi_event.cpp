#include "reshaper/model/midi_event.h"

#include "reshaper/quantity.h"

namespace reshaper {

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
  if (length > stream.remaining()) {
    // The file ends inside the block: what is there is read and dropped.
    bytes += stream.skip(length);
    data_ = {};
    return false;
  }
  data_.resize(length);
  bytes += stream.read(data_.data(), length);
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
