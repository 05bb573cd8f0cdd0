// Re-timing: a song written again at one tempo, each event at its real time
// as a player times it (every tempo change counted), on a grid of whole
// milliseconds.
//
// The song that comes out has division 500 and one tempo event of 500,000
// microseconds per quarter note (120 BPM) at the start of its first track
// (of every track in a format 2 file): one tick is one millisecond, so any
// later conversion that times the song at one tempo times it as it plays.
// Each event's time is its real time rounded (halves to even) to a multiple
// of the grid, so no event moves by more than half a grid step and nothing
// drifts over a long song. Format and tracks stay; each track is written up
// to its first end of track, its events in their order with full status
// bytes: channel messages, and meta events whole (text, names, markers),
// tempo events left out. System exclusive, other F1-FE events and events
// before any status byte are left out too. A track without an end of track
// gets one at the time of its last event.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

inline constexpr int32_t kRetimedDivision = 500;
inline constexpr uint32_t kRetimedTempo = 500000;

struct RetimedSong {
  midifile::ByteString bytes;
  uint32_t tempo_events = 0;  // tempo events of the song that took effect
  uint64_t played_ms = 0;     // the song's length as it plays
};

// Throws midifile::ConversionError for a song whose division gives no time
// (0), or one with a gap between events longer than a MIDI delta time
// holds (2^31 - 1 ms), and, from the header, for more than 65535 tracks.
RetimedSong RetimeSong(const midifile::TMidiFile& song, uint32_t grid_ms);

}  // namespace chimekit
