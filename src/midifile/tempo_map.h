// A MIDI file's real time as a player times it: every tempo event counted
// from its own tick on, instead of the one tempo (the last) that the loaded
// file keeps for the whole song.
//
// Tempo events of every track rule every track of a format 0 or 1 file
// (at one tick, the later track's wins); in a format 2 file each track
// keeps its own. A time-code division (its top bit set: frames per second
// and ticks per frame) times every tick alike and ignores tempo events. A
// tempo event counts as the loaded file counts it: three data bytes or
// more, a value other than 0. A division of 0 gives no time: everything is
// at 0.
//
// Ticks are 64-bit sums of a track's delta times, each taken as the
// unsigned 32-bit value the file holds, so times never go back. Times are
// exact: whole microseconds and a remainder, so that no rounding adds up
// over a long song; only the result of a query is rounded (halves to even).
// Far beyond any song (half a million years) times saturate.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile/midi_file.h"

namespace midifile {

class TTempoMap {
 public:
  explicit TTempoMap(const TMidiFile& file);

  // The real time of a tick of a track divided by a unit in microseconds
  // (1000: milliseconds), rounded halves to even; the unit is at least 1.
  uint64_t Units(int32_t track, uint64_t tick, uint64_t unit_us) const;
  uint64_t Milliseconds(int32_t track, uint64_t tick) const { return Units(track, tick, 1000); }

  // The times of one track's ticks taken in order (below).
  class Cursor;

  // The tempo events that take effect (none for a time-code division).
  uint32_t TempoEvents() const { return tempo_events_; }
  // The length as the song plays: the latest real time of any track's last
  // event, in milliseconds.
  uint64_t PlayedMs() const { return played_ms_; }

 private:
  // From `tick` on, real time runs at `per_quarter` microseconds per
  // `division_` ticks; at `tick` it is `us` + `remainder` / `division_`.
  struct Segment {
    uint64_t tick = 0;
    uint64_t us = 0;
    uint64_t remainder = 0;
    uint64_t per_quarter = 0;
  };
  struct Exact {
    uint64_t us = 0;
    uint64_t remainder = 0;  // below division_
  };

  Exact At(int32_t track, uint64_t tick) const;
  // An exact time divided by a unit, rounded halves to even.
  uint64_t Rounded(const Exact& exact, uint64_t unit_us) const;
  // The time at a tick from a segment that starts at or before it.
  Exact Advance(const Segment& segment, uint64_t tick) const;
  // The segments of one timeline from tempo events (tick, value) in order,
  // at `first_rate` until the first of them.
  std::vector<Segment> Timeline(std::vector<std::pair<uint64_t, uint32_t>> tempos, uint64_t first_rate) const;

  uint64_t division_ = 0;  // 0: no time
  // One timeline for all tracks, or one per track (format 2).
  std::vector<std::vector<Segment>> timelines_;
  bool per_track_ = false;
  uint32_t tempo_events_ = 0;
  uint64_t played_ms_ = 0;

 public:
  // The times of one track's ticks taken in order (a tick never before the
  // one asked for last), each found from where the one before was: the
  // same values as Units, without a search.
  class Cursor {
   public:
    Cursor(const TTempoMap& map, int32_t track);
    uint64_t Units(uint64_t tick, uint64_t unit_us);
    uint64_t Milliseconds(uint64_t tick) { return Units(tick, 1000); }

   private:
    const TTempoMap& map_;
    const std::vector<Segment>* segments_ = nullptr;
    size_t segment_ = 0;
  };
};

// A track's ticks event by event: the 64-bit sum of its delta times, each
// read as an unsigned 32-bit value.
inline uint64_t AddDelta(uint64_t tick, int32_t delta) { return tick + static_cast<uint32_t>(delta); }

}  // namespace midifile
