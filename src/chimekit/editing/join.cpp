#include "chimekit/editing/join.h"

#include <algorithm>
#include <array>

#include "chimekit/editing/rewrite.h"
#include "midifile/rounding.h"
#include "midifile/smf_writer.h"

namespace chimekit {
namespace {

uint32_t Division(const LoadedInput& input) { return midifile::BigEndian(input.division, 0, 2); }

// Recomputes each event's delta from its output time, and each tempo value.
class JoinStep {
 public:
  explicit JoinStep(const JoinTiming& timing) : timing_(timing) {}

  bool operator()(WalkEvent& event, TrackOutput&) {
    // Times are 64-bit sums of the track's 32-bit deltas. An event's delta
    // is its output time minus that of the event before it; the output adds
    // up the deltas of events the rule leaves out. A delta, or such a sum,
    // that a MIDI file cannot hold (beyond 2^31 - 1) refuses the join rather
    // than moving the rest of the track. A negative one is written as 0.
    source_time_ += event.delta;
    const int64_t time = static_cast<int64_t>(timing_.offset) + OutputTicks();
    event.delta = midifile::CheckedDeltaTime(time - previous_);
    previous_ = time;
    if (event.status == 0xFF && event.data1 == 0x51) ScaleTempo(event);
    return true;
  }

 private:
  // The event's time in the track, in output ticks.
  int64_t OutputTicks() const {
    if (timing_.delta_scale == 1.0) return source_time_;
    return midifile::RoundEven64(static_cast<double>(source_time_) / timing_.delta_scale);
  }

  void ScaleTempo(WalkEvent& event) {
    uint32_t value = midifile::TempoDataValue(event.data);
    if (timing_.tempo_factor != 1.0) {
      value = static_cast<uint32_t>(midifile::RoundEven64(value * timing_.tempo_factor)) & 0xFFFFFF;
    }
    for (size_t i = 0; i < 3; ++i) tempo_[i] = static_cast<char>((value >> (16 - 8 * i)) & 0xFF);
    event.data = midifile::ByteView(tempo_.data(), tempo_.size());
    event.data2 = 3;
  }

  const JoinTiming& timing_;
  int64_t source_time_ = 0;   // sum of the track's deltas so far
  int64_t previous_ = 0;      // output time of the event before (the chunk starts at 0)
  std::array<char, 3> tempo_{};
};

}  // namespace

uint32_t FirstTempo(const midifile::TMidiFile& file) {
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    const midifile::TMidiTrack& track = file.GetTrack(t);
    for (const midifile::TMidiEvent& event : track.ToEndOfTrack()) {
      if (event.IsMeta(0x51)) {
        uint32_t tempo = midifile::TempoDataValue(EventData(track, event));
        if (tempo != 0) return tempo;
      }
    }
  }
  return midifile::kDefaultTempo;
}

uint64_t LongestTrackTicks(const midifile::TMidiFile& file) {
  uint64_t longest = 0;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    int64_t length = 0;
    for (const midifile::TMidiEvent& event : file.GetTrack(t).ToEndOfTrack()) length += event.DeltaTime;
    longest = std::max(longest, static_cast<uint64_t>(std::max<int64_t>(length, 0)));
  }
  return longest;
}

JoinTiming SecondFileTiming(const LoadedInput& first, const LoadedInput& second, bool sequential) {
  JoinTiming timing;
  timing.offset = sequential ? LongestTrackTicks(first.file) : 0;
  timing.tempo_factor = static_cast<double>(FirstTempo(first.file)) / FirstTempo(second.file);
  uint32_t div1 = Division(first), div2 = Division(second);
  // Without a division on either side no scale is known; ticks stay ticks.
  timing.delta_scale = div1 == 0 || div2 == 0 ? 1.0 : static_cast<double>(div2) / div1 * timing.tempo_factor;
  return timing;
}

void WriteJoinedTrack(const midifile::TMidiTrack& track, const JoinTiming& timing, TrackOutput& out) {
  WalkTrack(track, out, JoinStep(timing));
}

JoinedFile JoinInputs(const LoadedInput& first, const LoadedInput& second, bool sequential) {
  int64_t tracks = int64_t{first.file.NumberOfTracks()} + second.file.NumberOfTracks();
  JoinedFile joined;
  joined.second = SecondFileTiming(first, second, sequential);
  // A count beyond 16 bits is refused by the header either way.
  int32_t counted = static_cast<int32_t>(std::min<int64_t>(tracks, midifile::kMaxTrackCount + 1));
  joined.bytes = midifile::HeaderChunk(tracks == 0 ? midifile::TFileFormat::single : midifile::TFileFormat::multi_synch,
                                       counted, first.division);
  joined.bytes.reserve(first.byte_count + second.byte_count + (second.byte_count >> 3) + 64);
  const JoinTiming unchanged;
  AppendTracks(first.file, joined.bytes, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WriteJoinedTrack(track, unchanged, out);
  });
  AppendTracks(second.file, joined.bytes, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    WriteJoinedTrack(track, joined.second, out);
  });
  return joined;
}

uint8_t JoinFiles(const char* first_file, const char* second_file, const char* out_file, bool sequential) {
  if (!midifile::InputExists(first_file) || !midifile::InputExists(second_file)) return kMissingInput;
  LoadedInput first = LoadForRewrite(PathArgument(first_file));
  LoadedInput second = LoadForRewrite(PathArgument(second_file));
  midifile::WriteFileAtomically(PathArgument(out_file), JoinInputs(first, second, sequential).bytes);
  return kDone;
}

}  // namespace chimekit
