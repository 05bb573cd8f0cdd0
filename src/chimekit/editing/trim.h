// Trimming: a song cut down to a time range that is moved to time zero,
// with the controller and program state in force at the start sent again at
// the cut, the tempo changes up to the end kept, and the notes still
// sounding at the end silenced.
#pragma once

#include <cstdint>
#include <optional>

#include "chimekit/editing/song_output.h"
#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"

namespace chimekit {

struct TrimRange {
  uint32_t start = 0;
  uint32_t end = 0;
  bool in_ms = true;  // false: percent of the song length, 0 to 100
};

// Why a range is not acceptable, before anything is read (status 3): the
// start after the end, or a percentage above 100. Null for a good range.
const char* RangeProblem(const TrimRange& range);

// The range in ticks: one linear ratio from milliseconds to ticks over the
// whole song (the largest tick of any event over the song length), rounded
// halves to even as x86's extended precision rounds the products, on every
// platform (midifile/extended_rounding.h); no value for a song of no length.
struct TickRange {
  int64_t start = 0;
  int64_t end = 0;
};
std::optional<TickRange> TicksOf(const midifile::TMidiFile& file, const TrimRange& range);
// The same from the song's length in milliseconds and its largest tick.
std::optional<TickRange> TicksOf(int32_t length_ms, int64_t max_tick, const TrimRange& range);

// The trimmed file; no value when the song has no length (status 3). Every
// loaded track yields a chunk.
std::optional<midifile::ByteString> TrimSong(const LoadedInput& input, const TrimRange& range);
// The same for a range already in ticks.
midifile::ByteString TrimTicks(const LoadedInput& input, const TickRange& ticks);
// The ringtone job's cut: the same in memory, into a song whose header
// carries `division`, a track that goes on past the window ended at the
// window's end (track_trimmer.h).
Song CutSong(const Song& song, uint16_t division, const TickRange& ticks);

// The whole of MIDITrimMs and MIDITrimPercents: 2 for a missing input, 3
// for a range that is not acceptable or a song of no length (nothing is
// written then), 0 with the output written. Read and write failures throw.
uint8_t TrimFile(const char* in_file, const char* out_file, const TrimRange& range);

}  // namespace chimekit
