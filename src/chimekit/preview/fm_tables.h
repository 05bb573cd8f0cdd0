// The lookup tables of the FM preview: one cycle of a sine and the
// amplitude of every attenuation in steps of 1/8 dB. Built once per render.
#pragma once

#include <array>
#include <cstdint>

namespace chimekit::preview {

inline constexpr uint32_t kSampleRate = 44100;

// Attenuation at which an envelope counts as silent.
inline constexpr float kSilentDb = 96.0f;

// Phase steps per sample for a frequency, one cycle being 2^32.
uint32_t PhaseIncrement(double hertz);

// An operator's level below its peak in dB: its total level (0 to 63, 0.75
// dB a step) and its key scale level (0 to 3: 0, 1.5, 3 or 6 dB per octave
// above key 48).
float OperatorLevelDb(uint32_t total_level, uint32_t key_scale_level, int32_t key);

class FmTables {
 public:
  static constexpr uint32_t kSineBits = 12;
  static constexpr uint32_t kSineSize = 1u << kSineBits;
  static constexpr uint32_t kSineMask = kSineSize - 1;
  // A 32-bit phase (one cycle = 2^32) indexes the table by its top bits.
  static constexpr uint32_t kPhaseShift = 32 - kSineBits;

  FmTables();

  float Sine(uint32_t index) const { return sine_[index & kSineMask]; }
  const float* SineTable() const { return sine_.data(); }
  // The amplitude of an attenuation in dB: 1 at 0 dB, exactly 0 from
  // kSilentDb on.
  float Amplitude(float attenuation_db) const;

 private:
  static constexpr uint32_t kStepsPerDb = 8;
  static constexpr uint32_t kLevelSize = static_cast<uint32_t>(kSilentDb) * kStepsPerDb;

  std::array<float, kSineSize> sine_{};
  std::array<float, kLevelSize> level_{};
};

}  // namespace chimekit::preview
