#include "chimekit/preview/fm4_note.h"

#include <algorithm>
#include <cmath>

#include "chimekit/preview/fm4_synth.h"

namespace chimekit::preview {
namespace {

// Envelopes, the LFO and the levels' ramps are updated once per block of
// this many samples.
constexpr uint32_t kControlBlock = 32;

constexpr float kModulationCycles = 4.0f;
constexpr float kFeedbackCycles[8] = {0.0f, 1.0f / 32, 1.0f / 16, 1.0f / 8, 1.0f / 4, 1.0f / 2, 1.0f, 2.0f};
constexpr double kMultiples[16] = {0.5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 12, 12, 15, 15};
// Detune 1 to 3 (5 to 7 the same down) at key 127, in Hz.
constexpr double kDetuneHertz[4] = {0.0, 0.37, 0.73, 1.0};
constexpr int32_t kOctaveShift[4] = {12, 0, -12, -24};
// Carriers of each algorithm: the operators heard, as bits (operator 1 is bit 0).
constexpr uint8_t kCarriers[8] = {0b0010, 0b0011, 0b1111, 0b1000, 0b1000, 0b1010, 0b1001, 0b1101};

// At key 127; half of it two octaves down, and so on.
double DetuneHertz(uint32_t detune, int32_t key) {
  const double top = kDetuneHertz[detune & 3] * ((detune & 4) != 0 ? -1.0 : 1.0);
  return top * std::exp2((std::min(key, 127) - 127) / 24.0);
}

}  // namespace

namespace fm4 {

SynthesizeFunction SynthesizerFor(uint32_t algorithm, bool stereo) {
  static constexpr SynthesizeFunction kMono[8] = {Synthesize<0, false>, Synthesize<1, false>, Synthesize<2, false>,
                                                  Synthesize<3, false>, Synthesize<4, false>, Synthesize<5, false>,
                                                  Synthesize<6, false>, Synthesize<7, false>};
  static constexpr SynthesizeFunction kStereo[8] = {Synthesize<0, true>, Synthesize<1, true>, Synthesize<2, true>,
                                                    Synthesize<3, true>, Synthesize<4, true>, Synthesize<5, true>,
                                                    Synthesize<6, true>, Synthesize<7, true>};
  return stereo ? kStereo[algorithm & 7] : kMono[algorithm & 7];
}

}  // namespace fm4

void Fm4Note::Start(const Fm4Voice& voice, int32_t key, uint32_t velocity, uint64_t gate_samples) {
  if (!sounding_) {
    // A note that follows silence starts its waves afresh.
    operators_ = {};
    waves_ = Fm4Waves{};
    lfo_.Restart();
  }
  lfo_.SetSpeed(voice.lfo);
  voice_ = voice;
  voice_.algorithm &= 7;
  key_ = key + kOctaveShift[voice_.basic_octave & 3];
  velocity_gain_ = ControlGain(velocity);
  const int32_t scaling_key = std::clamp(key_, 0, 127);
  for (uint32_t k = 0; k < 4; ++k) {
    const Fm4Operator& op = voice_.operators[k];
    Operator& state = operators_[k];
    state.level_db = OperatorLevelDb(op.total_level & 63, op.key_scale_level, scaling_key);
    if (k >= OperatorCount(voice_.algorithm) || (op.envelope.attack_rate & 15) == 0) {
      state.envelope = FmEnvelope{};
      state.amplitude = 0.0f;
    } else {
      state.envelope.KeyOn(op.envelope, scaling_key);
    }
  }
  controls_seen_ = false;
  gate_left_ = gate_samples;
  key_down_ = true;
  sounding_ = !CarriersSilent();
}

bool Fm4Note::CarriersSilent() const {
  for (uint32_t k = 0; k < 4; ++k) {
    if ((kCarriers[voice_.algorithm] >> k & 1) != 0 && !operators_[k].envelope.Silent()) return false;
  }
  return true;
}

void Fm4Note::UpdatePitch(const ChannelControls& controls) {
  const double hertz = 440.0 * std::exp2((key_ - 69 + controls.bend_semitones()) / 12.0);
  for (uint32_t k = 0; k < 4; ++k) {
    const Fm4Operator& op = voice_.operators[k];
    operators_[k].hertz = hertz * kMultiples[op.multiplier & 15] + DetuneHertz(op.detune & 7, key_);
    operators_[k].step = PhaseIncrement(operators_[k].hertz);
  }
}

void Fm4Note::UpdateGains(const ChannelControls& controls) {
  gain_mono_ = controls.gain_mono() * velocity_gain_;
  CentredPanGains(VoicePan(controls.pan(), voice_.pan_enabled, voice_.pan), gain_mono_, gain_left_, gain_right_);
}

void Fm4Note::Render(const FmTables& tables, const FmWaveforms& waveforms, const ChannelControls& controls,
                     uint32_t samples, float* left, float* right) {
  if (!controls_seen_ || controls.revision() != controls_revision_) {
    UpdatePitch(controls);
    UpdateGains(controls);
    controls_revision_ = controls.revision();
    controls_seen_ = true;
  }
  while (samples > 0 && sounding_) {
    if (key_down_ && gate_left_ == 0) {
      for (Operator& op : operators_) op.envelope.KeyOff();
      key_down_ = false;
    }
    uint32_t block = std::min(samples, kControlBlock);
    if (key_down_) block = static_cast<uint32_t>(std::min<uint64_t>(block, gate_left_));
    RenderBlock(tables, waveforms, block, left, right);
    if (key_down_) gate_left_ -= block;
    left += block;
    if (right != nullptr) right += block;
    samples -= block;
    sounding_ = !CarriersSilent();
  }
}

void Fm4Note::RenderBlock(const FmTables& tables, const FmWaveforms& waveforms, uint32_t samples, float* left,
                          float* right) {
  const float triangle = lfo_.Next(samples);

  fm4::Block block;
  block.samples = samples;
  block.modulation = kModulationCycles * FmTables::kSineSize;
  block.feedback1 = kFeedbackCycles[voice_.operators[0].feedback & 7] * FmTables::kSineSize / 2;
  block.feedback3 = kFeedbackCycles[voice_.operators[2].feedback & 7] * FmTables::kSineSize / 2;
  block.gain_left = right == nullptr ? gain_mono_ : gain_left_;
  block.gain_right = gain_right_;
  const float count = static_cast<float>(samples);
  const uint32_t count_of_operators = OperatorCount(voice_.algorithm);
  for (uint32_t k = 0; k < count_of_operators; ++k) {
    const Fm4Operator& params = voice_.operators[k];
    Operator& op = operators_[k];
    block.tables[k] = waveforms.Table(params.waveform);
    block.steps[k] =
        params.vibrato ? PhaseIncrement(op.hertz * VibratoFactor(params.vibrato_depth, triangle)) : op.step;
    const float tremolo = params.tremolo ? TremoloDb(params.tremolo_depth, triangle) : 0.0f;
    block.amps[k] = op.amplitude;
    op.envelope.Advance(samples);
    op.amplitude = op.envelope.Silent() ? 0.0f : tables.Amplitude(op.envelope.attenuation() + op.level_db + tremolo);
    block.ramps[k] = (op.amplitude - block.amps[k]) / count;
  }
  fm4::SynthesizerFor(voice_.algorithm, right != nullptr)(block, waves_, left, right);
}

}  // namespace chimekit::preview
