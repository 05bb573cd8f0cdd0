// One event of a track as the reader stores it.
//
// Exports walk a track's events (GetEvent, or Events() for a range), change
// a loaded event in place or copy it into a local value and change the
// copy, and write what they keep with the SMF writer helpers, the data
// straight from the event:
//
//   TMidiEvent event = *track.GetEvent(i);
//   event.DeltaTime = new_delta;
//   AppendMetaEvent(out, event.DeltaTime, event.Status, event.Data1, event.Data2, event.DataBytes);
//
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/event_data.h"

namespace midifile {

// SMF formats 0, 1 and 2.
enum class TFileFormat : uint8_t { single = 0, multi_synch = 1, multi_asynch = 2 };

// A plain value of 24 bytes (20 on 32-bit targets): copying one is cheap,
// and an export may copy an event, change any field and write the copy.
struct TMidiEvent {
  // Status in force for the event (after running status): 80-EF channel
  // messages, FF meta, F0/F7 system exclusive, other F1-FE as met, 0 for an
  // event met before any status byte of its track.
  uint8_t Status = 0;
  // First data byte of a channel message; the meta type of a meta event.
  uint8_t Data1 = 0;
  // Second data byte of a two-byte channel message; the low 8 bits of the
  // data length of a meta or system-exclusive event.
  uint8_t Data2 = 0;
  // Delta time in ticks as read from the file.
  int32_t DeltaTime = 0;
  // Absolute time in ticks: the wrapping 32-bit sum of the track's delta
  // times up to and including this event.
  int32_t Time = 0;
  // Note-on paired with a later note-off: the note length in ticks; a
  // paired note-off: -1; anything else: 0.
  int32_t Duration = 0;
  // The data of a meta or system-exclusive event, exactly as long as its
  // length field says; empty for other events. A view into the loaded file
  // (see TEventData): `ByteView data = event.DataBytes;`.
  TEventData DataBytes;

  bool IsMeta(uint8_t type) const { return Status == 0xFF && Data1 == type; }
  bool IsEndOfTrack() const { return IsMeta(0x2F); }
  // Note-on of any velocity (status 9n).
  bool IsNoteOn() const { return (Status & 0xF0) == 0x90; }
  uint8_t Channel() const { return Status & 0x0F; }
};

// Microseconds per quarter note before any tempo event: 120 BPM.
inline constexpr uint32_t kDefaultTempo = 500000;

// The 24-bit value of tempo data (microseconds per quarter note): its first
// three bytes, big-endian, a missing byte counting as 0.
inline uint32_t TempoDataValue(ByteView data) {
  uint32_t value = 0;
  for (size_t i = 0; i < 3; ++i) value = (value << 8) | (i < data.size() ? ByteAt(data, i) : 0u);
  return value;
}

// The tempo a tempo event sets, as the loaded file takes it: its first
// three data bytes; 0 (none) for another event, fewer data bytes or the
// value 0.
inline uint32_t TempoValue(const TMidiEvent& event) {
  const ByteView data = event.IsMeta(0x51) ? event.DataBytes.View() : ByteView();
  return data.size() < 3 ? 0 : TempoDataValue(data);
}

static_assert(sizeof(TMidiEvent) <= 16 + sizeof(void*), "an event stays small");

using PMidiEvent = TMidiEvent*;

}  // namespace midifile
