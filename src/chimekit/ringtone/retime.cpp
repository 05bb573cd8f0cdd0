#include "chimekit/ringtone/retime.h"

#include <cstddef>

#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/track_trimmer.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"
#include "midifile/song_writer.h"

namespace chimekit {
namespace {

constexpr char kTempoBytes[3] = {static_cast<char>(kRetimedTempo >> 16), static_cast<char>((kRetimedTempo >> 8) & 0xFF),
                                 static_cast<char>(kRetimedTempo & 0xFF)};

// Hands the events of one track at their re-timed milliseconds, as a walk
// hands them, to `take(event)` until it returns false or the track ends;
// `out` is told the input event each came from.
template <class Take>
void RetimeTrack(const midifile::TMidiTrack& track, int32_t index, const midifile::TTempoMap& map, uint32_t grid_ms,
                 bool tempo_first, SongTrackOutput& out, Take&& take) {
  uint64_t ms = 0, written_ms = 0;
  const auto emit = [&](WalkEvent event) {
    // Times never go back (the map is monotonic in the tick) and stay far
    // below 2^63 ms; in the song, a time is the 32-bit sum of the deltas.
    event.delta = midifile::CheckedDeltaTime(static_cast<int64_t>(ms - written_ms));
    written_ms = ms;
    event.time = static_cast<int32_t>(static_cast<uint32_t>(ms));
    return take(event);
  };
  if (tempo_first && !emit(WalkEvent{0xFF, 0x51, 3, 0, 0, 0, midifile::ByteView(kTempoBytes, 3)})) return;
  uint64_t tick = 0;
  const std::span<const midifile::TMidiEvent> events = track.Events();
  for (size_t i = 0; i < events.size(); ++i) {
    const midifile::TMidiEvent& event = events[i];
    tick = midifile::AddDelta(tick, event.DeltaTime);
    ms = map.Units(index, tick, uint64_t{grid_ms} * 1000) * grid_ms;
    const uint8_t status = event.Status;
    const bool channel = status >= 0x80 && status < 0xF0;
    const bool end = event.IsEndOfTrack();
    // Channel messages and meta events but tempo stay; an end of track ends the track.
    if (!channel && !(status == 0xFF && event.Data1 != 0x51)) continue;
    WalkEvent retimed{status, event.Data1, end ? uint8_t{0} : event.Data2};
    if (status == 0xFF && !end) retimed.data = event.DataBytes;
    out.From(i);
    if (!emit(retimed) || end) return;
  }
  emit(WalkEvent{0xFF, 0x2F, 0});
}

template <class WriteTrack>
Song Retimed(const Song& song, uint32_t grid_ms, size_t events, WriteTrack&& write_track) {
  if (song.file.TicksPerQuarter() == 0) throw midifile::ConversionError("The file has no time base: its division is 0");
  if (grid_ms == 0) grid_ms = 1;
  const bool tempo_per_track = song.file.FileFormat() == midifile::TFileFormat::multi_asynch;
  return RewriteSong(
      song, kRetimedDivision,
      [&](const midifile::TMidiTrack& track, int32_t t, SongTrackOutput& out) {
        write_track(track, t, grid_ms, t == 0 || tempo_per_track, out);
      },
      events);
}

}  // namespace

Song RetimeSong(const Song& song, const midifile::TTempoMap& map, uint32_t grid_ms) {
  return Retimed(song, grid_ms, kAsManyEvents,
                 [&](const midifile::TMidiTrack& track, int32_t t, uint32_t grid, bool tempo, SongTrackOutput& out) {
                   RetimeTrack(track, t, map, grid, tempo, out, [&out](const WalkEvent& event) {
                     WriteEvent(event, out);
                     return true;
                   });
                 });
}

midifile::ByteString RetimedFile(midifile::TMidiFile song, uint32_t grid_ms) {
  const Song input = LoadedSong(std::move(song), false);
  return midifile::WriteSong(RetimeSong(input, midifile::TTempoMap(input.file), grid_ms).file);
}

Song RetimeAndCut(const Song& song, const midifile::TTempoMap& map, uint32_t grid_ms, const TickRange& ticks) {
  return Retimed(song, grid_ms, 1024,
                 [&](const midifile::TMidiTrack& track, int32_t t, uint32_t grid, bool tempo, SongTrackOutput& out) {
                   TrackTrimmer<SongTrackOutput> trimmer(ticks, out);
                   RetimeTrack(track, t, map, grid, tempo, out, [&trimmer](const WalkEvent& event) {
                     return trimmer.Take(event);
                   });
                   trimmer.Close();
                 });
}

}  // namespace chimekit
