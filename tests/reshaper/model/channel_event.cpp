#include "reshaper/model/channel_event.h"

#include "reshaper/quantity.h"

namespace reshaper {

ChannelEvent::ChannelEvent(uint32_t delta, uint8_t status)
    : MidiEvent(delta, status), dataCount_(dataCountOf(status)) {}

bool ChannelEvent::read(MidiStream& stream, uint32_t& bytes) {
  uint8_t values[2] = {0, 0};
  bytes = stream.read(values, dataCount_);
  data1_ = values[0];
  data2_ = values[1];
  size_ = quantitySize(delta()) + dataCount_ + 1;
  return bytes == dataCount_;
}

bool ChannelEvent::write(MidiStream& stream) const {
  writeDelta(stream);
  if (prev() == nullptr || prev()->status() != status_) stream.writeByte(status_);
  uint8_t values[2] = {data1_, data2_};
  stream.write(values, dataCount_);
  return true;
}

void ChannelEvent::describeKind(EventInfo& info) const {
  info.kind = EventKind::Channel;
  info.data1 = data1_;
  info.data2 = data2_;
}

bool ChannelEvent::applyKind(const EventInfo& info) {
  if (info.dataLength != dataLength()) return false;
  // Only a channel status can stand here; anything else would be written as
  // a different message or as a stray data byte.
  if (info.status < 0x80 || info.status > 0xEF) return false;
  uint32_t count = dataCountOf(info.status);
  status_ = info.status;
  data1_ = info.data1;
  data2_ = info.data2;
  size_ += count - dataCount_;  // wraps back to the right sum
  dataCount_ = count;
  return true;
}

}  // namespace reshaper
