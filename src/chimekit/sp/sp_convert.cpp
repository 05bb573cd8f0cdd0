#include "chimekit/sp/sp_convert.h"

#include <bit>

#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/song_output.h"
#include "midifile/file_io.h"

namespace chimekit {
namespace {

// The step MIDI2SP plugs into the rewrite walk: renumbers the channel of
// every channel message and leaves out the note-ons over the limit.
class NoteLimiter {
 public:
  NoteLimiter(const ChannelMap& map, uint8_t note_limit, std::array<uint64_t, 16>& dropped)
      : map_(map), limit_(EffectiveNoteLimit(note_limit)), dropped_(dropped) {}

  // Nothing is held at the start of a track.
  void StartTrack() { held_ = {}; }

  bool operator()(WalkEvent& event, auto&) {
    if (event.status < 0x80 || event.status >= 0xF0) return true;  // the event rule decides
    const uint8_t kind = event.Kind();
    const uint8_t channel = map_[event.Channel()];
    event.status = static_cast<uint8_t>(kind | channel);
    if (kind != 0x80 && kind != 0x90) return true;
    const uint8_t key = event.data1 & 0x7F;
    if (kind == 0x80 || event.data2 == 0) {
      Release(channel, key);
      return true;
    }
    if (Sounding(channel, event.time) >= limit_) {
      ++dropped_[channel];
      return false;
    }
    held_[channel][key >> 6] |= uint64_t{1} << (key & 0x3F);
    end_[channel][key] = int64_t{event.time} + event.duration;
    return true;
  }

 private:
  void Release(uint8_t channel, uint8_t key) { held_[channel][key >> 6] &= ~(uint64_t{1} << (key & 0x3F)); }

  // The held notes of a channel that end at `time` or later, counted up to
  // the limit. A note that has ended stays held until its note-off: the
  // 32-bit absolute times of a track wrap, and after the wrap it sounds
  // again.
  uint32_t Sounding(uint8_t channel, int32_t time) const {
    uint32_t count = 0;
    for (uint8_t word = 0; word < 2; ++word) {
      for (uint64_t bits = held_[channel][word]; bits != 0; bits &= bits - 1) {
        const uint8_t bit = static_cast<uint8_t>(std::countr_zero(bits));
        if (end_[channel][word * 64 + bit] >= time && ++count >= limit_) return count;
      }
    }
    return count;
  }

  const ChannelMap& map_;
  const uint32_t limit_;
  std::array<uint64_t, 16>& dropped_;
  // Per channel: which keys hold a kept note, and the tick each ends at
  // (read only where held).
  std::array<std::array<uint64_t, 2>, 16> held_{};
  std::array<std::array<int64_t, 128>, 16> end_{};
};

}  // namespace

std::string DroppedText(const std::array<uint64_t, 16>& dropped) {
  uint64_t total = 0;
  std::string channels;
  for (size_t channel = 0; channel < dropped.size(); ++channel) {
    if (dropped[channel] == 0) continue;
    total += dropped[channel];
    channels += (channels.empty() ? " (" : ", ") + std::string("channel ") + std::to_string(channel + 1) + ": " +
                std::to_string(dropped[channel]);
  }
  return std::to_string(total) + channels + (channels.empty() ? "" : ")");
}

SpConversion ConvertToSp(const LoadedInput& input, const ChannelMap& map, uint8_t note_limit) {
  SpConversion result;
  NoteLimiter limiter(map, note_limit, result.dropped);
  result.bytes = RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    limiter.StartTrack();
    WalkTrack(track, out, limiter);
  });
  return result;
}

LimitedSong LimitNotes(const Song& song, uint16_t division, uint8_t note_limit) {
  LimitedSong result;
  const ChannelMap identity = *CompleteChannelOrder(nullptr, true).map;
  NoteLimiter limiter(identity, note_limit, result.dropped);
  result.song = RewriteSong(song, division, [&](const midifile::TMidiTrack& track, int32_t, SongTrackOutput& out) {
    limiter.StartTrack();
    WalkTrack(track, out, limiter);
  });
  return result;
}

uint8_t SpFile(const char* in_file, const char* out_file, const char* order, bool drums, uint8_t note_limit) {
  if (!midifile::InputExists(in_file)) return kMissingInput;
  OrderCompletion completion = CompleteChannelOrder(order, drums);
  if (!completion.map) return kBadChannelOrder;
  LoadedInput input = LoadForRewrite(PathArgument(in_file));
  midifile::WriteFileAtomically(PathArgument(out_file), ConvertToSp(input, *completion.map, note_limit).bytes);
  return kDone;
}

}  // namespace chimekit
