#include "midifile/track_reader.h"

#include <cstddef>

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

// Decodes a track's content event by event, without ever reading past its
// end, and hands each event (Time and Duration left 0) to `visit`. Decoding
// stops when fewer than two bytes remain (a lone last byte is ignored) or at
// an event cut off by the end of the content.
template <class Visit>
void DecodeEvents(ByteView content, Visit&& visit) {
  const uint8_t* at = reinterpret_cast<const uint8_t*>(content.data());
  const uint8_t* const end = at + content.size();
  uint8_t running_status = 0;
  while (end - at >= 2) {
    TMidiEvent event;
    uint32_t delta = 0;
    if (!ReadVarLength(at, end, delta) || at == end) return;
    event.DeltaTime = static_cast<int32_t>(delta);
    // Every status byte becomes the running status, meta and system
    // exclusive included; a data byte leaves it in force.
    if (*at >= 0x80) running_status = *at++;
    const uint8_t status = running_status;
    event.Status = status;
    size_t data_bytes = 0;  // F1-FE other than F7, and 0 before any status, carry none
    if ((status >= 0x80 && status <= 0xBF) || (status >= 0xE0 && status <= 0xEF)) data_bytes = 2;
    if (status >= 0xC0 && status <= 0xDF) data_bytes = 1;
    if (static_cast<size_t>(end - at) < data_bytes) return;
    if (data_bytes >= 1) event.Data1 = at[0];
    if (data_bytes == 2) event.Data2 = at[1];
    at += data_bytes;
    if (status == 0xFF) {
      if (at == end) return;
      event.Data1 = *at++;  // the meta type
    }
    if ((status == 0xFF || status == 0xF0 || status == 0xF7) && !ReadData(at, end, event)) return;
    visit(event);
  }
}

}  // namespace

uint32_t ReadTrackEvents(ByteView content, TMidiTrack& track, NotePairing& pairing) {
  pairing.Reset();
  uint32_t tempo = 0;
  DecodeEvents(content, [&](const TMidiEvent& event) {
    track.AddEvent(event, pairing);
    if (!event.IsMeta(0x51)) return;
    ByteView data = event.DataBytes;
    if (data.size() < 3) return;
    uint32_t value = (static_cast<uint32_t>(ByteAt(data, 0)) << 16) | (static_cast<uint32_t>(ByteAt(data, 1)) << 8) |
                     ByteAt(data, 2);
    if (value != 0) tempo = value;
  });
  return tempo;
}

}  // namespace midifile
