#include "chimekit/preview/fm_envelope.h"

#include <algorithm>
#include <cmath>

#include "chimekit/preview/fm_tables.h"

namespace chimekit::preview {
namespace {

constexpr double kAttackSecondsAtRate1 = 2.826;
constexpr double kFallSecondsAtRate1 = 39.28;
constexpr int32_t kInstantRate = 60;  // effective rate (quarter steps) from which changes are instant
// The attack multiplies the attenuation by (1 - share) per sample; over the
// attack time it falls from 96 dB to about 0.1 dB.
constexpr double kAttackShareTimes = 6.9;

// The rate in quarter steps: 4 * rate plus the key's share.
int32_t EffectiveRate(uint32_t rate, bool key_scale_rate, int32_t key) {
  if (rate == 0) return 0;
  const int32_t offset = key_scale_rate ? std::clamp(key / 8, 0, 15) : std::clamp(key / 32, 0, 3);
  return std::min<int32_t>(63, 4 * static_cast<int32_t>(rate) + offset);
}

// Seconds at rate 1 halved per full rate step above it.
double SecondsAt(double seconds_at_rate1, int32_t effective_rate) {
  return seconds_at_rate1 * std::exp2(-(effective_rate - 4) / 4.0);
}

float FallPerSample(uint32_t rate, bool key_scale_rate, int32_t key) {
  const int32_t effective = EffectiveRate(rate, key_scale_rate, key);
  if (effective == 0) return 0.0f;
  const double seconds = SecondsAt(kFallSecondsAtRate1, std::min(effective, kInstantRate));
  return static_cast<float>(kSilentDb / (seconds * kSampleRate));
}

}  // namespace

EnvelopeShape ShapeOf(const FmOperator& op) {
  EnvelopeShape shape;
  shape.attack_rate = op.attack_rate;
  shape.decay_rate = op.decay_rate;
  shape.sustain_rate = op.sustained ? 0 : op.release_rate;
  shape.release_rate = op.release_rate;
  shape.sustain_level = op.sustain_level;
  shape.key_scale_rate = op.key_scale_rate;
  return shape;
}

void FmEnvelope::KeyOn(const EnvelopeShape& shape, int32_t key) {
  const int32_t attack = EffectiveRate(shape.attack_rate & 15, shape.key_scale_rate, key);
  instant_attack_ = attack >= kInstantRate;
  attack_per_sample_ =
      attack == 0 ? 0.0f
                  : static_cast<float>(kAttackShareTimes / (SecondsAt(kAttackSecondsAtRate1, attack) * kSampleRate));
  decay_per_sample_ = FallPerSample(shape.decay_rate & 15, shape.key_scale_rate, key);
  sustain_per_sample_ = FallPerSample(shape.sustain_rate & 15, shape.key_scale_rate, key);
  release_per_sample_ = FallPerSample(shape.release_rate & 15, shape.key_scale_rate, key);
  sustain_db_ = (shape.sustain_level & 15) == 15 ? 93.0f : 3.0f * static_cast<float>(shape.sustain_level & 15);
  ignore_key_off_ = shape.ignore_key_off;
  stage_ = Stage::kAttack;
  if (attenuation_ > kSilentDb) attenuation_ = kSilentDb;
}

void FmEnvelope::KeyOff() {
  if (stage_ != Stage::kOff && !ignore_key_off_) stage_ = Stage::kRelease;
}

void FmEnvelope::Advance(uint32_t samples) {
  const float n = static_cast<float>(samples);
  switch (stage_) {
    case Stage::kOff:
      return;
    case Stage::kAttack:
      attenuation_ = instant_attack_ ? 0.0f : attenuation_ * std::max(0.0f, 1.0f - attack_per_sample_ * n);
      if (attenuation_ < 0.1f) {
        attenuation_ = 0.0f;
        stage_ = Stage::kDecay;
      }
      return;
    case Stage::kDecay:
      attenuation_ += decay_per_sample_ * n;
      if (attenuation_ >= sustain_db_) {
        attenuation_ = sustain_db_;
        stage_ = Stage::kSustain;
      }
      break;
    case Stage::kSustain:
      attenuation_ += sustain_per_sample_ * n;
      break;
    case Stage::kRelease:
      attenuation_ += release_per_sample_ * n;
      break;
  }
  if (attenuation_ >= kSilentDb) {
    attenuation_ = kSilentDb;
    stage_ = Stage::kOff;
  }
}

}  // namespace chimekit::preview
