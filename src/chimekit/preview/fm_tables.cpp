#include "chimekit/preview/fm_tables.h"

#include <cmath>
#include <numbers>

namespace chimekit::preview {

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
