#include "reshaper/tick_wheel.h"

#include <algorithm>

namespace reshaper {

namespace {

// As many slots of stride words as mostBytes holds, a power of two from
// kFewestSlots to kMostSlots.
uint32_t slotCount(uint32_t stride, size_t mostBytes) {
  size_t slotBytes = size_t{stride} * sizeof(uint64_t);
  uint32_t slots = TickWheel::kMostSlots;
  while (slots > TickWheel::kFewestSlots && slots * slotBytes > mostBytes) slots /= 2;
  return slots;
}

}  // namespace

TickWheel::TickWheel(uint32_t count, size_t songBytes) {
  auto words = static_cast<uint32_t>((uint64_t{count} + 63) / 64);
  uint32_t summaryWords = words <= kWordsWithoutSummary ? 0 : (words + 63) / 64;
  uint32_t stride = summaryWords + words;
  uint32_t slots = slotCount(stride, std::min(kSlotBytes, songBytes));
  slots_.assign(size_t{slots} * stride, 0);
  occupied_.assign(slots / 64, 0);
  hand_ = {slots_.data(), occupied_.data(), 0, slots - 1, stride, summaryWords, this, false};
}

uint32_t TickWheel::Hand::take(Turn* due) {
  const uint32_t slot = static_cast<uint32_t>(now) & slotMask;
  occupied[slot >> 6] &= ~(uint64_t{1} << (slot & 63));
  // The fields in local values: the stores to due could change them as far
  // as the compiler knows.
  const uint32_t marksWords = summaryWords;
  const uint32_t words = stride - marksWords;
  uint64_t* const record = slots + size_t{slot} * stride;
  uint64_t* const set = record + marksWords;
  uint32_t count = 0;
  auto takeWord = [&](uint32_t word) {
    uint64_t bits = set[word];
    set[word] = 0;
    for (; bits != 0; bits &= bits - 1) due[count++].track = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
  };
  if (marksWords == 0) {
    // Few tracks: every word of the slot.
    for (uint32_t word = 0; word < words; ++word) takeWord(word);
    return count;
  }
  for (uint32_t marksWord = 0; marksWord < marksWords; ++marksWord) {
    uint64_t marks = record[marksWord];
    record[marksWord] = 0;
    for (; marks != 0; marks &= marks - 1) takeWord(marksWord * 64 + static_cast<uint32_t>(std::countr_zero(marks)));
  }
  return count;
}

void TickWheel::addFar(uint32_t track, uint64_t time) {
  far_.push_back({time, track});
  std::push_heap(far_.begin(), far_.end(), later);
}

uint64_t TickWheel::Hand::nearestSlotTick() const {
  // The words of the occupied bits from the current slot's on, going round
  // once; the first word is looked at from the slot after the current one,
  // and again whole at the end, for the slots before the current one.
  const uint32_t current = static_cast<uint32_t>(now) & slotMask;
  const uint32_t from = (current + 1) & slotMask;
  const uint32_t wordMask = slotMask >> 6;
  uint32_t word = from >> 6;
  uint64_t bits = occupied[word] & (~uint64_t{0} << (from & 63));
  for (uint32_t turn = 0; bits == 0; ++turn) {
    if (turn > wordMask) return UINT64_MAX;
    word = (word + 1) & wordMask;
    bits = occupied[word];
  }
  uint32_t slot = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
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
