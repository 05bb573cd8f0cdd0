// The inner loop of a four-operator note (fm4_note.h): one version per
// algorithm and output. Within a block nothing changes but the operators'
// levels, which move in straight lines.
#pragma once

#include <array>
#include <cstdint>

#include "chimekit/preview/fm4_note.h"
#include "chimekit/preview/fm_tables.h"

namespace chimekit::preview::fm4 {

// Operators beyond the algorithm's count are left at their defaults: silent.
struct Block {
  uint32_t samples = 0;
  std::array<const float*, 4> tables{};
  std::array<uint32_t, 4> steps{};
  std::array<float, 4> amps{};
  std::array<float, 4> ramps{};
  float modulation = 0.0f;  // table steps per unit of a modulator's output
  float feedback1 = 0.0f;   // table steps per unit of the sum of two outputs
  float feedback3 = 0.0f;
  float gain_left = 0.0f;  // or the mono gain
  float gain_right = 0.0f;
};

// An operator's output at a phase moved by `offset` table steps.
inline float Wave(const float* table, uint32_t phase, float offset) {
  const auto steps = static_cast<uint32_t>(static_cast<int32_t>(offset));
  return table[((phase >> FmTables::kPhaseShift) + steps) & FmTables::kSineMask];
}

// The feedback of an operator takes the sum of its outputs two and three
// samples back, so that each sample does not wait for the one just before.
template <int kAlgorithm, bool kStereo>
void Synthesize(const Block& block, Fm4Waves& waves, float* left, float* right) {
  std::array<uint32_t, 4> phase = waves.phases;
  float amp[4] = {block.amps[0], block.amps[1], block.amps[2], block.amps[3]};
  const float ramp[4] = {block.ramps[0], block.ramps[1], block.ramps[2], block.ramps[3]};
  float a1 = waves.history1[0], b1 = waves.history1[1], c1 = waves.history1[2];
  float a3 = waves.history3[0], b3 = waves.history3[1], c3 = waves.history3[2];
  const float m = block.modulation;
  const auto& t = block.tables;
  for (uint32_t i = 0; i < block.samples; ++i) {
    for (int k = 0; k < 4; ++k) phase[k] += block.steps[k];
    const float o1 = Wave(t[0], phase[0], (b1 + c1) * block.feedback1) * amp[0];
    c1 = b1;
    b1 = a1;
    a1 = o1;
    float out = 0.0f;
    if constexpr (kAlgorithm == 0) {
      out = Wave(t[1], phase[1], o1 * m) * amp[1];
    } else if constexpr (kAlgorithm == 1) {
      out = o1 + Wave(t[1], phase[1], 0.0f) * amp[1];
    } else {
      float o3 = 0.0f;
      if constexpr (kAlgorithm == 2) {
        o3 = Wave(t[2], phase[2], (b3 + c3) * block.feedback3) * amp[2];
        out = o1 + Wave(t[1], phase[1], 0.0f) * amp[1] + o3 + Wave(t[3], phase[3], 0.0f) * amp[3];
      } else if constexpr (kAlgorithm == 3) {
        o3 = Wave(t[2], phase[2], Wave(t[1], phase[1], 0.0f) * amp[1] * m) * amp[2];
        out = Wave(t[3], phase[3], (o1 + o3) * m) * amp[3];
      } else if constexpr (kAlgorithm == 4) {
        const float o2 = Wave(t[1], phase[1], o1 * m) * amp[1];
        o3 = Wave(t[2], phase[2], o2 * m) * amp[2];
        out = Wave(t[3], phase[3], o3 * m) * amp[3];
      } else if constexpr (kAlgorithm == 5) {
        o3 = Wave(t[2], phase[2], (b3 + c3) * block.feedback3) * amp[2];
        out = Wave(t[1], phase[1], o1 * m) * amp[1] + Wave(t[3], phase[3], o3 * m) * amp[3];
      } else if constexpr (kAlgorithm == 6) {
        o3 = Wave(t[2], phase[2], Wave(t[1], phase[1], 0.0f) * amp[1] * m) * amp[2];
        out = o1 + Wave(t[3], phase[3], o3 * m) * amp[3];
      } else {
        o3 = Wave(t[2], phase[2], Wave(t[1], phase[1], 0.0f) * amp[1] * m) * amp[2];
        out = o1 + o3 + Wave(t[3], phase[3], 0.0f) * amp[3];
      }
      c3 = b3;
      b3 = a3;
      a3 = o3;
    }
    for (int k = 0; k < 4; ++k) amp[k] += ramp[k];
    left[i] += out * block.gain_left;
    if constexpr (kStereo) right[i] += out * block.gain_right;
  }
  waves.phases = phase;
  waves.history1 = {a1, b1, c1};
  waves.history3 = {a3, b3, c3};
}

using SynthesizeFunction = void (*)(const Block&, Fm4Waves&, float*, float*);

// The loop for an algorithm (0 to 7) and output.
SynthesizeFunction SynthesizerFor(uint32_t algorithm, bool stereo);

}  // namespace chimekit::preview::fm4
