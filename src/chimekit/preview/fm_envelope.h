// The envelope of one FM operator or sampled note, kept as an attenuation in
// dB below its peak: attack to 0 dB, decay to the sustain level, then fall
// at the sustain rate while the key is down (rate 0 holds the level), and
// fall at the release rate after the key is let go. It is advanced a block
// of samples at a time.
#pragma once

#include <cstdint>

#include "chimekit/preview/fm_voice.h"

namespace chimekit::preview {

// The rates (0 to 15) and the sustain level (0, the peak, to 15, silent,
// 3 dB a step) of an envelope.
struct EnvelopeShape {
  uint8_t attack_rate = 15;
  uint8_t decay_rate = 0;
  uint8_t sustain_rate = 0;
  uint8_t release_rate = 15;
  uint8_t sustain_level = 0;
  bool key_scale_rate = false;
  bool ignore_key_off = false;  // the envelope goes on as if the key were held
};

// A two-operator voice's operator as a shape: a sustained envelope holds,
// any other falls at its release rate while the key is down.
EnvelopeShape ShapeOf(const FmOperator& op);

// Rate 0 never moves. Rates 1 to 15 double their speed every step, in
// quarter steps with the key scale rate; the key adds up to 15 quarter
// steps with it and up to 3 without:
//   attack from silence to the peak:  2.826 s at rate 1, at once from rate 15;
//   decay and release over 96 dB:     39.28 s at rate 1, 2.4 ms at rate 15.
class FmEnvelope {
 public:
  enum class Stage : uint8_t { kOff, kAttack, kDecay, kSustain, kRelease };

  // Starts a note from the current attenuation (a note that follows one
  // still sounding starts from where that one is).
  void KeyOn(const EnvelopeShape& shape, int32_t key);
  void KeyOn(const FmOperator& op, int32_t key) { KeyOn(ShapeOf(op), key); }
  void KeyOff();
  // Moves the envelope on by a number of samples.
  void Advance(uint32_t samples);

  Stage stage() const { return stage_; }
  // The attack of the last key-on reaches the peak at once.
  bool instant_attack() const { return instant_attack_; }
  bool Silent() const { return stage_ == Stage::kOff; }
  float attenuation() const { return attenuation_; }

 private:
  Stage stage_ = Stage::kOff;
  float attenuation_ = 96.0f;
  float attack_per_sample_ = 0.0f;  // share of the attenuation removed per sample
  bool instant_attack_ = false;
  float decay_per_sample_ = 0.0f;    // dB
  float sustain_per_sample_ = 0.0f;  // dB
  float release_per_sample_ = 0.0f;  // dB
  float sustain_db_ = 0.0f;
  bool ignore_key_off_ = false;
};

}  // namespace chimekit::preview
