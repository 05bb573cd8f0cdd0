#include "chimekit/ringtone/ringtone.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/frame/frame.h"
#include "chimekit/ringtone/retime.h"
#include "chimekit/ringtone/ringtone_song.h"
#include "chimekit/ringtone/song_source.h"
#include "chimekit/smaf/smaf_text.h"
#include "chimekit/sp/sp_convert.h"
#include "midifile/rounding.h"
#include "midifile/tempo_map.h"

namespace chimekit {
namespace {

// A time in milliseconds on the grid of a re-timed song.
int64_t OnGrid(uint64_t ms) {
  return midifile::RoundEven64(static_cast<double>(ms) / kRingtoneGridMs) * int64_t{kRingtoneGridMs};
}

}  // namespace

std::string SecondsText(uint64_t ms) {
  const int64_t tenths = midifile::RoundEven64(static_cast<double>(ms) / 100.0);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

RingtoneJob MakeRingtone(midifile::ByteString input, const RingtoneOptions& options) {
  RingtoneJob job;
  job.first_track_only = options.first_track_only;
  job.timing = options.timing;
  job.window = options.window;
  SongSource source = PrepareSong(std::move(input), options.first_track_only);
  job.merged_tracks = source.merged_tracks;
  job.merged_events = source.merged_events;
  if (source.unmerged_tracks) job.unmerged_tracks = source.file.NumberOfTracks();
  midifile::ByteString bytes = std::move(source.bytes);
  midifile::TMidiFile song = std::move(source.file);

  // A song without a track or without a division is left to the
  // conversion, which refuses it in the library's words.
  const bool retime = !options.first_track_only && options.timing == RingtoneTiming::kTempoMap &&
                      song.NumberOfTracks() > 0 && song.TicksPerQuarter() != 0;
  job.library_ms = song.SongLengthMs();
  if (retime) {
    RetimedSong retimed = RetimeSong(song, kRingtoneGridMs);
    job.tempo_events = retimed.tempo_events;
    job.played_ms = retimed.played_ms;
    bytes = std::move(retimed.bytes);
    song = midifile::TMidiFile();
    song.ReadBytes(bytes);
  } else {
    const midifile::TTempoMap map(song);
    job.tempo_events = map.TempoEvents();
    job.played_ms = map.PlayedMs();
  }

  // Each change rewrites the song of the step before.
  bool changed = false;
  std::optional<int64_t> window_end;
  if (options.window) {
    // Re-timed, the song's length as it plays (its ticks are on the grid).
    job.song_ms = retime ? static_cast<int64_t>(job.played_ms) : song.SongLengthMs();
    const uint64_t start = options.window->start_ms, end = start + options.window->length_ms;
    if (start > 0 || static_cast<uint64_t>(job.song_ms) > end) {
      std::optional<TickRange> ticks;
      if (retime) {
        ticks = TickRange{OnGrid(start), OnGrid(end)};
      } else {
        ticks = TicksOf(song, {static_cast<uint32_t>(start), static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFF)), true});
      }
      if (ticks) {
        bytes = TrimTicks(ParseForRewrite(std::move(bytes)), *ticks);
        window_end = ticks->end - ticks->start;
        job.cut = changed = true;
      }
    }
  }
  if (options.volume_shift != 0) {
    ShiftedFile shifted = ShiftVolume(ParseForRewrite(std::move(bytes)), {options.volume_shift, 0, true});
    bytes = std::move(shifted.bytes);
    job.volume_applied = shifted.applied.volume;
    changed = true;
  }
  if (options.note_limit) {
    const ChannelMap identity = *CompleteChannelOrder(nullptr, true).map;
    SpConversion limited = ConvertToSp(ParseForRewrite(std::move(bytes)), identity, *options.note_limit);
    bytes = std::move(limited.bytes);
    job.note_limit = options.note_limit;
    job.dropped = limited.dropped;
    changed = true;
  }
  if (changed) {
    bytes = FinishRingtoneSong(song, ParseForRewrite(std::move(bytes)), window_end);
    song = midifile::TMidiFile();
    song.ReadBytes(bytes);
  }
  job.smaf = smaf::ConvertToSmaf(song);
  job.song = std::move(bytes);
  return job;
}

std::string RingtoneReport(const RingtoneJob& job) {
  std::string report;
  const auto line = [&report](const std::string& text) { report += text + "\n"; };
  if (job.merged_tracks > 0) {
    line("merged: " + MergeText(job.merged_tracks, job.merged_events));
  }
  if (!job.first_track_only) {
    if (job.timing == RingtoneTiming::kTempoMap) {
      line("timing: " + (job.tempo_events == 0 ? std::string("no tempo event") : smaf::Count(job.tempo_events, "tempo", "tempos")) +
           ", re-timed to the " + std::to_string(kRingtoneGridMs) + " ms grid (" + SecondsText(job.played_ms) +
           " as it plays)");
    } else {
      line("timing: the library's, one tempo for the whole song: " +
           (job.tempo_events == 0 ? std::string("120 BPM") : "the last of " + smaf::Count(job.tempo_events, "tempo", "tempos")) +
           " (" + SecondsText(static_cast<uint64_t>(std::max(job.library_ms, 0))) + "; " +
           SecondsText(job.played_ms) + " as it plays)");
    }
  }
  if (job.window) {
    const uint64_t start = job.window->start_ms, end = start + job.window->length_ms;
    const std::string of = " of " + std::to_string(job.song_ms) + " ms";
    if (!job.cut) {
      line("cut: none, the song is " + std::to_string(job.song_ms) + " ms long");
    } else if (start == 0) {
      line("cut: the first " + std::to_string(end) + " ms" + of);
    } else {
      line("cut: " + std::to_string(start) + " to " + std::to_string(end) + " ms" + of);
    }
  }
  if (job.volume_applied) line("volume: channel volumes shifted by " + std::to_string(*job.volume_applied));
  if (job.note_limit) {
    line("note limit: " + std::to_string(EffectiveNoteLimit(*job.note_limit)) +
         ", note-ons dropped: " + DroppedText(job.dropped));
  }
  const smaf::TSmafSummary& summary = job.smaf.summary;
  char timebase[64];
  std::snprintf(timebase, sizeof timebase, "timebase: %d ms (code 0x%02X)", summary.timebase_ms,
                summary.timebase_code);
  line(timebase);
  line("score tracks: " + std::to_string(summary.score_tracks));
  line("voices: " + std::to_string(summary.voices));
  line("notes converted: " + std::to_string(summary.notes_converted));
  line("notes dropped (no free slot): " + std::to_string(summary.notes_without_slot));
  if (summary.notes_converted == 0) line("no note: the ringtone is silent");
  return report;
}

}  // namespace chimekit
