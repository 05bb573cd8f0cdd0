#include "chimekit/ringtone/ringtone_song.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "chimekit/editing/event_data.h"
#include "chimekit/editing/rewrite.h"

namespace chimekit {
namespace {

bool IsContentTag(uint8_t status, uint8_t type) { return status == 0xFF && type >= 0x01 && type <= 0x03; }

class RingtoneFinish {
 public:
  RingtoneFinish(const midifile::TMidiFile& song, std::optional<int64_t> window_end) : window_end_(window_end) {
    if (song.NumberOfTracks() == 0) return;
    const midifile::TMidiTrack& first = song.GetTrack(0);
    for (const midifile::TMidiEvent& event : first.Events()) {
      if (IsContentTag(event.Status, event.Data1)) tags_.emplace_back(event.Data1, EventData(first, event));
      if (event.IsEndOfTrack()) break;
    }
  }

  midifile::ByteString Apply(const LoadedInput& changed) {
    return RewriteFile(changed, [this](const midifile::TMidiTrack& track, int32_t index, TrackOutput& out) {
      if (index == 0) {
        for (const auto& [type, text] : tags_) out.TextEvent(0, type, text);
      }
      first_track_ = index == 0;
      for (auto& starts : sounding_) starts.fill(-1);
      time_ = 0;
      last_sound_ = 0;
      last_note_channel_.reset();
      WalkTrack(track, out, *this);
    });
  }

  bool operator()(WalkEvent& event, TrackOutput& out) {
    // Nothing beyond the window's end: each delta is taken again from the
    // times held to it (the deltas of events dropped here pass on).
    const int64_t time = window_end_ ? std::min<int64_t>(event.time, *window_end_) : event.time;
    if (window_end_) event.delta = static_cast<int32_t>(std::max<int64_t>(time - time_, 0));
    time_ = std::max(time_, time);
    // Blanked or left in place by the walk: the song's own come first.
    if (IsContentTag(event.status, event.data1)) return false;
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
  std::vector<std::pair<uint8_t, midifile::ByteView>> tags_;
  std::array<std::array<int64_t, 128>, 16> sounding_{};  // per key the start of its note, -1 when none sounds
  bool first_track_ = false;
  int64_t time_ = 0;        // the output time of the event before (held to the window)
  int64_t last_sound_ = 0;  // the time of the track's last sound
  std::optional<uint8_t> last_note_channel_;
};

}  // namespace

midifile::ByteString FinishRingtoneSong(const midifile::TMidiFile& song, const LoadedInput& changed,
                                        std::optional<int64_t> window_end) {
  return RingtoneFinish(song, window_end).Apply(changed);
}

}  // namespace chimekit
