// The ringtone job, from the bytes of a MIDI file to a SMAF ringtone, as the
// tool's smaf, ringtone and play commands, the web page and the Python
// package run it. The song is read once, and one song in memory (Song,
// editing/song_output.h) goes from stage to stage:
//
//   1. merge: a format 1 file of several tracks (plain or in a RIFF RMID
//      form) becomes one track (song_source.h), then is read;
//   2. timing: by default the song is re-timed from its tempo map onto the
//      4 ms grid of the SMAF timebase (retime.h), so the ringtone plays at
//      the song's own speed; or it keeps the library's timing (the file's
//      last tempo for the whole song, deltas rounded one by one);
//   3. cut: a window of the song (start and length in milliseconds as it
//      plays) by the trimming, moved to time 0 (re-timed and cut in one
//      walk);
//   4. volume: every channel volume shifted (drums too), as set-volume does;
//   5. limit: at most so many notes at once per channel (MIDI2SP's limit);
//   6. finish: the notes cut at the window's end ended there, the
//      ringtone's title and copyright at its start (ringtone_song.h);
//   7. convert: MIDI2SMAF's conversion of the first track, its content
//      information the ringtone's title and copyright (ringtone_title.h).
//
// The song is written once, at the end: the ringtone's MIDI song. With
// first_track_only the file is converted as it is, exactly as the
// MIDI2SMAF export converts it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chimekit/ringtone/ringtone_notes.h"
#include "chimekit/ringtone/ringtone_song.h"
#include "chimekit/ringtone/ringtone_title.h"
#include "chimekit/smaf/convert.h"
#include "midifile/bytes.h"

namespace chimekit {

// The grid the tempo-map timing puts every event on: the timebase the SMAF
// conversion chooses for a re-timed song (one tick a millisecond).
inline constexpr uint32_t kRingtoneGridMs = 4;

enum class RingtoneTiming { kTempoMap, kLibrary };

struct RingtoneWindow {
  uint32_t start_ms = 0;
  uint32_t length_ms = 30000;
};

struct RingtoneOptions {
  bool first_track_only = false;  // no merge, no re-timing: the export's ringtone
  RingtoneTiming timing = RingtoneTiming::kTempoMap;
  std::optional<RingtoneWindow> window;  // none: the whole song
  int32_t volume_shift = 0;              // -127 .. 127; 0: volumes as they are
  std::optional<uint8_t> note_limit;     // as MIDI2SP takes it (0 is 255); none: no limit
  bool notes = false;  // list the song's notes in the window and where each went
  bool write_song = true;  // false: no MIDI song (job.song stays empty)
  // The ringtone's title and copyright, given; none: the song's own, the
  // title else the file's name.
  std::optional<midifile::ByteString> title;
  std::optional<midifile::ByteString> copyright;
  std::string file_name;
};

struct RingtoneJob {
  // Merge.
  uint32_t merged_tracks = 0;  // 0: not merged
  uint32_t merged_events = 0;
  int32_t unmerged_tracks = 0;  // tracks of a format 1 file converted without a merge
  // Timing.
  bool first_track_only = false;
  RingtoneTiming timing = RingtoneTiming::kTempoMap;
  uint32_t tempo_events = 0;
  uint64_t played_ms = 0;   // the song's length as it plays
  int32_t library_ms = 0;   // the song's length at its last tempo, as MIDIGetLengthMs reports it
  // Cut.
  std::optional<RingtoneWindow> window;
  bool cut = false;
  int64_t song_ms = 0;  // the length of the song the window was taken from
  // Volume and limit.
  std::optional<int32_t> volume_applied;
  std::optional<uint8_t> note_limit;
  std::array<uint64_t, 16> dropped{};  // note-ons the limit left out, by channel
  // The ringtone's title and copyright (none with first_track_only), and
  // the content information's tags: those two, or with first_track_only the
  // first track's text, copyright and name events as MIDI2SMAF takes them.
  RingtoneTitle kept;
  std::vector<ContentTag> content;
  // With options.notes: the song's notes that start in the window (all of
  // them without a cut), in the order they start.
  std::vector<RingtoneNote> notes;
  // The MIDI song the ringtone is made of (unless !write_song), and the
  // ringtone.
  midifile::ByteString song;
  smaf::TSmafConversion smaf;
};

// Throws the reader's and the conversion's errors. A ringtone without a
// note is made all the same; whether to keep it is the caller's choice.
RingtoneJob MakeRingtone(midifile::ByteString input, const RingtoneOptions& options);

// What the job did, a line per step ("merged: ...", "timing: ...", "cut:
// ...", "volume: ...", "note limit: ...", the title and copyright kept, then
// the conversion's timebase, score tracks, voices and notes), each line
// ended by "\n".
std::string RingtoneReport(const RingtoneJob& job);

// "83.9 s" (tenths of a second).
std::string SecondsText(uint64_t ms);

}  // namespace chimekit
