// A channel message (status 80 to EF) with its one or two data bytes.
#pragma once

#include "reshaper/event_bytes.h"
#include "reshaper/model/midi_event.h"

namespace reshaper {

class ChannelEvent final : public MidiEvent {
 public:
  ChannelEvent(uint32_t delta, uint8_t status);

  bool read(MidiStream& stream, uint32_t& bytes) override;
  // Leaves out the status byte when the event before it in the list has the
  // same status (running status).
  bool write(MidiStream& stream) const override;

  uint8_t data1() const { return data1_; }
  uint8_t data2() const { return data2_; }
  uint32_t dataCount() const { return dataCount_; }

 protected:
  void describeKind(EventInfo& info) const override;
  bool applyKind(const EventInfo& info) override;

 private:
  uint8_t data1_ = 0;
  uint8_t data2_ = 0;
  uint32_t dataCount_ = 0;
};

}  // namespace reshaper
