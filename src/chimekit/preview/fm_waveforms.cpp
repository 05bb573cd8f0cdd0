#include "chimekit/preview/fm_waveforms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace chimekit::preview {
namespace {

constexpr uint32_t kSize = FmTables::kSineSize;
constexpr uint32_t kHalf = kSize / 2;
constexpr uint32_t kQuarter = kSize / 4;

enum class Variant : uint8_t { kWhole, kFirstHalf, kRepeatedHalf, kQuarters, kDouble, kDoubleRepeatedHalf };

// The point of the base cycle a variant plays at index i, if it sounds there.
std::optional<uint32_t> VariantIndex(Variant variant, uint32_t i) {
  switch (variant) {
    case Variant::kWhole:
      return i;
    case Variant::kFirstHalf:
      return i < kHalf ? std::optional<uint32_t>(i) : std::nullopt;
    case Variant::kRepeatedHalf:
      return i % kHalf;
    case Variant::kQuarters:
      return i % kHalf < kQuarter ? std::optional<uint32_t>(i % kHalf) : std::nullopt;
    case Variant::kDouble:
      return i < kHalf ? std::optional<uint32_t>(2 * i) : std::nullopt;
    case Variant::kDoubleRepeatedHalf:
      return i < kHalf ? std::optional<uint32_t>((2 * i) % kHalf) : std::nullopt;
  }
  return std::nullopt;
}

double ClippedSine(float sine) { return std::clamp(std::numbers::sqrt2 * sine, -1.0, 1.0); }

double Triangle(uint32_t i) {
  const double x = static_cast<double>(i) / kQuarter;
  if (i < kQuarter) return x;
  if (i < 3 * kQuarter) return 2.0 - x;
  return x - 4.0;
}

double Sawtooth(uint32_t i) {
  const double x = static_cast<double>(i) / kHalf;
  return i < kHalf ? x : x - 2.0;
}

double Exponential(uint32_t i) {
  // Halves every 1/64 of the cycle.
  constexpr double kHalvings = 64.0;
  return i < kHalf ? std::exp2(-kHalvings * i / kSize) : -std::exp2(-kHalvings * (kSize - 1 - i) / kSize);
}

double Square(uint32_t waveform, uint32_t i) {
  switch (waveform) {
    case 6:
      return i < kHalf ? 1.0 : -1.0;
    case 14:
      return i < kHalf ? 1.0 : 0.0;
    case 22:
      return i % kHalf < kQuarter ? 1.0 : 0.0;
    default:  // 30
      return i < kQuarter ? 1.0 : 0.0;
  }
}

// A waveform's value at index i; `sine` is one cycle of the sine.
double Value(const float* sine, uint32_t waveform, uint32_t i) {
  const uint32_t variant = waveform % 8;
  if (variant == 6) return Square(waveform, i);
  if (waveform == 7) return Exponential(i);
  if (variant == 7) return sine[i];
  const std::optional<uint32_t> at = VariantIndex(static_cast<Variant>(variant), i);
  if (!at) return 0.0;
  switch (waveform / 8) {
    case 0:
      return sine[*at];
    case 1:
      return ClippedSine(sine[*at]);
    case 2:
      return Triangle(*at);
    default:
      return Sawtooth(*at);
  }
}

}  // namespace

FmWaveforms::FmWaveforms() : tables_(static_cast<size_t>(kCount) * kSize) {
  float* sine = tables_.data();
  for (uint32_t i = 0; i < kSize; ++i) sine[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kSize));
  for (uint32_t waveform = 1; waveform < kCount; ++waveform) {
    float* table = tables_.data() + static_cast<size_t>(waveform) * kSize;
    for (uint32_t i = 0; i < kSize; ++i) table[i] = static_cast<float>(Value(sine, waveform, i));
  }
}

}  // namespace chimekit::preview
