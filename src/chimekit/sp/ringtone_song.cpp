#include "chimekit/sp/ringtone_song.h"

#include <utility>
#include <vector>

#include "chimekit/editing/event_data.h"
#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/trim.h"
#include "chimekit/sp/sp_convert.h"

namespace chimekit {
namespace {

bool IsContentTag(uint8_t status, uint8_t type) { return status == 0xFF && type >= 0x01 && type <= 0x03; }

// The last pass over a changed song: the content tags put back, a note-off
// for every note still sounding at an All Notes Off.
class RingtoneFinish {
 public:
  explicit RingtoneFinish(const midifile::TMidiFile& song) {
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
      sounding_ = {};
      WalkTrack(track, out, *this);
    });
  }

  bool operator()(WalkEvent& event, TrackOutput& out) {
    // Blanked or left in place by the walk: the song's own come first.
    if (IsContentTag(event.status, event.data1)) return false;
    const uint8_t kind = event.Kind();
    std::array<bool, 128>& keys = sounding_[event.Channel()];
    if (kind == 0x90 || kind == 0x80) keys[event.data1 & 0x7F] = kind == 0x90 && event.data2 != 0;
    if (event.IsControl(123)) {
      for (uint8_t key = 0; key < 128; ++key) {
        if (!keys[key]) continue;
        out.ChannelEvent(event.delta, static_cast<uint8_t>(0x80 | event.Channel()), key, 0);
        event.delta = 0;
        keys[key] = false;
      }
    }
    return true;
  }

 private:
  std::vector<std::pair<uint8_t, midifile::ByteView>> tags_;
  std::array<std::array<bool, 128>, 16> sounding_{};
};

}  // namespace

RingtoneSong PrepareRingtoneSong(const LoadedInput& song, const RingtoneSongOptions& options) {
  RingtoneSong result;
  result.song_ms = song.file.SongLengthMs();
  if (result.song_ms > 0 && static_cast<uint32_t>(result.song_ms) > options.length_ms) {
    result.bytes = TrimSong(song, TrimRange{0, options.length_ms, true});
    result.cut = result.bytes.has_value();
  }
  if (options.note_limit) {
    const ChannelMap identity = *CompleteChannelOrder(nullptr, true).map;
    SpConversion limited = result.bytes
                               ? ConvertToSp(ParseForRewrite(std::move(*result.bytes)), identity, *options.note_limit)
                               : ConvertToSp(song, identity, *options.note_limit);
    result.bytes = std::move(limited.bytes);
    result.dropped = limited.dropped;
  }
  if (result.bytes) result.bytes = RingtoneFinish(song.file).Apply(ParseForRewrite(std::move(*result.bytes)));
  return result;
}

}  // namespace chimekit
