// One note of a two-operator FM voice (fm_voice.h) on a channel of the
// preview, from its key-on until it has died away, at its channel's
// volume, expression, pan and pitch bend and at its velocity.
#pragma once

#include <cstdint>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm_envelope.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_voice.h"

namespace chimekit::preview {

// The running waves of a note: both operators' phases (one cycle is 2^32)
// and the modulator's last three outputs, for its feedback.
struct FmWaves {
  uint32_t modulator_phase = 0;
  uint32_t carrier_phase = 0;
  float history[3] = {0.0f, 0.0f, 0.0f};
};

class FmNote {
 public:
  // Starts a note of a MIDI key (0 to 127) and velocity (0 to 127) held for
  // a number of samples. A note still sounding here is cut off: the new
  // one's envelopes and waves go on from where its are.
  void Start(const FmVoice& voice, int32_t key, uint32_t velocity, uint64_t gate_samples);
  // Lets the key go now.
  void Release() { gate_left_ = 0; }

  bool Sounding() const { return sounding_; }

  // Adds the next `samples` samples of the note to `left` (and `right`,
  // unless it is null for mono output) at the channel's controls.
  void Render(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left, float* right);

 private:
  struct Operator {
    FmEnvelope envelope;
    float level_db = 0.0f;  // total level and key scale level
    double hertz = 0.0;  // without vibrato
    float amplitude = 0.0f;  // at the start of the next block
  };

  void UpdateIncrements(const ChannelControls& controls);
  // Renders a block in which nothing changes but the envelopes' ramps.
  void RenderBlock(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left,
                   float* right);

  FmVoice voice_;
  Operator modulator_;
  Operator carrier_;
  FmWaves waves_;
  uint32_t lfo_phase_ = 0;
  int32_t key_ = 0;
  float velocity_gain_ = 1.0f;
  uint64_t gate_left_ = 0;
  bool key_down_ = false;
  bool sounding_ = false;
  uint32_t controls_revision_ = 0;
  bool controls_seen_ = false;
};

}  // namespace chimekit::preview
