// The ringtone job's summary in words: a line per step.
#include <algorithm>
#include <cstdio>

#include "chimekit/ringtone/ringtone.h"
#include "chimekit/ringtone/song_source.h"
#include "chimekit/smaf/smaf_text.h"
#include "chimekit/sp/sp_convert.h"
#include "midifile/rounding.h"

namespace chimekit {

std::string SecondsText(uint64_t ms) {
  const int64_t tenths = midifile::RoundEven64(static_cast<double>(ms) / 100.0);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
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
  if (!job.first_track_only) line(TitleText(job.kept));
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
