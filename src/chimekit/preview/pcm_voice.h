// A sampled voice as the preview plays it: a wave of the file (wave_data.h)
// played at a rate that follows the key or not, from its start to its end
// point and, when it loops, over and over from its loop point to its end
// point until the note has died away; with an envelope, a level, a pan and
// the LFO of Mobile Standard voices.
#pragma once

#include <cstdint>

#include "chimekit/preview/fm_envelope.h"

namespace chimekit::preview {

struct PcmVoice {
  uint32_t sample_rate = 0;  // Hz at the base key; 0: the wave's own rate
  bool follows_key = true;   // else every key plays the wave at that rate (drums, stream PCM)
  uint8_t base_key = 60;
  bool loop = false;
  uint32_t loop_start = 0;  // in samples of the wave
  uint32_t end = 0;         // the sample after the last one played; 0: the wave's end
  EnvelopeShape envelope;
  uint8_t total_level = 0;   // 0 (loudest) to 63, 0.75 dB a step
  bool pan_enabled = false;  // the voice moves the channel's pan by its own
  uint8_t pan = 15;          // 0 to 31, 15 the middle
  uint8_t lfo = 0;           // 0 to 3
  bool vibrato = false;
  uint8_t vibrato_depth = 0;  // 0 to 3
  bool tremolo = false;
  uint8_t tremolo_depth = 0;  // 0 to 3
};

}  // namespace chimekit::preview
