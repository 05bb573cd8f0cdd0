#include "chimekit/ringtone/retime.h"

#include <cstddef>
#include <cstdint>

#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/track_trimmer.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"
#include "midifile/song_writer.h"

namespace chimekit {
namespace {

WalkEvent Event(uint8_t status, uint8_t data1, uint8_t data2, midifile::ByteView data = {}) {
  WalkEvent event;
  event.status = status;
  event.data1 = data1;
  event.data2 = data2;
  event.data = data;
  return event;
}

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
  if (tempo_first && !emit(Event(0xFF, 0x51, 3, midifile::ByteView(kTempoBytes, 3)))) return;
  uint64_t tick = 0;
  midifile::TTempoMap::Cursor clock(map, index);
  const std::span<const midifile::TMidiEvent> events = track.ToEndOfTrack();
  for (size_t i = 0; i < events.size(); ++i) {
    const midifile::TMidiEvent& event = events[i];
    tick = midifile::AddDelta(tick, event.DeltaTime);
    ms = clock.Units(tick, uint64_t{grid_ms} * 1000) * grid_ms;
    const uint8_t status = event.Status;
    const bool channel = status >= 0x80 && status < 0xF0;
    const bool end = event.IsEndOfTrack();
    // Channel messages and meta events but tempo stay; an end of track ends the track.
    if (!channel && !(status == 0xFF && event.Data1 != 0x51)) continue;
    out.From(i);
    if (!emit(end ? Event(0xFF, 0x2F, 0) : Event(status, event.Data1, event.Data2, event.DataBytes)) || end) return;
  }
  emit(Event(0xFF, 0x2F, 0));
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
  // When no time of the song reaches 2^31 ms, times only grow within a
  // track (they wrap as 32-bit sums beyond) and no gap is too large for a
  // delta: the walk of a track may stop at its first event after the window.
  const bool times_grow = map.PlayedMs() + grid_ms <= static_cast<uint64_t>(INT32_MAX);
  return Retimed(song, grid_ms, 1024,
                 [&](const midifile::TMidiTrack& track, int32_t t, uint32_t grid, bool tempo, SongTrackOutput& out) {
                   TrackTrimmer<SongTrackOutput> trimmer(ticks, out, true);
                   RetimeTrack(track, t, map, grid, tempo, out, [&](const WalkEvent& event) {
                     return trimmer.Take(event) && !(times_grow && trimmer.PastEnd());
                   });
                   trimmer.Close();
                 });
}

}  // namespace chimekit
