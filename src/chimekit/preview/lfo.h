// The LFO of Mobile Standard voices, FM and sampled alike: a triangle at
// one of four speeds; vibrato bends the parts that take it by up to a depth
// in cents either way, tremolo lowers them by up to a depth in dB.
#pragma once

#include <cmath>
#include <cstdint>

#include "chimekit/preview/fm_tables.h"

namespace chimekit::preview {

inline constexpr double kLfoHertz[4] = {1.8, 4.0, 5.9, 7.0};
inline constexpr double kVibratoCents[4] = {3.4, 6.7, 13.5, 26.8};
inline constexpr float kTremoloDb[4] = {1.3f, 2.8f, 5.8f, 11.8f};

class Lfo {
 public:
  // Speed 0 to 3.
  void SetSpeed(uint32_t speed) { step_ = PhaseIncrement(kLfoHertz[speed & 3]); }
  void Restart() { phase_ = 0; }

  // The triangle now (-1 to 1, rising from 0 at the start), then moves on
  // by a number of samples.
  float Next(uint32_t samples) {
    const float x = static_cast<float>(phase_) / 4294967296.0f * 4.0f;  // 0 to 4
    phase_ += step_ * samples;
    if (x < 1.0f) return x;
    if (x < 3.0f) return 2.0f - x;
    return x - 4.0f;
  }

 private:
  uint32_t step_ = 0;
  uint32_t phase_ = 0;
};

// The factor of a frequency at a vibrato depth (0 to 3) and a point of the
// triangle.
inline double VibratoFactor(uint32_t depth, float triangle) {
  return std::exp2(kVibratoCents[depth & 3] * triangle / 1200.0);
}

// The attenuation in dB at a tremolo depth (0 to 3) and a point of the
// triangle: 0 at its bottom, the depth at its top.
inline float TremoloDb(uint32_t depth, float triangle) { return kTremoloDb[depth & 3] * (1.0f + triangle) / 2.0f; }

}  // namespace chimekit::preview
