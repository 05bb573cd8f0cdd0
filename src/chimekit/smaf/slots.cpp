#include "chimekit/smaf/slots.h"

#include <algorithm>
#include <array>
#include <limits>

namespace chimekit::smaf {
namespace {

constexpr int32_t kNeverClaimed = -1;

struct TSlot {
  int32_t owner = kNeverClaimed;  // MIDI channel the slot was last claimed for
  int64_t start = -1;             // ms
  int64_t gate = -1;              // ms
  int64_t End() const { return start + gate; }
};

using TSlots = std::array<TSlot, kSlotCount>;

// The lowest-numbered slot that the channel can use at time t without a
// claim: one of its own whose last event ended strictly before t, or any
// slot whose last event is a zero-length one at exactly t.
int FindFreeSlot(const TSlots& slots, int32_t channel, int64_t t) {
  for (int s = 0; s < kSlotCount; ++s) {
    const TSlot& slot = slots[static_cast<size_t>(s)];
    if ((slot.owner == channel && t > slot.End()) || (slot.start == t && slot.gate == 0)) return s;
  }
  return -1;
}

// Among the slots that pass the filter, the one whose last event ended
// earliest, not after t; the higher-numbered slot on equal ends.
template <class Filter>
int EarliestEnded(const TSlots& slots, int64_t t, Filter filter) {
  int best = -1;
  for (int s = 0; s < kSlotCount; ++s) {
    const TSlot& slot = slots[static_cast<size_t>(s)];
    if (!filter(slot) || slot.End() > t) continue;
    if (best < 0 || slot.End() <= slots[static_cast<size_t>(best)].End()) best = s;
  }
  return best;
}

int ClaimSlot(TSlots& slots, int32_t channel, int64_t t) {
  int claimed = -1;
  for (int s = kSlotCount - 1; s >= 0 && claimed < 0; --s) {
    if (slots[static_cast<size_t>(s)].owner == kNeverClaimed) claimed = s;
  }
  if (claimed < 0) claimed = EarliestEnded(slots, t, [channel](const TSlot& slot) { return slot.owner == channel; });
  if (claimed < 0) claimed = EarliestEnded(slots, t, [](const TSlot&) { return true; });
  if (claimed >= 0) slots[static_cast<size_t>(claimed)] = TSlot{channel, -1, -1};
  return claimed;
}

}  // namespace

int32_t AllocateSlots(std::vector<TSmafEvent>& events) {
  TSlots slots{};
  int32_t notes_without_slot = 0;
  for (TSmafEvent& event : events) {
    const int32_t channel = event.status & 0x0F;
    const int64_t t = event.time;
    int slot = FindFreeSlot(slots, channel, t);
    if (slot < 0) slot = ClaimSlot(slots, channel, t);
    if (slot >= 0) {
      slots[static_cast<size_t>(slot)].start = t;
      slots[static_cast<size_t>(slot)].gate = event.gate;
      event.status = (event.status & 0xF0) | slot;
    } else {
      if (event.Kind() == 0x90) ++notes_without_slot;
      event.status = kSilentStatus;
    }
  }
  return notes_without_slot;
}

void ConvertToDeltas(std::vector<TSmafEvent>& events) {
  std::array<int64_t, kBodyCount> last{};
  for (TSmafEvent& event : events) {
    int64_t& previous = last[static_cast<size_t>(event.Body())];
    const int64_t absolute = event.time;
    const int64_t delta = absolute - previous;
    event.time = static_cast<int32_t>(std::clamp<int64_t>(delta, std::numeric_limits<int32_t>::min(),
                                                          std::numeric_limits<int32_t>::max()));
    previous = absolute;
  }
}

}  // namespace chimekit::smaf
