#include "chimekit/smaf/slots.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace chimekit::smaf {
namespace {

constexpr uint32_t kAllSlots = (1u << kSlotCount) - 1;

uint32_t Bit(int slot) { return 1u << slot; }

}  // namespace

// The slots of a set (bit s for slot s) that pass the test.
template <class Test>
uint32_t TSlotAllocator::Passing(uint32_t candidates, Test test) const {
  uint32_t passing = 0;
  for (uint32_t rest = candidates; rest != 0; rest &= rest - 1) {
    const int s = std::countr_zero(rest);
    if (test(slots_[static_cast<size_t>(s)])) passing |= Bit(s);
  }
  return passing;
}

// The lowest-numbered slot that the channel can use at time t without a
// claim: one of its own whose last event ended strictly before t, or any
// slot whose last event is a zero-length one at exactly t. Slots never
// claimed are neither. The channel's own slots are looked at from the
// lowest, up to the first that is free.
int TSlotAllocator::FindFreeSlot(int32_t channel, int64_t t) const {
  const uint32_t zero_gate_free = Passing(zero_gate_, [t](const TSlot& slot) { return slot.start == t; });
  const int lowest_zero_gate_free = zero_gate_free != 0 ? std::countr_zero(zero_gate_free) : kSlotCount;
  for (uint32_t rest = owned_[static_cast<size_t>(channel)]; rest != 0; rest &= rest - 1) {
    const int s = std::countr_zero(rest);
    if (s > lowest_zero_gate_free) break;
    if (t > slots_[static_cast<size_t>(s)].End()) return s;
  }
  return lowest_zero_gate_free < kSlotCount ? lowest_zero_gate_free : -1;
}

// Among the candidates, the slot whose last event ended earliest, not after
// t; the higher-numbered slot on equal ends.
int TSlotAllocator::EarliestEnded(uint32_t candidates, int64_t t) const {
  int best = -1;
  for (uint32_t rest = candidates; rest != 0; rest &= rest - 1) {
    const int s = std::countr_zero(rest);
    const int64_t end = slots_[static_cast<size_t>(s)].End();
    if (end <= t && (best < 0 || end <= slots_[static_cast<size_t>(best)].End())) best = s;
  }
  return best;
}

// The highest-numbered slot never claimed; once all are claimed, the
// channel's own slot that ended earliest, else any slot that did.
int TSlotAllocator::ClaimSlot(int32_t channel, int64_t t) {
  int claimed = -1;
  if (first_claimed_ > 0) {
    claimed = --first_claimed_;
  } else {
    claimed = EarliestEnded(owned_[static_cast<size_t>(channel)], t);
    if (claimed < 0) claimed = EarliestEnded(kAllSlots, t);
  }
  if (claimed < 0) return -1;
  TSlot& slot = slots_[static_cast<size_t>(claimed)];
  if (slot.owner >= 0) owned_[static_cast<size_t>(slot.owner)] &= ~Bit(claimed);
  owned_[static_cast<size_t>(channel)] |= Bit(claimed);
  slot = TSlot{channel, -1, -1};
  return claimed;
}

bool TSlotAllocator::Assign(TSmafEvent& entry) {
  const int32_t channel = entry.status & 0x0F;
  const int64_t t = entry.time;
  int s = FindFreeSlot(channel, t);
  if (s < 0) s = ClaimSlot(channel, t);
  if (s < 0) {
    entry.status = kSilentStatus;
    return false;
  }
  TSlot& slot = slots_[static_cast<size_t>(s)];
  slot.start = t;
  slot.gate = entry.gate;
  zero_gate_ = entry.gate == 0 ? zero_gate_ | Bit(s) : zero_gate_ & ~Bit(s);
  entry.status = (entry.status & 0xF0) | s;
  return true;
}

void TBodyClocks::ToDelta(TSmafEvent& entry) {
  int64_t& previous = last_[static_cast<size_t>(entry.Body())];
  const int64_t absolute = entry.time;
  const int64_t delta = absolute - previous;
  entry.time = static_cast<int32_t>(
      std::clamp<int64_t>(delta, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  previous = absolute;
}

}  // namespace chimekit::smaf
