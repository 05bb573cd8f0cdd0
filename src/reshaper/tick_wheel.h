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
// near (O(log T) for each such event). When several tracks wait for the same
// tick, they are set in a bit set over all tracks, which gives them back in
// track order: the order of events at the same tick.
#pragma once

#include <bit>
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

  // The wheel's moving part: the current tick, and what filing a track and
  // moving on touch. A value of its own, so that the compiler keeps it in
  // registers while the merge writes its bytes (which it could not for the
  // wheel's members).
  struct Hand {
    uint32_t* links;
    uint32_t* heads;
    uint64_t* occupied;
    uint64_t occupiedWords;  // bit w: occupied[w] is not 0
    uint64_t now;
    TickWheel* wheel;
    bool farWaiting;  // a track waits in the heap

    // Files track under time, its next event's tick: after the current tick
    // (or at it, before the current tick's tracks are taken).
    void add(uint32_t track, uint64_t time) {
      if (time - now >= kSlots) {
        wheel->addFar(track, time);
        farWaiting = true;
        return;
      }
      uint32_t slot = static_cast<uint32_t>(time) & (kSlots - 1);
      links[track] = heads[slot];
      heads[slot] = track;
      occupied[slot >> 6] |= uint64_t{1} << (slot & 63);
      occupiedWords |= uint64_t{1} << (slot >> 6);
    }

    // Moves on to the next tick some track waits for; false when none does.
    bool next() {
      uint64_t tick = UINT64_MAX;
      uint32_t current = static_cast<uint32_t>(now) & (kSlots - 1);
      uint32_t from = current + 1;
      uint64_t bits = from < kSlots ? occupied[from >> 6] & (~uint64_t{0} << (from & 63)) : 0;
      if (bits != 0) {
        tick = now + ((from & ~63u) + static_cast<uint32_t>(std::countr_zero(bits)) - current);
      } else if (occupiedWords != 0) {
        tick = furtherSlotTick();
      }
      if (farWaiting) {
        *this = wheel->nextWithFar(*this, tick);  // by value: the hand's address is not taken
        return true;
      }
      now = tick;
      return tick != UINT64_MAX;
    }

    // Takes the tracks of the current tick out of its slot: the first of
    // them; the others follow it through links.
    uint32_t take() {
      uint32_t slot = static_cast<uint32_t>(now) & (kSlots - 1);
      uint32_t first = heads[slot];
      heads[slot] = kNone;
      occupied[slot >> 6] &= ~(uint64_t{1} << (slot & 63));
      if (occupied[slot >> 6] == 0) occupiedWords &= ~(uint64_t{1} << (slot >> 6));
      return first;
    }

    // The tick of a track in a slot further on than the current word.
    uint64_t furtherSlotTick() const;
  };

  // Files the tracks of tracks[0, count) under the ticks of their next
  // events (cursor time). hand() stands at the earliest of them.
  TickWheel(const TrackCursor* tracks, uint32_t count);
  Hand hand() { return hand_; }

  // Sets the tracks of a list taken from a slot (first, then through the
  // hand's links) in the bit set of ready tracks: word i holds tracks 64 i
  // to 64 i + 63, the lowest bit the first. Words outside the range returned
  // stay 0; the merge clears each word it takes.
  struct Words {
    size_t first;
    size_t last;
  };
  Words makeReady(uint32_t first);
  uint64_t* readyWords() { return ready_.data(); }

 private:
  struct Far {
    uint64_t time;
    uint32_t track;
  };

  static bool later(const Far& a, const Far& b) { return a.time > b.time; }
  void addFar(uint32_t track, uint64_t time);
  // Hand::next for a wheel with tracks waiting far ahead: tick is the
  // nearest tick in the slots. Returns the hand moved on.
  Hand nextWithFar(Hand hand, uint64_t tick);

  std::vector<uint32_t> heads_;       // each slot's first track, or kNone
  std::vector<uint32_t> links_;       // each track's next one in the same slot
  uint64_t occupied_[kSlots / 64]{};  // bit s of the whole: slot s holds a track
  std::vector<Far> far_;              // a heap, earliest first
  std::vector<uint64_t> ready_;
  Hand hand_;
};

}  // namespace reshaper
