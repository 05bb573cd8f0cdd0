#include "chimekit/ringtone/ringtone_song.h"

#include <algorithm>
#include <array>

#include "chimekit/editing/rewrite.h"

namespace chimekit {
namespace {

bool IsContentTag(uint8_t status, uint8_t type) { return status == 0xFF && type >= 0x01 && type <= 0x03; }

// The step of the finish over one track.
class RingtoneFinish {
 public:
  RingtoneFinish(bool first_track, std::optional<int64_t> window_end)
      : window_end_(window_end), first_track_(first_track) {
    for (auto& starts : sounding_) starts.fill(-1);
  }

  bool operator()(WalkEvent& event, SongTrackOutput& out) {
    // Nothing beyond the window's end: each delta is taken again from the
    // times held to it (the deltas of events left out pass on).
    const int64_t time = window_end_ ? std::min<int64_t>(event.time, *window_end_) : event.time;
    if (window_end_) event.delta = static_cast<int32_t>(std::max<int64_t>(time - time_, 0));
    time_ = std::max(time_, time);
    if (event.status == 0xFF && event.data1 != 0x2F && event.data1 != 0x51) return false;
    const uint8_t kind = event.Kind();
    const uint8_t channel = event.Channel();
    std::array<int64_t, 128>& starts = sounding_[channel];
    if (kind == 0x80 || kind == 0x90) End(starts[event.data1 & 0x7F]);
    if (kind == 0x90 && event.data2 != 0) {
      starts[event.data1 & 0x7F] = time_;
      last_note_channel_ = channel;
    }
    if (kind == 0xD0 || kind == 0xE0) last_sound_ = time_;
    if (event.IsControl(123)) {
      for (uint8_t key = 0; key < 128; ++key) {
        if (starts[key] < 0) continue;
        out.ChannelEvent(event.delta, static_cast<uint8_t>(0x80 | channel), key, 0);
        event.delta = 0;
        End(starts[key]);
      }
    }
    if (event.status == 0xFF && event.data1 == 0x2F && first_track_ && window_end_ && last_note_channel_ &&
        last_sound_ < *window_end_) {
      out.ChannelEvent(event.delta, static_cast<uint8_t>(0xE0 | *last_note_channel_), 0x00, 0x40);
      event.delta = 0;
    }
    return true;
  }

 private:
  // A note ends: a sound that lasts while it started before now.
  void End(int64_t& start) {
    if (start >= 0 && start < time_) last_sound_ = time_;
    start = -1;
  }

  const std::optional<int64_t> window_end_;
  const bool first_track_;
  std::array<std::array<int64_t, 128>, 16> sounding_{};  // per key the start of its note, -1 when none sounds
  int64_t time_ = 0;        // the output time of the event before (held to the window)
  int64_t last_sound_ = 0;  // the time of the track's last sound
  std::optional<uint8_t> last_note_channel_;
};

}  // namespace

std::vector<ContentTag> FirstTrackTags(const midifile::TMidiFile& song) {
  std::vector<ContentTag> tags;
  if (song.NumberOfTracks() == 0) return tags;
  for (const midifile::TMidiEvent& event : song.GetTrack(0).ToEndOfTrack()) {
    if (IsContentTag(event.Status, event.Data1)) tags.push_back({event.Data1, midifile::ByteString(event.DataBytes)});
  }
  return tags;
}

smaf::TSmafTags SmafTags(const std::vector<ContentTag>& content) {
  smaf::TSmafTags tags;
  for (const ContentTag& tag : content) tags.Add(tag.type, tag.text);
  return tags;
}

Song FinishRingtoneSong(const Song& changed, uint16_t division, std::optional<int64_t> window_end,
                        const std::vector<ContentTag>& content) {
  return RewriteSong(changed, division, [&](const midifile::TMidiTrack& track, int32_t index, SongTrackOutput& out) {
    if (index == 0) {
      for (const ContentTag& tag : content) out.TextEvent(0, tag.type, tag.text);
    }
    WalkTrack(track, out, RingtoneFinish(index == 0, window_end));
  });
}

}  // namespace chimekit
