#include "reshaper/tick_wheel.h"

#include <algorithm>

namespace reshaper {

TickWheel::TickWheel(const TrackCursor* tracks, uint32_t count)
    : heads_(kSlots, kNone), links_(count, kNone), ready_((size_t{count} + 63) / 64, 0) {
  uint64_t first = UINT64_MAX;
  for (uint32_t i = 0; i < count; ++i) first = std::min(first, tracks[i].time);
  hand_ = {links_.data(), heads_.data(), occupied_, 0, first, this, false};
  for (uint32_t i = 0; i < count; ++i) hand_.add(i, tracks[i].time);
}

void TickWheel::addFar(uint32_t track, uint64_t time) {
  far_.push_back({time, track});
  std::push_heap(far_.begin(), far_.end(), later);
}

uint64_t TickWheel::Hand::furtherSlotTick() const {
  // The first occupied slot behind the current one's word, going round once:
  // the current word's own slots before the current one come last.
  uint32_t current = static_cast<uint32_t>(now) & (kSlots - 1);
  uint32_t word = current >> 6;
  uint64_t words = word + 1 < 64 ? occupiedWords & (~uint64_t{0} << (word + 1)) : 0;
  if (words == 0) words = occupiedWords;
  word = static_cast<uint32_t>(std::countr_zero(words));
  uint32_t slot = word * 64 + static_cast<uint32_t>(std::countr_zero(occupied[word]));
  return now + ((slot - current) & (kSlots - 1));
}

TickWheel::Hand TickWheel::nextWithFar(Hand hand, uint64_t tick) {
  hand.now = std::min(tick, far_.front().time);
  // Tracks that waited far ahead come into the slots once their ticks are near.
  while (!far_.empty() && far_.front().time - hand.now < kSlots) {
    std::pop_heap(far_.begin(), far_.end(), later);
    Far entry = far_.back();
    far_.pop_back();
    hand.add(entry.track, entry.time);
  }
  hand.farWaiting = !far_.empty();
  return hand;
}

TickWheel::Words TickWheel::makeReady(uint32_t first) {
  Words words{SIZE_MAX, 0};
  for (uint32_t track = first; track != kNone; track = links_[track]) {
    size_t word = track >> 6;
    ready_[word] |= uint64_t{1} << (track & 63);
    words.first = std::min(words.first, word);
    words.last = std::max(words.last, word);
  }
  return words;
}

}  // namespace reshaper
