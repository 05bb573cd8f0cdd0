// Slot allocation and delta conversion of the conversion list.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chimekit/smaf/smaf_event.h"

namespace chimekit::smaf {

// Gives entries, one after the other, one of the sixteen monophonic slots,
// so that a MIDI channel playing chords is spread over several slots.
class TSlotAllocator {
 public:
  // Writes the entry's slot into the low four bits of its status. An entry
  // for which no slot is free gets the status 0x80 (slot 0, a silent
  // entry) and the result false.
  bool Assign(TSmafEvent& entry);

 private:
  struct TSlot {
    int32_t owner = -1;  // MIDI channel the slot was last claimed for; -1 while never claimed
    int64_t start = -1;  // ms
    int64_t gate = -1;   // ms
    int64_t End() const { return start + gate; }
  };

  int FindFreeSlot(int32_t channel, int64_t t) const;
  int ClaimSlot(int32_t channel, int64_t t);
  int EarliestEnded(uint32_t candidates, int64_t t) const;
  template <class Test>
  uint32_t Passing(uint32_t candidates, Test test) const;

  std::array<TSlot, kSlotCount> slots_{};
  // Claims take the highest-numbered slot never claimed while there is one,
  // so the slots claimed so far are always first_claimed_ to 15.
  int first_claimed_ = kSlotCount;
  // Bit s set: slot s belongs to the channel (owned_), or its last entry
  // has a gate of 0 (zero_gate_).
  std::array<uint32_t, 16> owned_{};
  uint32_t zero_gate_ = 0;
};

// Turns the absolute times of entries, one after the other, into deltas
// since the previous entry of the same sequence body.
class TBodyClocks {
 public:
  void ToDelta(TSmafEvent& entry);

 private:
  std::array<int64_t, kBodyCount> last_{};
};

}  // namespace chimekit::smaf
