#include "chimekit/preview/render.h"

#include <algorithm>
#include <array>

#include "chimekit/preview/fm_channel.h"
#include "chimekit/preview/fm_tables.h"

namespace chimekit::preview {
namespace {

// Frames mixed at a time; a block also ends at the next score event.
constexpr uint32_t kMixBlock = 256;

// The output is AC-coupled: a one-pole high-pass at about 5 Hz takes away
// the constant offset that strong modulation of a carrier by a modulator of
// the same frequency leaves.
class DcBlocker {
 public:
  float Filter(float in) {
    constexpr float kPole = 0.9993f;
    constexpr float kFlush = 1e-9f;  // far below one step of 16 bits; keeps the filter out of denormals
    out_ = in - in_ + kPole * out_;
    in_ = in;
    if (out_ > -kFlush && out_ < kFlush) out_ = 0.0f;
    return out_;
  }

 private:
  float in_ = 0.0f;
  float out_ = 0.0f;
};

class Mixer {
 public:
  Mixer(const PreviewScore& score, bool stereo) : score_(score), stereo_(stereo) {
    for (FmChannel& channel : channels_) channel.SetVoice(score.voices[0]);
  }

  void Apply(const ScoreEvent& event) {
    FmChannel& channel = channels_[event.channel % kChannelCount];
    const auto value = static_cast<uint32_t>(event.value);
    switch (event.action) {
      case ScoreAction::kNote:
        channel.NoteOn(event.value, event.gate_samples);
        break;
      case ScoreAction::kProgram:
        channel.SetVoice(score_.voices[value & 0x7F]);
        break;
      case ScoreAction::kVolume:
        channel.SetVolume(value);
        break;
      case ScoreAction::kPan:
        channel.SetPan(value);
        break;
      case ScoreAction::kExpression:
        channel.SetExpression(value);
        break;
      case ScoreAction::kPitchBend:
        channel.SetPitchBend(value);
        break;
    }
  }

  bool Sounding() const {
    return std::any_of(channels_.begin(), channels_.end(), [](const FmChannel& c) { return c.Sounding(); });
  }

  // Mixes `frames` (at most kMixBlock) frames and hands them to `sink`.
  void Mix(uint32_t frames, const PcmSink& sink) {
    left_.fill(0.0f);
    right_.fill(0.0f);
    for (FmChannel& channel : channels_) {
      if (channel.Sounding()) channel.Render(tables_, frames, left_.data(), stereo_ ? right_.data() : nullptr);
    }
    int16_t* pcm = pcm_.data();
    for (uint32_t i = 0; i < frames; ++i) {
      *pcm++ = ToPcm(left_filter_.Filter(left_[i]));
      if (stereo_) *pcm++ = ToPcm(right_filter_.Filter(right_[i]));
    }
    sink(pcm_.data(), static_cast<size_t>(pcm - pcm_.data()));
  }

 private:
  // Full scale is 1; louder mixes are clipped.
  static int16_t ToPcm(float value) {
    return static_cast<int16_t>(std::clamp(value, -1.0f, 1.0f) * 32767.0f);
  }

  const PreviewScore& score_;
  const bool stereo_;
  const FmTables tables_;
  std::array<FmChannel, kChannelCount> channels_;
  std::array<float, kMixBlock> left_{};
  std::array<float, kMixBlock> right_{};
  std::array<int16_t, 2 * kMixBlock> pcm_{};
  DcBlocker left_filter_;
  DcBlocker right_filter_;
};

}  // namespace

// The frames of the time limit: the length asked for, at most the longest
// render.
uint64_t LimitFrames(const PreviewOptions& options) {
  const uint64_t most_ms = uint64_t{kMaxPreviewSeconds} * 1000;
  return std::min<uint64_t>(options.length_ms.value_or(most_ms), most_ms) * kSampleRate / 1000;
}

uint64_t PlannedFrames(const PreviewScore& score, const PreviewOptions& options) {
  const uint64_t tail_end = score.end_sample + static_cast<uint64_t>(kReleaseTailSeconds) * kSampleRate;
  return std::min(LimitFrames(options), tail_end);
}

PreviewRendered RenderPreview(const PreviewScore& score, const PreviewOptions& options, const PcmSink& sink,
                              const PreviewProgress& progress) {
  PreviewRendered rendered;
  rendered.output_channels = options.output_channels == 1 ? 1 : 2;
  const uint64_t limit = LimitFrames(options);
  const uint64_t planned = PlannedFrames(score, options);

  Mixer mixer(score, rendered.output_channels == 2);
  uint64_t position = 0;
  uint64_t next_report = kSampleRate;
  size_t next_event = 0;
  while (position < planned) {
    for (; next_event < score.events.size() && score.events[next_event].sample <= position; ++next_event) {
      mixer.Apply(score.events[next_event]);
    }
    if (position >= score.end_sample && !mixer.Sounding()) break;
    uint64_t end = std::min(planned, position + kMixBlock);
    if (next_event < score.events.size()) end = std::min(end, score.events[next_event].sample);
    if (position < score.end_sample) end = std::min(end, score.end_sample);
    mixer.Mix(static_cast<uint32_t>(end - position), sink);
    position = end;
    if (progress && position >= next_report) {
      progress(std::min(position, score.end_sample), std::min(limit, score.end_sample));
      next_report += kSampleRate;
    }
  }
  rendered.frames = position;
  rendered.cut = limit < score.end_sample;
  return rendered;
}

}  // namespace chimekit::preview
