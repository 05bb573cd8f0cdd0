#include "chimekit/ringtone/retime.h"

#include "chimekit/editing/track_output.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"
#include "midifile/tempo_map.h"

namespace chimekit {
namespace {

// Writes one track's events at their re-timed milliseconds.
class RetimedTrack {
 public:
  RetimedTrack(const midifile::TTempoMap& map, int32_t track, uint32_t grid_ms, TrackOutput& out)
      : map_(map), track_(track), grid_ms_(grid_ms), out_(out) {}

  void Write(const midifile::TMidiTrack& track) {
    uint64_t tick = 0, ms = 0;
    for (const midifile::TMidiEvent& event : track.Events()) {
      tick = midifile::AddDelta(tick, event.DeltaTime);
      ms = map_.Units(track_, tick, uint64_t{grid_ms_} * 1000) * grid_ms_;
      const uint8_t status = event.Status;
      if (status >= 0x80 && status < 0xF0) {
        out_.ChannelEvent(Delta(ms), status, event.Data1, event.Data2);
      } else if (event.IsEndOfTrack()) {
        out_.MetaEvent(Delta(ms), 0x2F, 0, {});
        return;
      } else if (status == 0xFF && event.Data1 != 0x51) {
        out_.TextEvent(Delta(ms), event.Data1, event.DataBytes);
      }
    }
    out_.MetaEvent(Delta(ms), 0x2F, 0, {});
  }

 private:
  int32_t Delta(uint64_t ms) {
    // Times never go back (the map is monotonic in the tick) and stay far
    // below 2^63 ms.
    const int32_t delta = midifile::CheckedDeltaTime(static_cast<int64_t>(ms - written_ms_));
    written_ms_ = ms;
    return delta;
  }

  const midifile::TTempoMap& map_;
  const int32_t track_;
  const uint32_t grid_ms_;
  TrackOutput& out_;
  uint64_t written_ms_ = 0;
};

}  // namespace

RetimedSong RetimeSong(const midifile::TMidiFile& song, uint32_t grid_ms) {
  if (song.TicksPerQuarter() == 0) throw midifile::ConversionError("The file has no time base: its division is 0");
  if (grid_ms == 0) grid_ms = 1;
  const midifile::TTempoMap map(song);
  RetimedSong retimed;
  retimed.tempo_events = map.TempoEvents();
  retimed.played_ms = map.PlayedMs();
  const char division[2] = {static_cast<char>(kRetimedDivision >> 8), static_cast<char>(kRetimedDivision & 0xFF)};
  retimed.bytes = midifile::HeaderChunk(song.FileFormat(), song.NumberOfTracks(), midifile::ByteView(division, 2));
  const char tempo[3] = {static_cast<char>(kRetimedTempo >> 16), static_cast<char>((kRetimedTempo >> 8) & 0xFF),
                         static_cast<char>(kRetimedTempo & 0xFF)};
  const bool tempo_per_track = song.FileFormat() == midifile::TFileFormat::multi_asynch;
  for (int32_t t = 0; t < song.NumberOfTracks(); ++t) {
    TrackOutput out(retimed.bytes);
    if (t == 0 || tempo_per_track) out.MetaEvent(0, 0x51, 3, midifile::ByteView(tempo, 3));
    RetimedTrack(map, t, grid_ms, out).Write(song.GetTrack(t));
    out.Finish();
  }
  return retimed;
}

}  // namespace chimekit
