// A SMAF file as the preview plays it, built from the neutral score of the
// SMAF reader (smafread/score.h): the events of every score track on one
// time line in samples, each note with the voice it plays, the waves the
// notes and the audio tracks play decoded, and a summary of what plays and
// what cannot.
//
// Channels:
// - Handyphone Standard score track t (1 to 4), channel c: channel
//   4 (t - 1) + c, one note at a time, each note cutting off the one before
//   (as the format's own players do); a Handyphone track of another number
//   takes four channels of its own after those.
// - Mobile Standard score tracks: sixteen channels each, after those; their
//   notes share a pool that sounds, as a handset's sound chip, up to
//   kPoolWeight notes at once, a note of a four-operator voice counting
//   twice (32 notes of two operators or sampled, 16 of four). A note beyond
//   that takes the place of the oldest note let go on its channel, else of
//   the oldest let go, else of the oldest.
//
// Voices (score_voices.h): a note plays the voice of the file that the
// reader found for it (its channel's bank and program; on a drum channel,
// the drum voice of its key), else the library's own voice of its
// channel's program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/preview/audio_track.h"
#include "chimekit/preview/fm4_voice.h"
#include "chimekit/preview/fm_voice.h"
#include "chimekit/preview/pcm_voice.h"
#include "chimekit/preview/wave_data.h"
#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::preview {

inline constexpr uint32_t kPoolNotes = 32;
inline constexpr uint32_t kPoolWeight = 32;

enum class Engine : uint8_t { kFm, kFm4, kPcm };

// What a note plays: a two-operator voice (Handyphone voices and the
// library's own), a Mobile Standard FM voice of two or four operators, or a
// sampled voice with its wave.
struct PlayVoice {
  Engine engine = Engine::kFm;
  FmVoice fm;
  Fm4Voice fm4;
  PcmVoice pcm;
  uint32_t wave = 0;  // kPcm: index into PreviewScore::waves
};

enum class ScoreAction : uint8_t {
  kNote,        // value: the key it sounds at; voice, velocity, gate_samples
  kVolume,      // value 0 to 127 (a Handyphone file may give 128, as loud as 127)
  kPan,
  kExpression,
  kPitchBend,   // Handyphone: value 0 to 127, 64 the middle, two semitones either way
  kBend,        // Mobile Standard: value in 1/65536 semitone, from the bend and its range
};

// 32 bytes. A channel from `channels.size()` on is audio track
// channel - channels.size(), whose volume, pan and expression it sets.
struct ScoreEvent {
  uint64_t sample = 0;
  uint64_t gate_samples = 0;
  int32_t value = 0;
  uint32_t voice = 0;
  uint16_t channel = 0;
  ScoreAction action = ScoreAction::kNote;
  uint8_t velocity = 127;
};

struct AudioTrackPlan {
  std::vector<AudioTrackEvent> events;
  std::vector<DecodedWave> waves;
};

// What was read and what plays, for the summary of `chimekit play` and the
// render job.
struct PreviewSummary {
  std::vector<std::string> score_formats;  // each score track read, in file order
  uint64_t notes = 0;                      // of those tracks
  uint64_t notes_on_file_fm = 0;           // played on the file's FM voices
  uint64_t notes_on_file_pcm = 0;          // on its sampled voices and stream PCM
  uint64_t notes_on_built_in = 0;          // on the library's own voices
  uint32_t audio_tracks = 0;
  uint64_t wave_events = 0;   // of the audio tracks
  uint64_t waves_played = 0;  // of those, the ones that play
  // What the file holds that does not play, each named once
  // ("audio track 1: format not supported (PCM, 16 bits)"), the first
  // kNotPlayedNamed of them; `more_not_played` counts the others.
  std::vector<std::string> not_played;
  size_t more_not_played = 0;
  size_t problems = 0;  // found by the reader
  std::string first_problem;

  static constexpr size_t kNotPlayedNamed = 16;
  // Names a thing that does not play, unless it is named already.
  void NotPlayed(const std::string& text);

  uint64_t NotesPlayed() const { return notes_on_file_fm + notes_on_file_pcm + notes_on_built_in; }
  bool NothingPlays() const { return NotesPlayed() == 0 && waves_played == 0; }
  // "score tracks: 1 (Mobile Standard), notes: 1482, audio tracks: 0"
  std::string ReadText() const;
  // "1482 notes (1400 on the file's FM voices, 82 on built-in voices), no wave"
  std::string PlayedText() const;
  // The lines `chimekit play` prints before its "rendered:" line: what was
  // read ("input: SMAF file, score tracks: ..."), what plays, what does
  // not, the reader's problems.
  std::vector<std::string> Lines() const;
};

struct PreviewScore {
  std::vector<ScoreEvent> events;  // in time order; events at one time in track and file order
  // Where the last sequence ends, the last note is let go or the last wave
  // ends, whichever is latest.
  uint64_t end_sample = 0;
  std::vector<uint8_t> pooled;  // per channel: 1 when its notes come from the pool
  std::vector<PlayVoice> voices;
  std::vector<DecodedWave> waves;  // of the score tracks' stream PCM, as the voices play them
  std::vector<AudioTrackPlan> audio_tracks;
  bool four_operators = false;  // a voice has Engine::kFm4
  PreviewSummary summary;
};

// Samples at the preview's rate for a number of milliseconds.
inline uint64_t SamplesOfMs(uint64_t ms) { return ms * 441 / 10; }

// The score of a file the reader has read (`file` the bytes it read, for
// the waves). Never throws but for memory.
PreviewScore BuildScore(midifile::ByteView file, const smafread::SmafScore& score);

// Reads `file` and builds its score. Throws midifile::ConversionError
// ("damaged SMAF file: at 0x....: ...") for a file that is not SMAF or that
// ends before the size of its MMMD chunk says: what the reader finds wrong
// otherwise is counted in the summary, and what it could read plays.
PreviewScore ReadPreviewScore(midifile::ByteView file);

}  // namespace chimekit::preview
