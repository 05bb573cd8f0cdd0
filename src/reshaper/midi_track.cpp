#include "reshaper/midi_track.h"

#include <memory>

#include "reshaper/channel_event.h"
#include "reshaper/meta_event.h"
#include "reshaper/quantity.h"
#include "reshaper/sysex_event.h"

namespace reshaper {

namespace {

std::unique_ptr<MidiEvent> createEvent(uint32_t delta, uint8_t status) {
  if (status == kMetaStatus) return std::make_unique<MetaEvent>(delta);
  if (status >= 0xF0) return std::make_unique<SysExEvent>(delta, status);
  return std::make_unique<ChannelEvent>(delta, status);
}

}  // namespace

bool MidiTrack::read(MidiStream& stream) {
  length = 0;
  if (!readChunkHeader(stream) || kind != ChunkKind::Track) return false;
  consumed = 0;
  MidiEvent* last = &events_;
  // Running status continues the last channel status of this track; meta
  // and system-exclusive events do not take part in it.
  uint8_t runningStatus = 0;
  while (consumed < length) {
    uint32_t delta = 0;
    uint32_t count = 0;
    bool complete = readQuantity(stream, delta, count);
    consumed += count;
    if (!complete) return false;
    uint8_t byte = 0;
    if (!stream.readByte(byte)) return false;
    uint8_t status = byte;
    if (byte >= 0x80) {
      consumed += 1;
    } else {
      // A data byte: the message repeats the running status, and its body
      // starts with this byte. Without a status to repeat the track is broken.
      if (runningStatus == 0 || !stream.seek(-1, MidiStream::FromCurrent)) return false;
      status = runningStatus;
    }
    if (status < 0xF0) runningStatus = status;

    std::unique_ptr<MidiEvent> event = createEvent(delta, status);
    uint32_t bytes = 0;
    if (!event->read(stream, bytes)) break;  // keeps the events read so far
    event->insertAfter(*last);
    last = event.release();
    consumed += bytes;
  }
  return true;
}

bool MidiTrack::write(MidiStream& stream) const {
  writeChunkHeader(stream);
  for (const MidiEvent* event = firstEvent(); event != nullptr; event = event->next()) event->write(stream);
  return true;
}

uint32_t MidiTrack::computeLength() {
  uint32_t total = 0;
  uint8_t previousStatus = events_.status();
  for (const MidiEvent* event = firstEvent(); event != nullptr; event = event->next()) {
    total += event->size();
    if (event->status() < 0xF0 && event->status() == previousStatus) total -= 1;
    previousStatus = event->status();
  }
  outLength = total;
  return outLength;
}

}  // namespace reshaper
