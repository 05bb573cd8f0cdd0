#include "reshaper/tick_wheel.h"

#include <algorithm>

namespace reshaper {

namespace {

// As many slots as kSlotBytes holds for the bit sets of count tracks, a
// power of two from kFewestSlots to kMostSlots.
uint32_t slotCount(uint32_t words, uint32_t summaryWords) {
  size_t slotBytes = (size_t{words} + summaryWords) * sizeof(uint64_t);
  uint32_t slots = TickWheel::kMostSlots;
  while (slots > TickWheel::kFewestSlots && slots * slotBytes > TickWheel::kSlotBytes) slots /= 2;
  return slots;
}

}  // namespace

TickWheel::TickWheel(uint32_t count) {
  auto words = static_cast<uint32_t>((uint64_t{count} + 63) / 64);
  uint32_t summaryWords = (words + 63) / 64;
  uint32_t slots = slotCount(words, summaryWords);
  tracks_.assign(size_t{slots} * words, 0);
  summaries_.assign(size_t{slots} * summaryWords, 0);
  occupied_.assign(slots / 64, 0);
  hand_ = {tracks_.data(), summaries_.data(), occupied_.data(), 0, 0, slots - 1, words, summaryWords, this, false};
}

void TickWheel::addFar(uint32_t track, uint64_t time) {
  far_.push_back({time, track});
  std::push_heap(far_.begin(), far_.end(), later);
}

uint64_t TickWheel::Hand::furtherSlotTick() const {
  // The first occupied slot behind the current one's word, going round once:
  // the current word's own slots before the current one come last.
  uint32_t current = static_cast<uint32_t>(now) & slotMask;
  uint32_t word = current >> 6;
  uint64_t later = word + 1 < 64 ? occupiedWords & (~uint64_t{0} << (word + 1)) : 0;
  word = static_cast<uint32_t>(std::countr_zero(later != 0 ? later : occupiedWords));
  uint32_t slot = word * 64 + static_cast<uint32_t>(std::countr_zero(occupied[word]));
  return now + ((slot - current) & slotMask);
}

TickWheel::Hand TickWheel::nextWithFar(Hand hand, uint64_t tick) {
  hand.now = std::min(tick, far_.front().time);
  // Tracks that waited far ahead come into the slots once their ticks are near.
  while (!far_.empty() && far_.front().time - hand.now <= hand.slotMask) {
    std::pop_heap(far_.begin(), far_.end(), later);
    Far entry = far_.back();
    far_.pop_back();
    hand.add(entry.track, entry.time);
  }
  hand.farWaiting = !far_.empty();
  return hand;
}

}  // namespace reshaper
