// Reading the content of one MTrk chunk into a track.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_track.h"
#include "midifile/rounding.h"

namespace midifile {

// The most events a track chunk's content can hold: every event takes at
// least one byte, and one starts only while two or more bytes are left.
inline size_t MostEvents(ByteView content) { return content.size() < 2 ? 0 : content.size() - 1; }

// Reads the events of a track chunk's content into an empty track whose
// storage has room for MostEvents(content): running status, meta and
// system-exclusive data (kept as views into `content`, which must outlive
// the track), absolute times and note pairing. An event cut off by the end
// of the content is dropped with whatever follows it.
//
// Returns the value of the chunk's last tempo event that has one (three
// data bytes, not 0), or 0 when there is none.
uint32_t ReadTrackEvents(ByteView content, TMidiTrack& track, NotePairing& pairing);

// Pairs a note-off (8n, or 9n of velocity 0) with the nearest earlier 9n
// event of its channel and key, whatever that one's velocity and whether or
// not it was paired before, setting both Durations; remembers a 9n event as
// the next to pair. `index` is the event's place among the track's
// `events`, whose Time fields are set up to it.
inline void PairNote(TMidiEvent* events, size_t index, TMidiEvent& event, NotePairing& pairing) {
  const bool note_on = (event.Status & 0xF0) == 0x90;
  if (!note_on || event.Data2 == 0) {
    const int32_t found = pairing.Find(static_cast<uint8_t>(0x90 | (event.Status & 0x0F)), event.Data1);
    if (found != NotePairing::kNone) {
      TMidiEvent& paired = events[static_cast<size_t>(found)];
      paired.Duration = WrappingSub(event.Time, paired.Time);
      event.Duration = -1;
    }
  }
  if (note_on) pairing.Remember(event.Status, event.Data1, static_cast<int32_t>(index));
}

}  // namespace midifile
