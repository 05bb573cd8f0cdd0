// One note of a sampled voice (pcm_voice.h) on a channel of the preview:
// the wave read at the note's rate, between its samples in a straight line,
// under the voice's envelope (fm_envelope.h), total level and LFO (lfo.h),
// at the velocity's level (the square of its share of 127) and the
// channel's controls. A wave that does not loop ends the note at its end
// point.
#pragma once

#include <cstdint>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm_envelope.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/lfo.h"
#include "chimekit/preview/pcm_voice.h"
#include "chimekit/preview/wave_data.h"

namespace chimekit::preview {

class PcmNote {
 public:
  // Starts a note of a MIDI key (0 to 127) and velocity (0 to 127) held for
  // a number of samples (0: until the wave ends); `wave` must outlive the
  // note. A note still sounding here is cut off, its envelope going on
  // from where it is.
  void Start(const PcmVoice& voice, const DecodedWave& wave, int32_t key, uint32_t velocity, uint64_t gate_samples);
  // Lets the key go now.
  void Release() { gate_left_ = 0; }

  bool Sounding() const { return sounding_; }

  // Adds the next `samples` samples of the note to `left` (and `right`,
  // unless it is null for mono output) at the channel's controls.
  void Render(const FmTables& tables, const ChannelControls& controls, uint32_t samples, float* left, float* right);

 private:
  void UpdateControls(const ChannelControls& controls);
  // Reads a block of the wave into the output; false when it has ended.
  template <bool kStereo>
  bool ReadBlock(uint32_t samples, float amp, float ramp, float* left, float* right);

  PcmVoice voice_;
  const int16_t* samples_ = nullptr;
  uint32_t end_ = 0;         // in samples of the wave
  uint32_t loop_start_ = 0;  // loops only when below end_
  bool loop_ = false;
  uint32_t index_ = 0;       // the position in the wave: its sample
  uint64_t fraction_ = 0;    // and the fraction of a sample after it, in 2^-64
  uint32_t step_whole_ = 0;  // per output sample, in the same units
  uint64_t step_fraction_ = 0;
  double step_hertz_ = 0.0;  // the wave's samples per second at the note's key, without bend or vibrato
  FmEnvelope envelope_;
  Lfo lfo_;
  float level_db_ = 0.0f;
  float amplitude_ = 0.0f;  // at the start of the next block
  float velocity_gain_ = 0.0f;
  uint64_t gate_left_ = 0;
  bool gated_ = false;
  bool fresh_ = false;  // started out of silence, no block rendered yet
  bool key_down_ = false;
  bool sounding_ = false;

  uint32_t controls_revision_ = 0;
  bool controls_seen_ = false;
  double bend_factor_ = 1.0;
  float gain_left_ = 0.0f;
  float gain_right_ = 0.0f;
  float gain_mono_ = 0.0f;
};

}  // namespace chimekit::preview
