// The controls of one score channel that the notes sounding on it follow:
// volume and expression as a level, pan as the share of each side, and the
// pitch bend. Every note engine of the preview reads them.
#pragma once

#include <cstdint>

namespace chimekit::preview {

// Each channel at full volume and expression peaks at this share of full
// scale, so that several channels sound together before they clip.
inline constexpr float kChannelGain = 0.2f;

// The level of a control value (0 to 127) as a share of full: the square of
// the value's share.
float ControlGain(uint32_t value);

// The left and right shares of a level at a pan (0 left, 127 right): both
// sides full in the middle; towards one side the other fades out along a
// cosine and the near one stays full. The channels' own gains (the
// two-operator notes) place the middle at 63.5, so that 64 leaves the left
// side 0.05 dB down, as they have always sounded;
void PanGains(uint32_t pan, float level, float& left, float& right);
// the notes of Mobile Standard voices and the recordings of audio tracks
// place it at 64 exactly.
void CentredPanGains(uint32_t pan, float level, float& left, float& right);

// The channel's pan moved by a voice's own (0 to 31, 15 the middle, 4 steps
// of the channel's a step) where the voice enables it.
uint32_t VoicePan(uint32_t channel_pan, bool voice_pan_enabled, uint32_t voice_pan);

class ChannelControls {
 public:
  // `peak` is the level at full volume and expression.
  explicit ChannelControls(float peak = kChannelGain) : peak_(peak) { UpdateGains(); }

  // Controls take 0 to 127: volume and expression scale the level, pan 0
  // is left, 64 the middle, 127 right; pitch bend 64 is the middle, 0 and
  // 127 bend by about two semitones down and up.
  void SetVolume(uint32_t value);
  void SetExpression(uint32_t value);
  void SetPan(uint32_t value);
  void SetPitchBend(uint32_t value);
  // A bend in semitones, for scores that carry it finer than 0 to 127.
  void SetBendSemitones(double semitones);

  uint32_t pan() const { return pan_; }
  float gain_mono() const { return gain_mono_; }
  float gain_left() const { return gain_left_; }
  float gain_right() const { return gain_right_; }
  double bend_semitones() const { return bend_semitones_; }
  // Counts the changes, so that a note can tell when to look again.
  uint32_t revision() const { return revision_; }

 private:
  void UpdateGains();

  float peak_;
  uint32_t volume_ = 100;
  uint32_t expression_ = 127;
  uint32_t pan_ = 64;
  double bend_semitones_ = 0.0;
  float gain_mono_ = 0.0f;
  float gain_left_ = 0.0f;
  float gain_right_ = 0.0f;
  uint32_t revision_ = 0;
};

}  // namespace chimekit::preview
