#include "midifile/tempo_map.h"

#include <algorithm>
#include <limits>

namespace midifile {
namespace {

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > kMax - b ? kMax : a + b; }
uint64_t SaturatingMultiply(uint64_t a, uint64_t b) { return b != 0 && a > kMax / b ? kMax : a * b; }

}  // namespace

TTempoMap::TTempoMap(const TMidiFile& file) {
  const uint32_t division = static_cast<uint32_t>(file.TicksPerQuarter());
  const bool time_code = division >= 0x8000;
  uint64_t first_rate = kDefaultTempo;  // microseconds per division_ ticks from tick 0
  if (time_code) {
    // Frames per second as a negative byte, then ticks per frame; 29 stands
    // for 30000/1001 frames per second.
    const uint64_t fps = 256 - (division >> 8), ticks_per_frame = division & 0xFF;
    division_ = (fps == 29 ? 30 : fps) * ticks_per_frame;
    first_rate = fps == 29 ? 1001000 : 1000000;  // and no tempo event counts
  } else {
    division_ = division;
  }
  per_track_ = file.FileFormat() == TFileFormat::multi_asynch;

  std::vector<std::vector<std::pair<uint64_t, uint32_t>>> tempos(per_track_ ? file.NumberOfTracks() : 1);
  std::vector<uint64_t> last_ticks;
  last_ticks.reserve(static_cast<size_t>(file.NumberOfTracks()));
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    uint64_t tick = 0;
    for (const TMidiEvent& event : file.GetTrack(t).Events()) {
      tick = AddDelta(tick, event.DeltaTime);
      const uint32_t tempo = time_code ? 0 : TempoValue(event);
      if (tempo == 0) continue;
      tempos[per_track_ ? static_cast<size_t>(t) : 0].emplace_back(tick, tempo);
      ++tempo_events_;
    }
    last_ticks.push_back(tick);
  }
  for (auto& timeline : tempos) {
    // Tracks in order, so that at one tick the later track's tempo wins.
    std::stable_sort(timeline.begin(), timeline.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    timelines_.push_back(Timeline(std::move(timeline), first_rate));
  }
  for (size_t t = 0; t < last_ticks.size(); ++t) {
    played_ms_ = std::max(played_ms_, Milliseconds(static_cast<int32_t>(t), last_ticks[t]));
  }
}

std::vector<TTempoMap::Segment> TTempoMap::Timeline(std::vector<std::pair<uint64_t, uint32_t>> tempos,
                                                    uint64_t first_rate) const {
  std::vector<Segment> segments = {Segment{0, 0, 0, first_rate}};
  if (division_ == 0) return segments;
  for (const auto& [tick, tempo] : tempos) {
    Segment& last = segments.back();
    if (tick == last.tick) {
      last.per_quarter = tempo;
      continue;
    }
    const Exact at = Advance(last, tick);
    segments.push_back(Segment{tick, at.us, at.remainder, tempo});
  }
  return segments;
}

TTempoMap::Exact TTempoMap::At(int32_t track, uint64_t tick) const {
  if (division_ == 0 || timelines_.empty()) return {};
  const std::vector<Segment>& segments = timelines_[per_track_ ? static_cast<size_t>(track) : 0];
  const auto after = std::upper_bound(segments.begin(), segments.end(), tick,
                                      [](uint64_t t, const Segment& segment) { return t < segment.tick; });
  return Advance(*(after - 1), tick);  // the first segment starts at tick 0
}

TTempoMap::Exact TTempoMap::Advance(const Segment& segment, uint64_t tick) const {
  const uint64_t ticks = tick - segment.tick;
  // The whole quarters apart from the rest, so that nothing overflows.
  const uint64_t part = ticks % division_ * segment.per_quarter + segment.remainder;
  const uint64_t us = SaturatingAdd(
      SaturatingAdd(segment.us, SaturatingMultiply(ticks / division_, segment.per_quarter)), part / division_);
  return {us, part % division_};
}

uint64_t TTempoMap::Units(int32_t track, uint64_t tick, uint64_t unit_us) const {
  if (division_ == 0) return 0;
  return Rounded(At(track, tick), unit_us);
}

TTempoMap::Cursor::Cursor(const TTempoMap& map, int32_t track) : map_(map) {
  if (map.division_ != 0 && !map.timelines_.empty()) {
    segments_ = &map.timelines_[map.per_track_ ? static_cast<size_t>(track) : 0];
  }
}

uint64_t TTempoMap::Cursor::Units(uint64_t tick, uint64_t unit_us) {
  if (segments_ == nullptr) return 0;
  const std::vector<Segment>& segments = *segments_;
  // The last segment that starts at or before the tick (the first starts at 0).
  while (segment_ + 1 < segments.size() && segments[segment_ + 1].tick <= tick) ++segment_;
  return map_.Rounded(map_.Advance(segments[segment_], tick), unit_us);
}

uint64_t TTempoMap::Rounded(const Exact& exact, uint64_t unit_us) const {
  unit_us = std::max<uint64_t>(unit_us, 1);
  // (us + remainder / division) / unit, rounded halves to even.
  uint64_t units = exact.us / unit_us;
  const uint64_t fraction = exact.us % unit_us * division_ + exact.remainder;
  const uint64_t whole = unit_us * division_;
  if (2 * fraction > whole || (2 * fraction == whole && units % 2 == 1)) ++units;
  return units;
}

}  // namespace midifile
