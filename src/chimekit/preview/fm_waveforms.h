// The 32 waveforms an operator of a Mobile Standard voice may take, one
// cycle each at the resolution of the preview's sine:
//    0- 5  sine: whole, positive half only, the positive half twice (|sin|),
//          its rising quarters with gaps, a whole cycle in the first half
//          (then silence), and the positive half of that twice
//    8-13  the same six of a sine raised by 3 dB and clipped at full scale
//   16-21  the same six of a triangle
//   24-29  the same six of a sawtooth rising through the cycle
//    6 14 22 30  square: whole, first half only, first quarter of each half,
//          first quarter only
//    7     exponential: falling from the peak in the first half, its mirror
//          below zero in the second
//   15 23 31  not defined: a sine
// Built once per render, on the heap.
#pragma once

#include <cstdint>
#include <vector>

#include "chimekit/preview/fm_tables.h"

namespace chimekit::preview {

class FmWaveforms {
 public:
  static constexpr uint32_t kCount = 32;

  FmWaveforms();

  // One cycle of FmTables::kSineSize values.
  const float* Table(uint32_t waveform) const { return tables_.data() + (waveform % kCount) * FmTables::kSineSize; }

 private:
  std::vector<float> tables_;
};

}  // namespace chimekit::preview
