// Which tracks have their next event at which tick, for the merge: the ticks
// are visited in order, and at each tick the tracks waiting for it are handed
// out in track order.
//
// A track waits in one of 4,096 slots, the slot of its tick modulo 4,096, as
// long as that tick lies less than 4,096 ticks ahead; a slot is a list linked
// through an array of one index per track. Filing a track and finding the
// next tick take a few integer operations, whatever the number of tracks; no
// comparison of one track with another is made. A track whose next event
// lies further ahead waits in a heap ordered by time until its tick comes
// near (O(log T) for each such event). At each tick the tracks of its slot
// are set in a bit set over all tracks, which gives them back in track order:
// the order of events at the same tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reshaper/track_cursor.h"

namespace reshaper {

class TickWheel {
 public:
  static constexpr uint32_t kSlotBits = 12;
  static constexpr uint32_t kSlots = 1u << kSlotBits;
  static constexpr uint32_t kNone = UINT32_MAX;

  // What filing a track touches, taken out of the wheel for one tick: a
  // value of its own, so that the compiler keeps it in registers while the
  // merge writes its bytes (which it could not for the wheel's members).
  struct Filer {
    uint32_t* links;
    uint32_t* heads;
    uint64_t* occupied;
    uint64_t occupiedWords;
    uint64_t now;
    TickWheel* wheel;

    // Files track under time, its next event's tick: not before the current
    // tick, and after it while the current tick's tracks are handed out.
    void add(uint32_t track, uint64_t time) {
      if (time - now >= kSlots) {
        wheel->addFar(track, time);
        return;
      }
      uint32_t slot = static_cast<uint32_t>(time) & (kSlots - 1);
      links[track] = heads[slot];
      heads[slot] = track;
      occupied[slot >> 6] |= uint64_t{1} << (slot & 63);
      occupiedWords |= uint64_t{1} << (slot >> 6);
    }
  };

  // Files the tracks of tracks[0, count) under the ticks of their next
  // events (cursor time); the earliest is the first tick.
  TickWheel(const TrackCursor* tracks, uint32_t count);

  // Moves on to the next tick some track waits for (the first call: to the
  // first) and makes its tracks the ready ones. False when no track waits.
  bool nextTick();
  uint64_t now() const { return now_; }

  // The ready tracks as a bit set: word i holds tracks 64 i to 64 i + 63,
  // the lowest bit the first. Words outside [firstReadyWord, lastReadyWord]
  // are 0. The merge clears each word it takes.
  uint64_t* readyWords() { return ready_.data(); }
  size_t firstReadyWord() const { return firstReady_; }
  size_t lastReadyWord() const { return lastReady_; }

  // The filer for the current tick, and its state back when the tick is done.
  Filer filer() { return {links_.data(), heads_.data(), occupied_, occupiedWords_, now_, this}; }
  void keep(const Filer& filer) { occupiedWords_ = filer.occupiedWords; }

 private:
  struct Far {
    uint64_t time;
    uint32_t track;
  };

  static bool later(const Far& a, const Far& b) { return a.time > b.time; }
  void addFar(uint32_t track, uint64_t time);
  // The nearest tick of a track in a slot, or UINT64_MAX.
  uint64_t nearestSlotTick() const;

  uint64_t now_ = UINT64_MAX;
  bool started_ = false;
  uint64_t occupiedWords_ = 0;        // bit w: occupied_[w] is not 0
  uint64_t occupied_[kSlots / 64]{};  // bit s of the whole: slot s holds a track
  std::vector<uint32_t> heads_;       // each slot's first track, or kNone
  std::vector<uint32_t> links_;       // each track's next one in the same slot
  std::vector<Far> far_;              // a heap, earliest first
  std::vector<uint64_t> ready_;
  size_t firstReady_ = 1;
  size_t lastReady_ = 0;
};

}  // namespace reshaper
