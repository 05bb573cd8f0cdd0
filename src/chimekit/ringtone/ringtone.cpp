#include "chimekit/ringtone/ringtone.h"

#include <algorithm>
#include <utility>

#include "chimekit/editing/song_output.h"
#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/ringtone/retime.h"
#include "chimekit/ringtone/ringtone_song.h"
#include "chimekit/ringtone/song_source.h"
#include "chimekit/sp/sp_convert.h"
#include "midifile/rounding.h"
#include "midifile/song_writer.h"
#include "midifile/tempo_map.h"

namespace chimekit {
namespace {

// A time in milliseconds on the grid of a re-timed song.
int64_t OnGrid(uint64_t ms) {
  return midifile::RoundEven64(static_cast<double>(ms) / kRingtoneGridMs) * int64_t{kRingtoneGridMs};
}

// The job's window in ticks of the re-timed song (milliseconds) or, with
// the library's timing, of the song as read; none when the window holds the
// whole song or the song has no length. Sets the length of the song it is
// taken from.
std::optional<TickRange> WindowTicks(const midifile::TMidiFile& read, bool retime, RingtoneJob& job) {
  if (!job.window) return std::nullopt;
  // Re-timed, the song's length as it plays (its ticks are on the grid).
  job.song_ms = retime ? static_cast<int64_t>(job.played_ms) : read.SongLengthMs();
  const uint64_t start = job.window->start_ms, end = start + job.window->length_ms;
  if (start == 0 && static_cast<uint64_t>(job.song_ms) <= end) return std::nullopt;
  if (retime) return TickRange{OnGrid(start), OnGrid(end)};
  return TicksOf(read, {static_cast<uint32_t>(start), static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFF)), true});
}

// The stages after the timing, each on the song of the one before.
class Stages {
 public:
  Stages(Song song, std::optional<NoteTracker>& notes) : song_(std::move(song)), notes_(notes) {}

  Song& song() { return song_; }
  void Replace(Song song, std::optional<NoteFate> fate = std::nullopt) {
    song_ = std::move(song);
    if (notes_ && fate) notes_->LeftOut(song_, *fate);
  }

 private:
  Song song_;
  std::optional<NoteTracker>& notes_;
};

}  // namespace

RingtoneJob MakeRingtone(midifile::ByteString input, const RingtoneOptions& options) {
  RingtoneJob job;
  job.first_track_only = options.first_track_only;
  job.timing = options.timing;
  job.window = options.window;
  SongSource source = PrepareSong(std::move(input), options.first_track_only);
  job.merged_tracks = source.merged_tracks;
  job.merged_events = source.merged_events;
  const midifile::TMidiFile& read = source.file;
  if (source.unmerged_tracks) job.unmerged_tracks = read.NumberOfTracks();

  // A song without a track or without a division is left to the
  // conversion, which refuses it in the library's words.
  const bool retime = !options.first_track_only && options.timing == RingtoneTiming::kTempoMap &&
                      read.NumberOfTracks() > 0 && read.TicksPerQuarter() != 0;
  job.library_ms = read.SongLengthMs();
  const midifile::TTempoMap map(read);
  job.tempo_events = map.TempoEvents();
  job.played_ms = map.PlayedMs();
  if (options.first_track_only) {
    job.content = FirstTrackTags(read);
  } else {
    job.kept = ChooseTitle(read, options.file_name, options.title, options.copyright);
    job.content = job.kept.Tags();
  }
  const std::optional<TickRange> ticks = WindowTicks(read, retime, job);
  job.cut = ticks.has_value();
  std::optional<NoteTracker> notes;
  if (options.notes) {
    // The notes of the window as the song plays (all of them without a cut).
    const uint64_t start = job.cut ? job.window->start_ms : 0;
    notes.emplace(read, map, !retime, start, job.cut ? start + job.window->length_ms : UINT64_MAX);
  }
  const bool changed = job.cut || options.volume_shift != 0 || options.note_limit.has_value();

  // The division a changed song's header carries: that of the song it was
  // first changed from, as stored (a file shorter than a header has none).
  const uint16_t division = retime ? kRetimedDivision : !changed ? 0 : [&read] {
    return static_cast<uint16_t>(midifile::BigEndian(midifile::DivisionBytes(read.Bytes()), 0, 2));
  }();
  Stages stages(LoadedSong(std::move(source.file), options.notes), notes);
  if (retime && ticks) {
    stages.Replace(RetimeAndCut(stages.song(), map, kRingtoneGridMs, *ticks), NoteFate::kOutsideWindow);
  } else {
    if (retime) stages.Replace(RetimeSong(stages.song(), map, kRingtoneGridMs));
    if (ticks) stages.Replace(CutSong(stages.song(), division, *ticks), NoteFate::kOutsideWindow);
  }
  std::optional<int64_t> window_end;
  if (ticks) window_end = ticks->end - ticks->start;
  if (options.volume_shift != 0) {
    ShiftedSong shifted = ShiftVolume(stages.song(), division, {options.volume_shift, 0, true});
    stages.Replace(std::move(shifted.song));
    job.volume_applied = shifted.applied.volume;
  }
  if (options.note_limit) {
    LimitedSong limited = LimitNotes(stages.song(), division, *options.note_limit);
    stages.Replace(std::move(limited.song), NoteFate::kNoteLimit);
    job.note_limit = options.note_limit;
    job.dropped = limited.dropped;
  }
  if (changed) stages.Replace(FinishRingtoneSong(stages.song(), division, window_end, job.content));

  const Song& song = stages.song();
  const smaf::TSmafTags tags = SmafTags(job.content);
  std::vector<smaf::TNoteResult> results;
  job.smaf = smaf::ConvertToSmaf(song.file, {&tags, notes ? &results : nullptr});
  if (notes) {
    notes->Converted(song, results);
    job.notes = notes->Notes();
  }
  // Written once: a re-timed or changed song; otherwise the file as read.
  if (options.write_song) {
    job.song = retime || changed ? midifile::WriteSong(song.file) : midifile::ByteString(song.file.Bytes());
  }
  return job;
}

}  // namespace chimekit
