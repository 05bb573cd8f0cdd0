#include "chimekit/preview/fm_tables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace chimekit::preview {
namespace {

constexpr float kKeyScaleDbPerOctave[4] = {0.0f, 1.5f, 3.0f, 6.0f};
constexpr float kTotalLevelDb = 0.75f;

}  // namespace

uint32_t PhaseIncrement(double hertz) {
  const double cycles = hertz / kSampleRate;
  return static_cast<uint32_t>((cycles - std::floor(cycles)) * 4294967296.0);
}

float OperatorLevelDb(uint32_t total_level, uint32_t key_scale_level, int32_t key) {
  const float octaves_above = std::max(0.0f, static_cast<float>(key - 48) / 12.0f);
  return kTotalLevelDb * static_cast<float>(total_level) + kKeyScaleDbPerOctave[key_scale_level & 3] * octaves_above;
}

FmTables::FmTables() {
  for (uint32_t i = 0; i < kSineSize; ++i) {
    sine_[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kSineSize));
  }
  for (uint32_t i = 0; i < kLevelSize; ++i) {
    level_[i] = static_cast<float>(std::pow(10.0, -static_cast<double>(i) / kStepsPerDb / 20.0));
  }
}

float FmTables::Amplitude(float attenuation_db) const {
  if (!(attenuation_db < kSilentDb)) return 0.0f;
  if (attenuation_db <= 0.0f) return 1.0f;
  return level_[static_cast<uint32_t>(attenuation_db * kStepsPerDb)];
}

}  // namespace chimekit::preview
