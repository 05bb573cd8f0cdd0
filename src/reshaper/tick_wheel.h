// Which tracks have their next event at which tick, for the merge: the ticks
// are visited in order, and at each tick the tracks waiting for it are handed
// out in track order.
//
// The wheel has a number of slots, a power of two from 64 to 4,096, one per
// tick modulo that number; a track whose next event lies less than a turn of
// the wheel ahead waits in the slot of its tick as one bit of a bit set over
// all tracks, and a summary word of the slot marks the words of that set that
// hold a track. Filing a track and finding the next tick take a few integer
// operations, whatever the number of tracks; no track is compared with
// another, and the bits of a slot give its tracks in track order, the order
// of events at the same tick. The more tracks, the fewer slots, so that the
// slots' bit sets take about 1 MiB at most. A track whose next event lies
// further ahead waits in a heap ordered by time until its tick comes near
// (O(log T) for each such event).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace reshaper {

class TickWheel {
 public:
  static constexpr uint32_t kMostSlots = 4096;
  static constexpr uint32_t kFewestSlots = 64;
  static constexpr size_t kSlotBytes = size_t{1} << 20;  // what the slots take at most, beyond the fewest

  // The wheel's moving part: the current tick, and what filing a track and
  // moving on touch. A value of its own, so that the compiler keeps it in
  // registers while the merge writes its bytes (which it could not for the
  // wheel's members).
  struct Hand {
    uint64_t* tracks;        // slot s's tracks: words [s * words, (s + 1) * words)
    uint64_t* summaries;     // slot s's summary: words [s * summaryWords, (s + 1) * summaryWords)
    uint64_t* occupied;      // bit s: slot s holds a track
    uint64_t occupiedWords;  // bit w: occupied[w] is not 0
    uint64_t now;
    uint32_t slotMask;       // slots - 1
    uint32_t words;          // of a slot's bit set of tracks
    uint32_t summaryWords;   // of a slot's summary
    TickWheel* wheel;
    bool farWaiting;  // a track waits in the heap

    // Files track under time, its next event's tick: after the current tick
    // (or at it, before the current tick's tracks are taken).
    void add(uint32_t track, uint64_t time) {
      if (time - now > slotMask) {
        wheel->addFar(track, time);
        farWaiting = true;
        return;
      }
      uint32_t slot = static_cast<uint32_t>(time) & slotMask;
      uint32_t word = track >> 6;
      tracks[size_t{slot} * words + word] |= uint64_t{1} << (track & 63);
      summaries[size_t{slot} * summaryWords + (word >> 6)] |= uint64_t{1} << (word & 63);
      occupied[slot >> 6] |= uint64_t{1} << (slot & 63);
      occupiedWords |= uint64_t{1} << (slot >> 6);
    }

    // Moves on to the next tick some track waits for; false when none does.
    bool next() {
      uint64_t tick = UINT64_MAX;
      uint32_t current = static_cast<uint32_t>(now) & slotMask;
      uint32_t from = current + 1;
      uint64_t bits = from <= slotMask ? occupied[from >> 6] & (~uint64_t{0} << (from & 63)) : 0;
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

    // The current tick's slot, which no longer counts as holding a track:
    // the caller takes its tracks out of its summary and bit set, clearing
    // every word it reads.
    uint32_t takeSlot() {
      uint32_t slot = static_cast<uint32_t>(now) & slotMask;
      occupied[slot >> 6] &= ~(uint64_t{1} << (slot & 63));
      if (occupied[slot >> 6] == 0) occupiedWords &= ~(uint64_t{1} << (slot >> 6));
      return slot;
    }

    // The tick of a track in a slot further on than the current word.
    uint64_t furtherSlotTick() const;
  };

  // A wheel for tracks numbered 0 to count - 1, at tick 0, with no track
  // filed yet.
  explicit TickWheel(uint32_t count);
  Hand hand() { return hand_; }

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

  std::vector<uint64_t> tracks_;
  std::vector<uint64_t> summaries_;
  std::vector<uint64_t> occupied_;
  std::vector<Far> far_;  // a heap, earliest first
  Hand hand_;
};

}  // namespace reshaper
