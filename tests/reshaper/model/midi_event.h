// The events of a track, one class per kind, held in an intrusive list that
// owns them. Every event knows the bytes it takes in a written track, so a
// track's length is one pass over its events.
#pragma once

#include <cstdint>
#include <vector>

#include "reshaper/model/event_info.h"
#include "reshaper/model/list_links.h"
#include "reshaper/midi_stream.h"

namespace reshaper {

class MidiEvent : public ListLinks<MidiEvent> {
 public:
  MidiEvent(uint32_t delta, uint8_t status) : status_(status), delta_(delta) {}
  virtual ~MidiEvent() = default;
  MidiEvent(const MidiEvent&) = delete;
  MidiEvent& operator=(const MidiEvent&) = delete;

  // Reads the body; delta and status are known already. bytes receives the
  // body bytes consumed, also on failure.
  virtual bool read(MidiStream& stream, uint32_t& bytes) = 0;
  // Writes delta, status (where the event needs it) and body.
  virtual bool write(MidiStream& stream) const = 0;
  // A meta event's number (tempo, time or key signature), else 0.
  virtual uint32_t value() const { return 0; }
  // A meta event's group (text, tempo, time or key signature), else 0.
  virtual uint32_t category() const { return 0; }

  // Fills info from the event; the data block is copied.
  void describe(EventInfo& info) const;
  // Takes delta and the kind's fields from info. On false nothing changed.
  bool apply(const EventInfo& info);

  // Ignored above the largest four-byte quantity; size follows the change.
  void setDelta(uint32_t value);

  uint32_t delta() const { return delta_; }
  uint32_t size() const { return size_; }
  uint8_t status() const { return status_; }
  uint32_t dataLength() const { return static_cast<uint32_t>(data_.size()); }
  const std::vector<uint8_t>& data() const { return data_; }

 protected:
  virtual void describeKind(EventInfo& info) const = 0;
  virtual bool applyKind(const EventInfo& info) = 0;

  // A data block as meta and system-exclusive events store it: its length
  // as a quantity, then the bytes. A length beyond the end of the file
  // fails before any memory is taken for it.
  bool readBlock(MidiStream& stream, uint32_t& bytes);
  void writeBlock(MidiStream& stream) const;
  // Bytes the block takes in a written track: its length's quantity and it.
  uint32_t blockSize() const;
  // Takes a copy of block; size follows the change. False (and no change)
  // for a block too long to store.
  bool replaceBlock(const std::vector<uint8_t>& block);

  void writeDelta(MidiStream& stream) const;

  uint32_t size_ = 0;
  uint8_t status_ = 0;
  std::vector<uint8_t> data_;

 private:
  uint32_t delta_ = 0;
};

// Heads a track's event list; never written.
class EventListHead final : public MidiEvent {
 public:
  EventListHead() : MidiEvent(0, 0) {}
  bool read(MidiStream&, uint32_t& bytes) override {
    bytes = 0;
    return false;
  }
  bool write(MidiStream&) const override { return false; }

 protected:
  void describeKind(EventInfo& info) const override { info.kind = EventKind::ListHead; }
  bool applyKind(const EventInfo&) override { return false; }
};

}  // namespace reshaper
