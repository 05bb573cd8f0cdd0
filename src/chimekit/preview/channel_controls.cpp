#include "chimekit/preview/channel_controls.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace chimekit::preview {
namespace {

constexpr double kBendSemitones = 2.0;
constexpr int32_t kVoicePanStep = 4;

}  // namespace

float ControlGain(uint32_t value) {
  const float share = static_cast<float>(std::min<uint32_t>(value, 127)) / 127.0f;
  return share * share;
}

void PanGains(uint32_t pan, float level, float& left, float& right) {
  const double angle = std::min<uint32_t>(pan, 127) / 127.0 * std::numbers::pi / 2;
  left = level * static_cast<float>(std::min(1.0, std::numbers::sqrt2 * std::cos(angle)));
  right = level * static_cast<float>(std::min(1.0, std::numbers::sqrt2 * std::sin(angle)));
}

void CentredPanGains(uint32_t pan, float level, float& left, float& right) {
  const uint32_t at = std::min<uint32_t>(pan, 127);
  const double quarter = std::numbers::pi / 4;
  const double angle = at <= 64 ? at / 64.0 * quarter : quarter + (at - 64) / 63.0 * quarter;
  left = level * static_cast<float>(std::min(1.0, std::numbers::sqrt2 * std::cos(angle)));
  right = level * static_cast<float>(std::min(1.0, std::numbers::sqrt2 * std::sin(angle)));
}

uint32_t VoicePan(uint32_t channel_pan, bool voice_pan_enabled, uint32_t voice_pan) {
  const auto pan = static_cast<int32_t>(std::min<uint32_t>(channel_pan, 127));
  if (!voice_pan_enabled) return static_cast<uint32_t>(pan);
  return static_cast<uint32_t>(std::clamp(pan + kVoicePanStep * (static_cast<int32_t>(voice_pan & 31) - 15), 0, 127));
}

void ChannelControls::SetVolume(uint32_t value) {
  volume_ = value;
  UpdateGains();
}

void ChannelControls::SetExpression(uint32_t value) {
  expression_ = value;
  UpdateGains();
}

void ChannelControls::SetPan(uint32_t value) {
  pan_ = value;
  UpdateGains();
}

void ChannelControls::SetPitchBend(uint32_t value) {
  SetBendSemitones((static_cast<double>(std::min<uint32_t>(value, 127)) - 64.0) / 64.0 * kBendSemitones);
}

void ChannelControls::SetBendSemitones(double semitones) {
  bend_semitones_ = semitones;
  ++revision_;
}

void ChannelControls::UpdateGains() {
  gain_mono_ = peak_ * ControlGain(volume_) * ControlGain(expression_);
  PanGains(pan_, gain_mono_, gain_left_, gain_right_);
  ++revision_;
}

}  // namespace chimekit::preview
