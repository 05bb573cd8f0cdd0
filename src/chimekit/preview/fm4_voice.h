// The FM voice of Mobile Standard files as the preview plays it: two
// operators (algorithms 0 and 1) or four (algorithms 2 to 7), each with its
// own envelope, multiplier, detune, level, key scaling, waveform, feedback,
// vibrato and tremolo. The fields are the voice's parameters as the file
// gives them; what each does is told in fm4_note.h.
#pragma once

#include <array>
#include <cstdint>

#include "chimekit/preview/fm_envelope.h"

namespace chimekit::preview {

struct Fm4Operator {
  EnvelopeShape envelope;       // attack, decay, sustain and release rates, sustain level, key scale rate, key-off hold
  bool sustain = false;         // not used by the preview
  uint8_t multiplier = 1;       // 0 to 15: x1/2, 1 to 10, 10, 12, 12, 15, 15
  uint8_t detune = 0;           // 0 to 7: none, three steps up, none, three steps down
  uint8_t total_level = 0;      // 0 (loudest) to 63, 0.75 dB a step
  uint8_t key_scale_level = 0;  // 0 to 3
  uint8_t waveform = 0;         // 0 to 31
  uint8_t feedback = 0;         // 0 to 7; taken by the first and the third operator
  bool vibrato = false;
  uint8_t vibrato_depth = 0;  // 0 to 3
  bool tremolo = false;
  uint8_t tremolo_depth = 0;  // 0 to 3
};

struct Fm4Voice {
  uint8_t algorithm = 0;     // 0 to 7
  uint8_t lfo = 0;           // 0 to 3: the speed of vibrato and tremolo
  uint8_t basic_octave = 1;  // 0 to 3: one octave up, as played, one and two octaves down
  bool pan_enabled = false;  // the voice moves the channel's pan by its own
  uint8_t pan = 15;          // 0 to 31, 15 the middle
  std::array<Fm4Operator, 4> operators{};
};

// Two operators for algorithms 0 and 1, else four.
inline uint32_t OperatorCount(uint32_t algorithm) { return (algorithm & 7) <= 1 ? 2 : 4; }

}  // namespace chimekit::preview
