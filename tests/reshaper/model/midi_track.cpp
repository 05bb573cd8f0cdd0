#include "reshaper/model/midi_track.h"

#include <cstdint>
#include <memory>

#include "reshaper/model/channel_event.h"
#include "reshaper/model/meta_event.h"
#include "reshaper/model/sysex_event.h"
#include "reshaper/quantity.h"

namespace reshaper {

namespace {

std::unique_ptr<MidiEvent> createEvent(uint32_t delta, uint8_t status) {
  if (status == kMetaStatus) return std::make_unique<MetaEvent>(delta);
  if (status >= 0xF0) return std::make_unique<SysExEvent>(delta, status);
  return std::make_unique<ChannelEvent>(delta, status);
}

// Adds to a chunk's byte count; a count that would pass the largest length
// stays there, so it can never wrap below the chunk's length again.
void addConsumed(uint32_t& consumed, uint32_t bytes) {
  consumed = bytes > UINT32_MAX - consumed ? UINT32_MAX : consumed + bytes;
}

}  // namespace

bool MidiTrack::read(MidiStream& stream) {
  length = 0;
  if (!readChunkHeader(stream) || kind != ChunkKind::Track) return false;
  consumed = 0;
  MidiEvent* last = &events_;
  // A data byte where a status belongs repeats the status of the event
  // before it, whatever its kind: a meta or system-exclusive status is
  // repeated just like a channel status.
  uint8_t previousStatus = 0;
  while (consumed < length) {
    uint32_t delta = 0;
    uint32_t count = 0;
    bool complete = readQuantity(stream, delta, count);
    addConsumed(consumed, count);
    if (!complete) return false;
    uint8_t byte = 0;
    if (!stream.readByte(byte)) return false;
    uint8_t status = byte;
    if (byte >= 0x80) {
      addConsumed(consumed, 1);
    } else {
      // The message's body starts with this byte. Without an event before
      // it there is no status to repeat, and the track is broken.
      if (previousStatus == 0 || !stream.seek(-1, MidiStream::FromCurrent)) return false;
      status = previousStatus;
    }
    previousStatus = status;

    std::unique_ptr<MidiEvent> event = createEvent(delta, status);
    uint32_t bytes = 0;
    if (!event->read(stream, bytes)) break;  // keeps the events read so far
    event->insertAfter(*last);
    last = event.release();
    addConsumed(consumed, bytes);
  }
  return true;
}

bool MidiTrack::write(MidiStream& stream) {
  uint64_t lengthField = stream.written() + 4;
  writeChunkHeader(stream);
  uint32_t total = 0;
  uint8_t previousStatus = events_.status();
  for (const MidiEvent* event = firstEvent(); event != nullptr; event = event->next()) {
    event->write(stream);
    total += writtenSize(*event, previousStatus);
    previousStatus = event->status();
  }
  outLength = total;
  uint8_t field[4] = {static_cast<uint8_t>(total >> 24), static_cast<uint8_t>(total >> 16),
                       static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)};
  stream.overwrite(lengthField, field, 4);
  return true;
}

uint32_t MidiTrack::computeLength() {
  uint32_t total = 0;
  uint8_t previousStatus = events_.status();
  for (const MidiEvent* event = firstEvent(); event != nullptr; event = event->next()) {
    total += writtenSize(*event, previousStatus);
    previousStatus = event->status();
  }
  outLength = total;
  return outLength;
}

uint32_t MidiTrack::writtenSize(const MidiEvent& event, uint8_t previous) {
  // A channel event behind one of the same status leaves its status out.
  bool runningStatus = event.status() < 0xF0 && event.status() == previous;
  return event.size() - (runningStatus ? 1u : 0u);
}

}  // namespace reshaper
