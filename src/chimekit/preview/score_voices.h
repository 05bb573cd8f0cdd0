// The voices of a SMAF file as the preview plays them, and the decisions
// the format leaves open, made here once:
// - A Handyphone voice of two operators plays as the library's own voices
//   do (fm_note.h); one of four, and every Mobile Standard FM voice, as
//   fm4_note.h plays them.
// - A sampled voice plays its track's stream PCM wave of its wave number
//   (whatever its RM bit says: a file that holds the wave means it); a
//   melodic one sounds at its rate at key 60 and follows the key, a drum
//   one sounds at its rate whatever the key. It loops from its loop point
//   to its end point when the loop point lies before the end point.
// - An FM drum voice sounds at the key its body gives (its first byte), or
//   at the note's key when that is 0.
// - A note on a drum channel of a Mobile Standard track with no voice in
//   the file plays a stream PCM wave when its key names one: keys 0 to 12
//   waves 1 to 13, keys 92 to 110 waves 14 to 32, as a handset's driver is
//   said to play them;
//   the wave as it is, at its own rate, for the note's gate.
// - Any other note without a voice of the file: the library's own voice of
//   its channel's program; a drum note the library's synth drum at its key.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "chimekit/preview/score.h"
#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::preview {

// The program of the library's own voices that drum notes without a voice
// of the file play: the synth drum.
inline constexpr uint32_t kBuiltInDrumProgram = 118;
// The key at which a melodic sampled voice sounds at its own rate.
inline constexpr int32_t kPcmBaseKey = 60;

FmVoice TwoOperatorVoice(const smafread::FmVoice& voice);
Fm4Voice FourOperatorVoice(const smafread::FmVoice& voice, bool handyphone);
PcmVoice SampledVoice(const smafread::PcmVoice& voice, bool drum);

// The wave's samples, or why the preview cannot play them ("PCM, 16 bits").
struct WaveDecode {
  std::optional<DecodedWave> wave;
  std::string unsupported;
};
WaveDecode DecodeSmafWave(midifile::ByteView file, const smafread::Wave& wave);

// Builds the voice table of a PreviewScore, each voice once.
class VoiceTable {
 public:
  VoiceTable(midifile::ByteView file, PreviewScore& score) : file_(file), score_(score) {}

  // Starts a score track: its voices are looked up by their index in it.
  void BeginTrack(const smafread::ScoreTrack& track, const std::string& name);

  // The voice of the track's voice `index` for a note (drum: found as the
  // drum voice of its key), and the key it sounds at; none when it cannot
  // play (a sampled voice whose wave the file does not hold, named in the
  // summary).
  struct Choice {
    uint32_t voice = 0;
    int32_t key = 0;
  };
  std::optional<Choice> FileVoice(size_t index, int32_t key);
  // The stream PCM wave a drum note of `key` without a voice plays, if the
  // track holds it.
  std::optional<uint32_t> StreamDrum(int32_t key);
  // The library's own voice of a program.
  uint32_t BuiltIn(uint32_t program);

  // The track's voice for a drum key on a channel of this bank and
  // program, as the reader finds those of rhythm channels; -1 if none.
  int32_t DrumVoice(uint32_t bank_msb, uint32_t bank_lsb, uint32_t program, uint32_t key) const;

 private:
  // The index in score.waves of the track's wave `number`, decoded once.
  std::optional<uint32_t> TrackWave(uint32_t number);
  void NotPlayed(const std::string& text);

  midifile::ByteView file_;
  PreviewScore& score_;
  const smafread::ScoreTrack* track_ = nullptr;
  std::string name_;
  bool handyphone_ = false;
  std::vector<int64_t> converted_;  // per voice of the track: index in score.voices, -1 not yet, -2 cannot play
  std::map<uint32_t, int64_t> track_waves_;           // wave number: index in score.waves, -1 cannot play
  std::map<uint32_t, uint32_t> stream_voices_;        // index in score.waves: its voice
  std::unordered_map<uint32_t, int32_t> drum_voices_;  // bank, program and key: the track's first voice
  std::array<int64_t, 128> built_in_{};               // per program: index in score.voices, -1 not yet
  bool built_in_filled_ = false;
};

}  // namespace chimekit::preview
