#include "chimekit/preview/fm_note.h"

#include <algorithm>
#include <cmath>

namespace chimekit::preview {
namespace {

// Envelopes, vibrato and ramps are updated once per block of this many
// samples; the level moves in a straight line within it.
constexpr uint32_t kControlBlock = 32;

// The carrier's phase moves by up to one cycle when the modulator sounds at
// its peak.
constexpr float kModulationCycles = 1.0f;
// Feedback 0 to 7: the modulator's own phase moves by 0 to 4 pi (in cycles:
// 0 to 2) per unit of its recent output (the mean of two earlier samples).
constexpr float kFeedbackCycles[8] = {0.0f, 1.0f / 32, 1.0f / 16, 1.0f / 8, 1.0f / 4, 1.0f / 2, 1.0f, 2.0f};
// LFO 0 to 3: the vibrato's speed; its depth is a fixed share of the pitch.
constexpr double kTwoOperatorLfoHertz[4] = {4.0, 5.5, 6.5, 7.5};
constexpr double kVibratoDepth = 0.007;  // about 12 cents

float LevelDbOf(const FmOperator& op, int32_t key) {
  return OperatorLevelDb(op.total_level, op.key_scale_level, key);
}

double Multiplier(const FmOperator& op) { return op.multiplier == 0 ? 0.5 : op.multiplier; }

struct BlockParameters {
  const float* sine = nullptr;
  uint32_t samples = 0;
  uint32_t modulator_step = 0;
  uint32_t carrier_step = 0;
  float modulator_amp = 0.0f;
  float modulator_ramp = 0.0f;
  float carrier_amp = 0.0f;
  float carrier_ramp = 0.0f;
  float modulation = 0.0f;  // table steps per unit of modulator output
  float feedback = 0.0f;    // table steps per unit of the sum of two outputs
  float gain_left = 0.0f;   // or the mono gain
  float gain_right = 0.0f;
};

// The inner loop, one version per output and algorithm. The modulator's
// feedback takes the mean of its outputs two and three samples back, so that
// each sample does not wait for the one just before it.
template <bool kStereo, bool kParallel>
void Synthesize(const BlockParameters& block, FmWaves& waves, float* left, float* right) {
  constexpr uint32_t kShift = FmTables::kPhaseShift;
  constexpr uint32_t kMask = FmTables::kSineMask;
  const float* sine = block.sine;
  uint32_t modulator_phase = waves.modulator_phase;
  uint32_t carrier_phase = waves.carrier_phase;
  float modulator_amp = block.modulator_amp;
  float carrier_amp = block.carrier_amp;
  float back1 = waves.history[0];
  float back2 = waves.history[1];
  float back3 = waves.history[2];
  for (uint32_t i = 0; i < block.samples; ++i) {
    modulator_phase += block.modulator_step;
    carrier_phase += block.carrier_step;
    const auto feedback = static_cast<uint32_t>(static_cast<int32_t>((back2 + back3) * block.feedback));
    const float modulator_out = sine[((modulator_phase >> kShift) + feedback) & kMask] * modulator_amp;
    back3 = back2;
    back2 = back1;
    back1 = modulator_out;
    float out;
    if constexpr (kParallel) {
      out = sine[(carrier_phase >> kShift) & kMask] * carrier_amp + modulator_out;
    } else {
      const auto offset = static_cast<uint32_t>(static_cast<int32_t>(modulator_out * block.modulation));
      out = sine[((carrier_phase >> kShift) + offset) & kMask] * carrier_amp;
    }
    modulator_amp += block.modulator_ramp;
    carrier_amp += block.carrier_ramp;
    left[i] += out * block.gain_left;
    if constexpr (kStereo) right[i] += out * block.gain_right;
  }
  waves.modulator_phase = modulator_phase;
  waves.carrier_phase = carrier_phase;
  waves.history[0] = back1;
  waves.history[1] = back2;
  waves.history[2] = back3;
}

}  // namespace

void FmNote::UpdateIncrements(const ChannelControls& controls) {
  const double hertz = 440.0 * std::exp2((key_ - 69 + controls.bend_semitones()) / 12.0);
  modulator_.hertz = hertz * Multiplier(voice_.modulator);
  carrier_.hertz = hertz * Multiplier(voice_.carrier);
}

void FmNote::Start(const FmVoice& voice, int32_t key, uint32_t velocity, uint64_t gate_samples) {
  if (!sounding_) {
    // A note that follows silence starts its waves afresh.
    modulator_ = Operator{};
    carrier_ = Operator{};
    waves_ = FmWaves{};
    lfo_phase_ = 0;
  }
  voice_ = voice;
  key_ = key;
  velocity_gain_ = velocity >= 127 ? 1.0f : ControlGain(velocity);
  modulator_.level_db = LevelDbOf(voice_.modulator, key);
  carrier_.level_db = LevelDbOf(voice_.carrier, key);
  modulator_.envelope.KeyOn(voice_.modulator, key);
  carrier_.envelope.KeyOn(voice_.carrier, key);
  gate_left_ = gate_samples;
  key_down_ = true;
  sounding_ = true;
  controls_seen_ = false;
}

void FmNote::Render(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left,
                    float* right) {
  if (!controls_seen_ || controls.revision() != controls_revision_) {
    UpdateIncrements(controls);
    controls_revision_ = controls.revision();
    controls_seen_ = true;
  }
  while (samples > 0 && sounding_) {
    if (key_down_ && gate_left_ == 0) {
      modulator_.envelope.KeyOff();
      carrier_.envelope.KeyOff();
      key_down_ = false;
    }
    uint32_t block = std::min(samples, kControlBlock);
    if (key_down_) block = static_cast<uint32_t>(std::min<uint64_t>(block, gate_left_));
    RenderBlock(tables, controls, block, left, right);
    if (key_down_) gate_left_ -= block;
    left += block;
    if (right != nullptr) right += block;
    samples -= block;
    const bool both_sound = voice_.algorithm == 1;
    sounding_ = !carrier_.envelope.Silent() || (both_sound && !modulator_.envelope.Silent());
  }
}

void FmNote::RenderBlock(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left,
                         float* right) {
  // Vibrato: the LFO's value at the start of the block bends the operators
  // that take it.
  const double lfo = tables.Sine(lfo_phase_ >> FmTables::kPhaseShift);
  lfo_phase_ += PhaseIncrement(kTwoOperatorLfoHertz[voice_.lfo & 3]) * samples;
  const double vibrato = 1.0 + kVibratoDepth * lfo;
  const auto increment = [&](const Operator& op, const FmOperator& params) {
    return PhaseIncrement(params.vibrato ? op.hertz * vibrato : op.hertz);
  };

  BlockParameters block;
  block.sine = tables.SineTable();
  block.samples = samples;
  block.modulator_step = increment(modulator_, voice_.modulator);
  block.carrier_step = increment(carrier_, voice_.carrier);
  block.modulation = kModulationCycles * FmTables::kSineSize;
  block.feedback = kFeedbackCycles[voice_.feedback & 7] * FmTables::kSineSize / 2;
  block.gain_left = (right == nullptr ? controls.gain_mono() : controls.gain_left()) * velocity_gain_;
  block.gain_right = controls.gain_right() * velocity_gain_;

  // Levels ramp from the block's start to its end.
  const float count = static_cast<float>(samples);
  block.modulator_amp = modulator_.amplitude;
  block.carrier_amp = carrier_.amplitude;
  modulator_.envelope.Advance(samples);
  carrier_.envelope.Advance(samples);
  modulator_.amplitude = tables.Amplitude(modulator_.envelope.attenuation() + modulator_.level_db);
  carrier_.amplitude = tables.Amplitude(carrier_.envelope.attenuation() + carrier_.level_db);
  if (modulator_.envelope.Silent()) modulator_.amplitude = 0.0f;
  if (carrier_.envelope.Silent()) carrier_.amplitude = 0.0f;
  block.modulator_ramp = (modulator_.amplitude - block.modulator_amp) / count;
  block.carrier_ramp = (carrier_.amplitude - block.carrier_amp) / count;

  const bool parallel = voice_.algorithm == 1;
  if (right == nullptr) {
    parallel ? Synthesize<false, true>(block, waves_, left, right) : Synthesize<false, false>(block, waves_, left, right);
  } else {
    parallel ? Synthesize<true, true>(block, waves_, left, right) : Synthesize<true, false>(block, waves_, left, right);
  }
}

}  // namespace chimekit::preview
