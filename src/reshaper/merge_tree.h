// Picks, again and again, the earliest next event of several tracks: a
// tournament tree whose inner nodes keep the loser of their match, so that
// when the winning track moves on, one match per level settles the new
// winner. Of events at the same time the one of the earlier track wins.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace reshaper {

class MergeTree {
 public:
  // The time of a track that has no events left: later than any event (a
  // sum of 28-bit delta times), and one below the largest value so that a
  // match's comparison below cannot wrap.
  static constexpr uint64_t kDone = UINT64_MAX - 1;

  struct Entry {
    uint64_t time;   // absolute time of the track's next event
    uint32_t track;  // the track's position in file order
  };

  // firstTimes[i]: the time of track i's first event, or kDone.
  explicit MergeTree(const std::vector<uint64_t>& firstTimes) : leaves_(static_cast<uint32_t>(firstTimes.size())) {
    if (leaves_ == 0) {
      nodes_.push_back({kDone, 0});
      return;
    }
    // Leaf i is node leaves_ + i; node n has the children 2n and 2n + 1.
    // Matches are played from the bottom up, each node's winner going on.
    nodes_.resize(leaves_);
    std::vector<Entry> winners(leaves_);
    auto winnerAt = [&](uint32_t node) {
      return node >= leaves_ ? Entry{firstTimes[node - leaves_], node - leaves_} : winners[node];
    };
    for (uint32_t node = leaves_ - 1; node > 0; --node) {
      Entry first = winnerAt(2 * node);
      Entry second = winnerAt(2 * node + 1);
      if (before(second, first)) std::swap(first, second);
      winners[node] = first;
      nodes_[node] = second;
    }
    nodes_[0] = leaves_ == 1 ? winnerAt(1) : winners[1];
  }

  // The earliest event; its time is kDone when every track is done.
  const Entry& top() const { return nodes_[0]; }

  // The winning track moved on to an event at time (kDone when it has none).
  void replaceTop(uint64_t time) {
    uint32_t track = nodes_[0].track;
    for (uint32_t node = (track + leaves_) >> 1; node > 0; node >>= 1) {
      Entry& stored = nodes_[node];
      // (stored.time, stored.track) before (time, track), as one comparison.
      bool storedWins = stored.time < time + (stored.track < track ? 1u : 0u);
      // The winner goes on up and the loser stays. Which side wins cannot
      // be foreseen, so they are exchanged through a mask instead of a
      // branch that the processor would guess wrong half of the time.
      uint64_t mask = 0 - static_cast<uint64_t>(storedWins);
      uint64_t timeBits = (stored.time ^ time) & mask;
      uint32_t trackBits = (stored.track ^ track) & static_cast<uint32_t>(mask);
      stored.time ^= timeBits;
      time ^= timeBits;
      stored.track ^= trackBits;
      track ^= trackBits;
    }
    nodes_[0] = {time, track};
  }

 private:
  static bool before(const Entry& a, const Entry& b) {
    return a.time < b.time || (a.time == b.time && a.track < b.track);
  }

  uint32_t leaves_;
  std::vector<Entry> nodes_;  // [0] the winner, [1, leaves_) the losers of the inner matches
};

}  // namespace reshaper
