#include "midifile/track_reader.h"

#include <array>
#include <cstddef>
#include <stdexcept>

#include "midifile/rounding.h"

namespace midifile {
namespace {

// A variable-length quantity of any number of bytes, read without passing
// `end`; bits shifted beyond 32 fall away.
bool ReadVarLength(const uint8_t*& at, const uint8_t* end, uint32_t& value) {
  value = 0;
  uint8_t byte = 0;
  do {
    if (at == end) return false;
    byte = *at++;
    value = (value << 7) | (byte & 0x7Fu);
  } while (byte & 0x80);
  return true;
}

// A length field and that many bytes, of which the event keeps a view.
// The view starts at most five bytes before the data: earlier bytes of a
// long length field only carry bits that fall away.
bool ReadData(const uint8_t*& at, const uint8_t* end, TMidiEvent& event) {
  const uint8_t* field = at;
  uint32_t length = 0;
  if (!ReadVarLength(at, end, length) || length > static_cast<size_t>(end - at)) return false;
  if (at - field > 5) field = at - 5;
  event.DataBytes = TEventData(reinterpret_cast<const char*>(field));
  event.Data2 = static_cast<uint8_t>(length & 0xFF);
  at += length;
  return true;
}

// Data bytes of a channel message by the high four bits of its status; a
// missing status (0) and F0-FF carry none of these.
constexpr std::array<uint8_t, 16> kDataBytes = {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 2, 0};

// Decodes a track's content event by event, without ever reading past its
// end, and hands each event (Time and Duration left 0) to `visit`, which
// may change it. Decoding stops when fewer than two bytes remain (a lone
// last byte is ignored) or at an event cut off by the end of the content.
template <class Visit>
void DecodeEvents(ByteView content, Visit&& visit) {
  const uint8_t* at = reinterpret_cast<const uint8_t*>(content.data());
  const uint8_t* const end = at + content.size();
  uint8_t running_status = 0;
  while (end - at >= 2) {
    TMidiEvent event;
    // Most delta times are one byte.
    uint32_t delta = *at;
    if (delta < 0x80) {
      ++at;
    } else if (!ReadVarLength(at, end, delta)) {
      return;
    }
    if (at == end) return;
    event.DeltaTime = static_cast<int32_t>(delta);
    // Every status byte becomes the running status, meta and system
    // exclusive included; a data byte leaves it in force.
    if (*at >= 0x80) running_status = *at++;
    const uint8_t status = running_status;
    event.Status = status;
    if (status < 0xF0) {
      const size_t data_bytes = kDataBytes[status >> 4];
      if (static_cast<size_t>(end - at) < data_bytes) return;
      if (data_bytes >= 1) event.Data1 = at[0];
      if (data_bytes == 2) event.Data2 = at[1];
      at += data_bytes;
    } else if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      if (status == 0xFF) {
        if (at == end) return;
        event.Data1 = *at++;  // the meta type
      }
      if (!ReadData(at, end, event)) return;
    }  // other F1-FE carry nothing
    visit(event);
  }
}

}  // namespace

uint32_t ReadTrackEvents(ByteView content, TMidiTrack& track, NotePairing& pairing) {
  pairing.Reset();
  // The count, the running time and the names stay in local variables
  // while the events are written, and go to the track at the end.
  TMidiEvent* const events = track.Storage();
  const size_t room = track.Room();
  size_t count = 0;
  size_t to_end = 0;  // 0 until the first end of track
  int32_t time = 0;
  TEventData track_name;
  TEventData instrument_name;
  uint32_t tempo = 0;
  DecodeEvents(content, [&](TMidiEvent& event) {
    if (count == room) throw std::length_error("more events than the track's storage holds");
    time = WrappingAdd(time, event.DeltaTime);
    event.Time = time;
    const uint8_t kind = event.Status & 0xF0;
    if (kind == 0x80 || kind == 0x90) {
      PairNote(events, count, event, pairing);
    } else if (event.Status == 0xFF) {
      if (event.Data1 == 0x03) track_name = event.DataBytes;
      if (event.Data1 == 0x04) instrument_name = event.DataBytes;
      if (const uint32_t value = TempoValue(event)) tempo = value;
      if (event.Data1 == 0x2F && to_end == 0) to_end = count + 1;
    }
    events[count++] = event;
  });
  track.FinishReading(count, to_end == 0 ? count : to_end, track_name, instrument_name);
  return tempo;
}

}  // namespace midifile
