#include "reshaper/model/sysex_event.h"

#include "reshaper/quantity.h"

namespace reshaper {

bool SysExEvent::read(MidiStream& stream, uint32_t& bytes) {
  bytes = 0;
  if (!readBlock(stream, bytes)) return false;
  size_ = quantitySize(delta()) + blockSize() + 1;
  return true;
}

bool SysExEvent::write(MidiStream& stream) const {
  writeDelta(stream);
  stream.writeByte(status_);
  writeBlock(stream);
  return true;
}

bool SysExEvent::applyKind(const EventInfo& info) {
  if (info.kind != EventKind::SysEx || info.status < 0xF0 || info.status == 0xFF) return false;
  if (info.dataLength > 0 && !info.data.empty() && !replaceBlock(info.data)) return false;
  status_ = info.status;
  return true;
}

}  // namespace reshaper
