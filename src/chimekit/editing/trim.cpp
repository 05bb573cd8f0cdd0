#include "chimekit/editing/trim.h"

#include <algorithm>

#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/track_trimmer.h"
#include "midifile/extended_rounding.h"

namespace chimekit {

const char* RangeProblem(const TrimRange& range) {
  if (range.start > range.end) return "the start of the range lies after its end";
  if (!range.in_ms && range.end > 100) return "a percentage above 100";
  return nullptr;
}

std::optional<TickRange> TicksOf(const midifile::TMidiFile& file, const TrimRange& range) {
  int64_t max_tick = 0;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).Events()) {
      max_tick = std::max<int64_t>(max_tick, event.Time);
    }
  }
  return TicksOf(file.SongLengthMs(), max_tick, range);
}

std::optional<TickRange> TicksOf(int32_t length_ms, int64_t max_tick, const TrimRange& range) {
  if (length_ms <= 0) return std::nullopt;
  uint64_t start_ms = range.start, end_ms = range.end;
  if (!range.in_ms) {
    // A percent of the length: the length over 100 in extended precision,
    // times the percentage, rounded.
    const midifile::TBinary per_cent = midifile::RoundedQuotient(static_cast<uint64_t>(length_ms), 100, 64);
    start_ms = range.start == 0 ? 0 : static_cast<uint64_t>(midifile::RoundExtendedProduct(range.start, per_cent));
    end_ms = range.end == 100 ? static_cast<uint64_t>(length_ms)
                              : static_cast<uint64_t>(midifile::RoundExtendedProduct(range.end, per_cent));
  }
  // The ratio is a double (the division of the two integers); the products
  // with it are rounded as in extended precision.
  const midifile::TBinary ratio =
      midifile::RoundedQuotient(static_cast<uint64_t>(max_tick), static_cast<uint64_t>(length_ms), 53);
  return TickRange{midifile::RoundExtendedProduct(start_ms, ratio), midifile::RoundExtendedProduct(end_ms, ratio)};
}

std::optional<midifile::ByteString> TrimSong(const LoadedInput& input, const TrimRange& range) {
  std::optional<TickRange> ticks = TicksOf(input.file, range);
  if (!ticks) return std::nullopt;
  return TrimTicks(input, *ticks);
}

midifile::ByteString TrimTicks(const LoadedInput& input, const TickRange& ticks) {
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    TrackTrimmer<TrackOutput>(ticks, out).Trim(track);
  });
}

Song CutSong(const Song& song, uint16_t division, const TickRange& ticks) {
  return RewriteSong(song, division, [&](const midifile::TMidiTrack& track, int32_t, SongTrackOutput& out) {
    TrackTrimmer<SongTrackOutput>(ticks, out, true).Trim(track);
  });
}

uint8_t TrimFile(const char* in_file, const char* out_file, const TrimRange& range) {
  if (!midifile::InputExists(in_file)) return kMissingInput;
  if (RangeProblem(range) != nullptr) return kBadRange;
  LoadedInput input = LoadForRewrite(PathArgument(in_file));
  std::optional<midifile::ByteString> trimmed = TrimSong(input, range);
  if (!trimmed) return kBadRange;
  midifile::WriteFileAtomically(PathArgument(out_file), *trimmed);
  return kDone;
}

}  // namespace chimekit
