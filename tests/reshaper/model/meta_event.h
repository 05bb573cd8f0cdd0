// A meta event (FF): a type byte and a data block.
#pragma once

#include <memory>

#include "reshaper/event_bytes.h"
#include "reshaper/model/midi_event.h"

namespace reshaper {

class MetaEvent final : public MidiEvent {
 public:
  explicit MetaEvent(uint32_t delta, uint8_t status = kMetaStatus) : MidiEvent(delta, status) {}
  // An End of Track event ready to be written.
  static std::unique_ptr<MetaEvent> endOfTrack(uint32_t delta);

  bool read(MidiStream& stream, uint32_t& bytes) override;
  bool write(MidiStream& stream) const override;
  // Tempo (51): microseconds per quarter note. Time signature (58):
  // numerator | 2^denominator << 8 | clocks << 16 | 32nds << 24. Key
  // signature (59): sharps or flats << 8 | minor. 0 for other types and for
  // blocks too short to hold the value.
  uint32_t value() const override;
  // 1 text events (01 to 09), 2 tempo, 3 time signature, 4 key signature,
  // 0 any other type.
  uint32_t category() const override;

  uint8_t metaType() const { return metaType_; }
  bool isEndOfTrack() const { return metaType_ == kEndOfTrackType; }

 protected:
  void describeKind(EventInfo& info) const override;
  bool applyKind(const EventInfo& info) override;

 private:
  uint8_t metaType_ = 0;
};

}  // namespace reshaper
