// One monophonic channel of the preview: a two-operator FM voice playing one
// note at a time, with the channel's volume, expression, pan and pitch bend.
#pragma once

#include <cstdint>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm_envelope.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_voice.h"

namespace chimekit::preview {

// The running waves of a channel: both operators' phases (one cycle is
// 2^32) and the modulator's last three outputs, for its feedback.
struct FmWaves {
  uint32_t modulator_phase = 0;
  uint32_t carrier_phase = 0;
  float history[3] = {0.0f, 0.0f, 0.0f};
};

class FmChannel {
 public:
  // The voice of the next notes; a sounding note keeps its own.
  void SetVoice(const FmVoice& voice) { next_voice_ = voice; }
  // Controls as ChannelControls takes them.
  void SetVolume(uint32_t value) { controls_.SetVolume(value); }
  void SetExpression(uint32_t value) { controls_.SetExpression(value); }
  void SetPan(uint32_t value) { controls_.SetPan(value); }
  void SetPitchBend(uint32_t value);

  // Starts a note of a MIDI key (0 to 127) held for a number of samples; it
  // cuts off the note before it.
  void NoteOn(int32_t key, uint64_t gate_samples);

  bool Sounding() const { return sounding_; }

  // Adds the next `samples` samples of the channel to `left` (and `right`,
  // unless it is null for mono output).
  void Render(const FmTables& tables, uint32_t samples, float* left, float* right);

 private:
  struct Operator {
    FmEnvelope envelope;
    float level_db = 0.0f;  // total level and key scale level
    double hertz = 0.0;  // without vibrato
    float amplitude = 0.0f;  // at the start of the next block
  };

  void UpdateIncrements();
  // Renders a block in which nothing changes but the envelopes' ramps.
  void RenderBlock(const FmTables& tables, uint32_t samples, float* left, float* right);

  FmVoice next_voice_;
  FmVoice voice_;
  Operator modulator_;
  Operator carrier_;
  FmWaves waves_;
  uint32_t lfo_phase_ = 0;
  int32_t key_ = 0;
  uint64_t gate_left_ = 0;
  bool key_down_ = false;
  bool sounding_ = false;
  ChannelControls controls_;
};

}  // namespace chimekit::preview
