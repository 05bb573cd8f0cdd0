// A system-exclusive or other system event (F0 to FE): a data block behind
// the status byte.
#pragma once

#include "reshaper/model/midi_event.h"

namespace reshaper {

class SysExEvent final : public MidiEvent {
 public:
  SysExEvent(uint32_t delta, uint8_t status) : MidiEvent(delta, status) {}

  bool read(MidiStream& stream, uint32_t& bytes) override;
  bool write(MidiStream& stream) const override;

 protected:
  void describeKind(EventInfo& info) const override { info.kind = EventKind::SysEx; }
  bool applyKind(const EventInfo& info) override;
};

}  // namespace reshaper
