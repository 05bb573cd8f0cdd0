// One note of a Mobile Standard FM voice (fm4_voice.h) on a channel of the
// preview, from its key-on until it has died away.
//
// - Algorithms, operators 1 to 4 ("->" modulates, "+" sounds beside):
//     0: 1 -> 2                 1: 1 + 2
//     2: 1 + 2 + 3 + 4          3: (1 + (2 -> 3)) -> 4
//     4: 1 -> 2 -> 3 -> 4       5: (1 -> 2) + (3 -> 4)
//     6: 1 + (2 -> 3 -> 4)      7: 1 + (2 -> 3) + 4
//   An operator at its peak moves the phase of the one it modulates by up
//   to four cycles. Operators 1 and 3 feed back on themselves (3 only where
//   nothing else modulates it, algorithms 2 and 5): feedback 0 to 7 moves
//   the phase by 0, 1/32, 1/16, 1/8, 1/4, 1/2, 1 or 2 cycles per unit of
//   the operator's recent output.
// - Pitch: the key, moved by the voice's basic octave and the channel's
//   bend; each operator at its multiple (multiplier 0 is one half, 11
//   plays as 10, 13 as 12 and 14 as 15), plus its detune: up to
//   0.37, 0.73 or 1 Hz up (1 to 3) or down (5 to 7) at key 127, half as
//   much every two octaves down.
// - Level: each operator's envelope (fm_envelope.h: attack, decay to the
//   sustain level, the sustain rate while the key is down, the release
//   rate after it, rates faster up the keyboard with the key scale rate;
//   the key-off hold keeps it going as if the key were held), its total
//   level and key scale level (fm_tables.h), and the note's velocity (the
//   square of its share of 127).
// - LFO 0 to 3 (lfo.h): a triangle at 1.8, 4.0, 5.9 or 7.0 Hz. Vibrato
//   depth 0 to 3 bends the operators that take it by up to 3.4, 6.7, 13.5
//   or 26.8 cents either way; tremolo depth 0 to 3 lowers those that take
//   it by up to 1.3, 2.8, 5.8 or 11.8 dB.
// - Pan: with the voice's pan enabled, each step of it from 15 moves the
//   channel's pan by 4.
// - An operator whose attack rate is 0 stays silent.
#pragma once

#include <array>
#include <cstdint>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm4_voice.h"
#include "chimekit/preview/fm_envelope.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_waveforms.h"
#include "chimekit/preview/lfo.h"

namespace chimekit::preview {

// The waves of a sounding note: every operator's phase (one cycle is
// 2^32) and the last outputs of operators 1 and 3, for their feedback.
struct Fm4Waves {
  std::array<uint32_t, 4> phases{};
  std::array<float, 3> history1{};
  std::array<float, 3> history3{};
};

class Fm4Note {
 public:
  // Starts a note of a MIDI key (0 to 127) and velocity (0 to 127) held for
  // a number of samples. A note still sounding here is cut off: the new
  // one's envelopes start from where its are.
  void Start(const Fm4Voice& voice, int32_t key, uint32_t velocity, uint64_t gate_samples);
  // Lets the key go now.
  void Release() { gate_left_ = 0; }

  bool Sounding() const { return sounding_; }

  // Adds the next `samples` samples of the note to `left` (and `right`,
  // unless it is null for mono output) at the channel's controls.
  void Render(const FmTables& tables, const FmWaveforms& waveforms, const ChannelControls& controls, uint32_t samples,
              float* left, float* right);

 private:
  struct Operator {
    FmEnvelope envelope;
    float level_db = 0.0f;   // total level and key scale level
    double hertz = 0.0;      // without vibrato
    uint32_t step = 0;       // phase steps per sample at that frequency
    float amplitude = 0.0f;  // at the start of the next block
  };

  void UpdatePitch(const ChannelControls& controls);
  void UpdateGains(const ChannelControls& controls);
  void RenderBlock(const FmTables& tables, const FmWaveforms& waveforms, uint32_t samples, float* left, float* right);
  bool CarriersSilent() const;

  Fm4Voice voice_;
  std::array<Operator, 4> operators_;
  Fm4Waves waves_;
  Lfo lfo_;
  int32_t key_ = 0;
  float velocity_gain_ = 0.0f;
  uint64_t gate_left_ = 0;
  bool key_down_ = false;
  bool sounding_ = false;

  uint32_t controls_revision_ = 0;
  bool controls_seen_ = false;
  float gain_left_ = 0.0f;
  float gain_right_ = 0.0f;
  float gain_mono_ = 0.0f;
};

}  // namespace chimekit::preview
