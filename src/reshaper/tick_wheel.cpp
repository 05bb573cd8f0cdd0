#include "reshaper/tick_wheel.h"

#include <algorithm>
#include <bit>

namespace reshaper {

TickWheel::TickWheel(const TrackCursor* tracks, uint32_t count)
    : heads_(kSlots, kNone), links_(count, kNone), ready_((size_t{count} + 63) / 64, 0) {
  for (uint32_t i = 0; i < count; ++i) now_ = std::min(now_, tracks[i].time);
  Filer filing = filer();
  for (uint32_t i = 0; i < count; ++i) filing.add(i, tracks[i].time);
  keep(filing);
}

void TickWheel::addFar(uint32_t track, uint64_t time) {
  far_.push_back({time, track});
  std::push_heap(far_.begin(), far_.end(), later);
}

uint64_t TickWheel::nearestSlotTick() const {
  if (occupiedWords_ == 0) return UINT64_MAX;
  // The first occupied slot after the current one, going round once.
  uint32_t current = static_cast<uint32_t>(now_) & (kSlots - 1);
  uint32_t from = (current + 1) & (kSlots - 1);
  uint32_t word = from >> 6;
  uint64_t bits = occupied_[word] & (~uint64_t{0} << (from & 63));
  if (bits == 0) {
    uint64_t words = word + 1 < 64 ? occupiedWords_ & (~uint64_t{0} << (word + 1)) : 0;
    if (words == 0) words = occupiedWords_;  // round the end of the wheel
    word = static_cast<uint32_t>(std::countr_zero(words));
    bits = occupied_[word];
  }
  uint32_t slot = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
  return now_ + ((slot - current) & (kSlots - 1));
}

bool TickWheel::nextTick() {
  if (ready_.empty()) return false;
  if (started_) {
    uint64_t next = nearestSlotTick();
    if (!far_.empty()) next = std::min(next, far_.front().time);
    if (next == UINT64_MAX) return false;
    now_ = next;
  }
  started_ = true;
  // Tracks that waited far ahead come into the slots once their ticks are near.
  Filer filing = filer();
  while (!far_.empty() && far_.front().time - now_ < kSlots) {
    std::pop_heap(far_.begin(), far_.end(), later);
    Far entry = far_.back();
    far_.pop_back();
    filing.add(entry.track, entry.time);
  }
  keep(filing);
  uint32_t slot = static_cast<uint32_t>(now_) & (kSlots - 1);
  firstReady_ = SIZE_MAX;
  lastReady_ = 0;
  for (uint32_t track = heads_[slot]; track != kNone; track = links_[track]) {
    size_t word = track >> 6;
    ready_[word] |= uint64_t{1} << (track & 63);
    firstReady_ = std::min(firstReady_, word);
    lastReady_ = std::max(lastReady_, word);
  }
  heads_[slot] = kNone;
  occupied_[slot >> 6] &= ~(uint64_t{1} << (slot & 63));
  if (occupied_[slot >> 6] == 0) occupiedWords_ &= ~(uint64_t{1} << (slot >> 6));
  return true;
}

}  // namespace reshaper
