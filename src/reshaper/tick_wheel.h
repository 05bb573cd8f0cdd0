// Which tracks have their next event at which tick, for the merge: the ticks
// are visited in order, and at each tick the tracks waiting for it are handed
// out in track order.
//
// The wheel has a number of slots, a power of two from 64 to 4,096, one per
// tick modulo that number. A track whose next event lies less than a turn of
// the wheel ahead waits in the slot of its tick as one bit of a bit set over
// all tracks. Filing a track and finding the next tick take a few integer
// operations, whatever the number of tracks; no track is compared with
// another, and the bits of a slot give its tracks in track order, the order
// of events at the same tick. A slot's words are read one by one when its
// tick comes, up to 8,192 tracks (128 words); with more, a summary word of
// the slot marks the words that hold a track. The more tracks, the fewer
// slots, so that the slots take 1 MiB at most, and no more than the song
// unless the fewest slots need more. A track whose next
// event lies further ahead waits in a heap ordered by time until its tick
// comes near (O(log T) for each such event).
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
  // What the slots take at most (beyond the fewest): 1 MiB, and no more
  // than the bytes of the song.
  static constexpr size_t kSlotBytes = size_t{1} << 20;
  // Up to this many words (8,192 tracks) a slot has no summary: its words
  // are looked at one by one when its tick comes.
  static constexpr uint32_t kWordsWithoutSummary = 128;

  // The wheel's moving part: the current tick, and what filing a track and
  // moving on touch. A value of its own, whose fields the work copies into
  // local values that the compiler keeps in registers.
  struct Hand {
    // Slot s is words [s * stride, (s + 1) * stride): its summary words (none
    // up to kWordsWithoutSummary words of tracks), then the bit set of its
    // tracks. Bit w of the summary is set when word w of the bit set may
    // hold a track; both are cleared as they are taken.
    uint64_t* slots;
    uint64_t* occupied;  // bit s: slot s holds a track
    uint64_t now;
    uint32_t slotMask;  // slots - 1
    uint32_t stride;
    uint32_t summaryWords;
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
      place(track, static_cast<uint32_t>(time) & slotMask, slots, occupied, stride, summaryWords);
    }

    // A track and the ticks from the current one to its next event; 0 when
    // it has none.
    struct Turn {
      uint32_t track;
      uint32_t delta;
    };

    // Files each track of a list that has a next event (inline: the merge
    // files a tick's tracks right behind writing their events).
    void addEach(const Turn* turn, const Turn* end);

    // Sets track's bit in slot: the wheel's fields are passed as values,
    // which the compiler keeps in registers across the stores.
    static void place(uint32_t track, uint32_t slot, uint64_t* slotWords, uint64_t* occupiedBits, uint32_t slotStride,
                      uint32_t marksWords) {
      uint64_t* record = slotWords + size_t{slot} * slotStride;
      uint32_t word = track >> 6;
      record[marksWords + word] |= uint64_t{1} << (track & 63);
      if (marksWords != 0) record[word >> 6] |= uint64_t{1} << (word & 63);
      occupiedBits[slot >> 6] |= uint64_t{1} << (slot & 63);
    }

    // Takes the tracks of the current tick out of its slot and writes their
    // numbers to due, in order; returns how many there are.
    uint32_t take(Turn* due);

    // Moves on to the next tick some track waits for; false when none does.
    bool next() {
      uint64_t tick = nearestSlotTick();
      if (farWaiting) {
        *this = wheel->nextWithFar(*this, tick);  // by value: the hand's address is not taken
        return true;
      }
      now = tick;
      return tick != UINT64_MAX;
    }

    // The tick of the nearest slot after the current one that holds a
    // track, or UINT64_MAX.
    uint64_t nearestSlotTick() const;
  };

  // A wheel for tracks numbered 0 to count - 1 of a song of songBytes, at
  // tick 0, with no track filed yet.
  TickWheel(uint32_t count, size_t songBytes);
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

  std::vector<uint64_t> slots_;
  std::vector<uint64_t> occupied_;
  std::vector<Far> far_;  // a heap, earliest first
  Hand hand_;
};

inline void TickWheel::Hand::addEach(const Turn* turn, const Turn* end) {
  // The wheel's fields in local values: the filing's stores could change
  // them as far as the compiler knows.
  uint64_t* const slotWords = slots;
  uint64_t* const occupiedBits = occupied;
  const auto tick = static_cast<uint32_t>(now);
  const uint32_t mask = slotMask;
  const uint32_t slotStride = stride;
  const uint32_t marksWords = summaryWords;
  for (; turn != end; ++turn) {
    const uint32_t delta = turn->delta;
    // Rare: no next event (0), or one a turn of the wheel ahead or more.
    if (delta - 1 >= mask) {
      if (delta != 0) {
        wheel->addFar(turn->track, now + delta);
        farWaiting = true;
      }
      continue;
    }
    place(turn->track, (tick + delta) & mask, slotWords, occupiedBits, slotStride, marksWords);
  }
}

}  // namespace reshaper
