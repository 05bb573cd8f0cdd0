// Merge and combine: two MIDI files joined into one format 1 file that
// holds every track of the first file, then every track of the second.
// Merged, both start at time 0; combined, the second starts where the
// longest track of the first ends. The first file's tracks keep their
// timing; the second file's times and tempo values are converted so that
// it keeps its own speed at the first file's division and first tempo.
#pragma once

#include <cstdint>

#include "chimekit/editing/track_output.h"
#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// How the tracks of one input are placed in the joined file.
struct JoinTiming {
  uint64_t offset = 0;       // output ticks before the track's time 0
  double tempo_factor = 1;   // applied to each tempo value
  double delta_scale = 1;    // input ticks per output tick
};

// The first tempo of a file in microseconds per quarter note: the first
// tempo event with a value other than 0, tracks in order, each up to its
// first end of track (the first three data bytes, a missing one counting
// as 0); 500000 without one.
uint32_t FirstTempo(const midifile::TMidiFile& file);

// The length in ticks of the longest track: per track the sum of its
// deltas up to and including its first end of track; 0 without tracks.
uint64_t LongestTrackTicks(const midifile::TMidiFile& file);

// The placement of the second file: offset 0 (merge) or the first file's
// longest track (combine); tempo factor Tempo1 / Tempo2; delta scale
// (Div2 / Div1) x the tempo factor, or 1 when either division is 0.
JoinTiming SecondFileTiming(const LoadedInput& first, const LoadedInput& second, bool sequential);

// The rewrite walk of one track of a joined file. An event's output time
// is the offset plus its time in its track (the sum of its delta and all
// earlier ones) divided by the delta scale, rounded halves to even; its
// delta is its output time minus that of the event written before it, so
// rounding errors never add up and events that are not written pass their
// time on. A delta beyond 2^31 - 1 throws a ConversionError: no MIDI file
// can hold it.
// Tempo values are multiplied by the tempo factor (rounded, low 24 bits).
// A track without a written event becomes a lone end of track.
void WriteJoinedTrack(const midifile::TMidiTrack& track, const JoinTiming& timing, TrackOutput& out);

struct JoinedFile {
  midifile::ByteString bytes;
  JoinTiming second;  // how the second file's tracks were placed
};

// The joined file: the header (format 1, or 0 when neither input has a
// track; the track count of both as 16 bits; the first file's division
// bytes as stored), the first file's tracks unchanged in timing, then the
// second file's. More than 65535 tracks throws a ConversionError.
JoinedFile JoinInputs(const LoadedInput& first, const LoadedInput& second, bool sequential);

// The whole of MIDIMerge (sequential false) and MIDICombine (true): 2 when
// the first or else the second input is missing, 0 with the output
// written. Read and write failures throw.
uint8_t JoinFiles(const char* first_file, const char* second_file, const char* out_file, bool sequential);

}  // namespace chimekit
