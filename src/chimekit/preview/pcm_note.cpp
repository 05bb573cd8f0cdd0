#include "chimekit/preview/pcm_note.h"

#include <algorithm>
#include <cmath>

namespace chimekit::preview {
namespace {

// The envelope, the LFO and the level's ramp are updated once per block of
// this many samples.
constexpr uint32_t kControlBlock = 32;
constexpr float kSampleScale = 1.0f / 32768.0f;
constexpr double kFraction = 18446744073709551616.0;  // 2^64: one sample of the wave in fraction units

// A step of `samples` samples of the wave as its whole samples and its
// fraction in 2^-64 units, so that a position drifts by less than 2^-40
// samples over an hour.
void SplitStep(double samples, uint32_t& whole, uint64_t& fraction) {
  const double floor = std::floor(samples);
  whole = static_cast<uint32_t>(std::min(floor, 4294967295.0));
  const double part = (samples - floor) * kFraction;
  fraction = part >= kFraction ? UINT64_MAX : static_cast<uint64_t>(part);
}

}  // namespace

void PcmNote::Start(const PcmVoice& voice, const DecodedWave& wave, int32_t key, uint32_t velocity,
                    uint64_t gate_samples) {
  voice_ = voice;
  samples_ = wave.samples.data();
  const auto size = static_cast<uint32_t>(std::min<size_t>(wave.samples.size(), UINT32_MAX));
  end_ = voice.end == 0 ? size : std::min(voice.end, size);
  loop_start_ = voice.loop_start;
  loop_ = voice.loop && loop_start_ < end_;
  index_ = 0;
  fraction_ = 0;
  const double rate = voice.sample_rate != 0 ? voice.sample_rate : wave.sample_rate;
  step_hertz_ = voice.follows_key ? rate * std::exp2((key - static_cast<int32_t>(voice.base_key)) / 12.0) : rate;
  fresh_ = !sounding_;
  if (fresh_) {
    envelope_ = FmEnvelope{};
    amplitude_ = 0.0f;
    lfo_.Restart();
  }
  lfo_.SetSpeed(voice.lfo);
  level_db_ = OperatorLevelDb(voice.total_level & 63, 0, key);
  velocity_gain_ = ControlGain(velocity);
  envelope_.KeyOn(voice.envelope, std::clamp(key, 0, 127));
  gate_left_ = gate_samples;
  gated_ = gate_samples != 0;
  key_down_ = true;
  controls_seen_ = false;
  sounding_ = end_ > 0 && rate > 0.0;
}

void PcmNote::UpdateControls(const ChannelControls& controls) {
  bend_factor_ = voice_.follows_key ? std::exp2(controls.bend_semitones() / 12.0) : 1.0;
  gain_mono_ = controls.gain_mono() * velocity_gain_ * kSampleScale;
  CentredPanGains(VoicePan(controls.pan(), voice_.pan_enabled, voice_.pan), gain_mono_, gain_left_, gain_right_);
  controls_revision_ = controls.revision();
  controls_seen_ = true;
}

void PcmNote::Render(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left,
                     float* right) {
  if (!controls_seen_ || controls.revision() != controls_revision_) UpdateControls(controls);
  while (samples > 0 && sounding_) {
    if (key_down_ && gated_ && gate_left_ == 0) {
      envelope_.KeyOff();
      key_down_ = false;
    }
    uint32_t block = std::min(samples, kControlBlock);
    if (key_down_ && gated_) block = static_cast<uint32_t>(std::min<uint64_t>(block, gate_left_));

    const float triangle = lfo_.Next(block);
    const double vibrato = voice_.vibrato ? VibratoFactor(voice_.vibrato_depth, triangle) : 1.0;
    const float tremolo = voice_.tremolo ? TremoloDb(voice_.tremolo_depth, triangle) : 0.0f;
    SplitStep(step_hertz_ * bend_factor_ * vibrato / kSampleRate, step_whole_, step_fraction_);
    float start = amplitude_;
    envelope_.Advance(block);
    amplitude_ = envelope_.Silent() ? 0.0f : tables.Amplitude(envelope_.attenuation() + level_db_ + tremolo);
    // A note out of silence whose attack is instant starts at its level:
    // a recording plays from its first sample as it is.
    if (fresh_ && envelope_.instant_attack()) start = amplitude_;
    fresh_ = false;
    const float ramp = (amplitude_ - start) / static_cast<float>(block);
    const bool more = right == nullptr ? ReadBlock<false>(block, start, ramp, left, right)
                                       : ReadBlock<true>(block, start, ramp, left, right);

    if (key_down_ && gated_) gate_left_ -= block;
    left += block;
    if (right != nullptr) right += block;
    samples -= block;
    sounding_ = more && !envelope_.Silent();
  }
}

template <bool kStereo>
bool PcmNote::ReadBlock(uint32_t samples, float amp, float ramp, float* left, float* right) {
  const float gain_left = kStereo ? gain_left_ : gain_mono_;
  const float after_end = loop_ ? samples_[loop_start_] : 0.0f;
  const uint32_t loop_length = end_ - loop_start_;
  for (uint32_t i = 0; i < samples; ++i) {
    const float fraction = static_cast<float>(fraction_ >> 40) * (1.0f / 16777216.0f);
    const float a = samples_[index_];
    const float b = index_ + 1 < end_ ? samples_[index_ + 1] : after_end;
    const float out = (a + (b - a) * fraction) * amp;
    left[i] += out * gain_left;
    if constexpr (kStereo) right[i] += out * gain_right_;
    amp += ramp;
    const uint64_t before = fraction_;
    fraction_ += step_fraction_;
    const uint64_t next = uint64_t{index_} + step_whole_ + (fraction_ < before ? 1 : 0);
    if (next < end_) {
      index_ = static_cast<uint32_t>(next);
    } else {
      if (!loop_) return false;
      index_ = loop_start_ + static_cast<uint32_t>((next - end_) % loop_length);
    }
  }
  return true;
}

}  // namespace chimekit::preview
