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
// to its first end of track, its events in their order: channel messages,
// and meta events whole (text, names, markers), tempo events left out.
// System exclusive, other F1-FE events and events before any status byte
// are left out too. A track without an end of track gets one at the time
// of its last event.
#pragma once

#include <cstdint>

#include "chimekit/editing/song_output.h"
#include "chimekit/editing/trim.h"
#include "midifile/midi_file.h"
#include "midifile/tempo_map.h"

namespace chimekit {

inline constexpr uint16_t kRetimedDivision = 500;
inline constexpr uint32_t kRetimedTempo = midifile::kDefaultTempo;

// The song re-timed by `map` (the song's own tempo map). Throws
// midifile::ConversionError for a song whose division gives no time (0),
// one with a gap between events longer than a MIDI delta time holds
// (2^31 - 1 ms), and one of more than 65535 tracks.
Song RetimeSong(const Song& song, const midifile::TTempoMap& map, uint32_t grid_ms);

// The song re-timed by its own tempo map, as a MIDI file.
midifile::ByteString RetimedFile(midifile::TMidiFile song, uint32_t grid_ms);

// The re-timed song cut to `ticks` (milliseconds of the re-timed song) as
// the trimming cuts it, in one walk: the re-timed events go straight into
// the cut, and only what it keeps is built. Throws as RetimeSong does.
Song RetimeAndCut(const Song& song, const midifile::TTempoMap& map, uint32_t grid_ms, const TickRange& ticks);

}  // namespace chimekit
