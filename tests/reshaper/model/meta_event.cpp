#include "reshaper/model/meta_event.h"

#include "reshaper/quantity.h"

namespace reshaper {

namespace {
constexpr uint8_t kTempoType = 0x51;
constexpr uint8_t kTimeSignatureType = 0x58;
constexpr uint8_t kKeySignatureType = 0x59;
}  // namespace

std::unique_ptr<MetaEvent> MetaEvent::endOfTrack(uint32_t delta) {
  auto event = std::make_unique<MetaEvent>(0);
  event->metaType_ = kEndOfTrackType;
  event->size_ = quantitySize(0) + event->blockSize() + 2;
  event->setDelta(delta);
  return event;
}

bool MetaEvent::read(MidiStream& stream, uint32_t& bytes) {
  bytes = 0;
  if (!stream.readByte(metaType_)) return false;
  bytes = 1;
  if (!readBlock(stream, bytes)) return false;
  size_ = quantitySize(delta()) + blockSize() + 2;
  return true;
}

bool MetaEvent::write(MidiStream& stream) const {
  writeDelta(stream);
  stream.writeByte(kMetaStatus);
  stream.writeByte(metaType_);
  writeBlock(stream);
  return true;
}

uint32_t MetaEvent::value() const {
  const std::vector<uint8_t>& d = data_;
  switch (metaType_) {
    case kTempoType:
      if (d.size() < 3) return 0;
      return (uint32_t{d[0]} << 16) | (uint32_t{d[1]} << 8) | d[2];
    case kTimeSignatureType: {
      if (d.size() < 4) return 0;
      // The denominator is stored as a power of two, kept to 8 bits.
      uint32_t denominator = d[1] < 8 ? (1u << d[1]) : 0u;
      return d[0] | (denominator << 8) | (uint32_t{d[2]} << 16) | (uint32_t{d[3]} << 24);
    }
    case kKeySignatureType:
      if (d.size() < 2) return 0;
      return (uint32_t{d[0]} << 8) | d[1];
    default:
      return 0;
  }
}

uint32_t MetaEvent::category() const {
  if (metaType_ >= 0x01 && metaType_ <= 0x09) return 1;
  switch (metaType_) {
    case kTempoType:
      return 2;
    case kTimeSignatureType:
      return 3;
    case kKeySignatureType:
      return 4;
    default:
      return 0;
  }
}

void MetaEvent::describeKind(EventInfo& info) const {
  info.kind = EventKind::Meta;
  info.metaType = metaType_;
}

bool MetaEvent::applyKind(const EventInfo& info) {
  if (info.kind != EventKind::Meta || info.status != kMetaStatus) return false;
  if (info.dataLength > 0 && !info.data.empty() && !replaceBlock(info.data)) return false;
  metaType_ = info.metaType;
  return true;
}

}  // namespace reshaper
