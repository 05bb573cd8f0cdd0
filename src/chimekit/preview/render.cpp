#include "chimekit/preview/render.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "chimekit/preview/audio_track.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_waveforms.h"
#include "chimekit/preview/note_slot.h"

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

// The channels' controls, the places of the sounding notes (one for each
// channel that plays a note at a time, then the pool), the audio tracks'
// players, and the mix of them all.
class Mixer {
 public:
  Mixer(const PreviewScore& score, bool stereo)
      : score_(score), stereo_(stereo), controls_(score.pooled.size()), own_slot_(score.pooled.size(), -1) {
    if (score.four_operators) waveforms_.emplace();
    for (size_t channel = 0; channel < score.pooled.size(); ++channel) {
      if (score.pooled[channel] != 0) continue;
      own_slot_[channel] = static_cast<int32_t>(slots_.size());
      slots_.push_back({});
      slot_channels_.push_back(static_cast<uint16_t>(channel));
    }
    first_pooled_ = slots_.size();
    if (std::find(score.pooled.begin(), score.pooled.end(), 1) != score.pooled.end()) {
      slots_.resize(first_pooled_ + kPoolNotes);
      slot_channels_.resize(first_pooled_ + kPoolNotes, 0);
      pool_.resize(kPoolNotes);
    }
    players_.reserve(score.audio_tracks.size());
    for (const AudioTrackPlan& plan : score.audio_tracks) players_.emplace_back(plan.events, plan.waves);
  }

  void Apply(const ScoreEvent& event, uint64_t position) {
    if (event.channel >= controls_.size()) {
      const size_t track = event.channel - controls_.size();
      if (track < players_.size()) ApplyControl(event, players_[track].controls());
      return;
    }
    if (event.action != ScoreAction::kNote) {
      ApplyControl(event, controls_[event.channel]);
      return;
    }
    const int32_t own = own_slot_[event.channel];
    const PlayVoice& voice = score_.voices[event.voice];
    size_t slot = 0;
    if (own >= 0) {
      slot = static_cast<size_t>(own);
    } else {
      const uint32_t weight = voice.engine == Engine::kFm4 && OperatorCount(voice.fm4.algorithm) == 4 ? 2 : 1;
      slot = PoolSlot(position, event.channel, weight);
      slot_channels_[slot] = event.channel;
      pool_[slot - first_pooled_] = {++starts_, position + event.gate_samples, weight};
    }
    slots_[slot].Start(voice, score_.waves, event.value, event.velocity, event.gate_samples);
  }

  bool Sounding() const {
    return std::any_of(slots_.begin(), slots_.end(), [](const NoteSlot& s) { return s.Sounding(); }) ||
           std::any_of(players_.begin(), players_.end(), [](const AudioTrackPlayer& p) { return p.Sounding(); });
  }

  // Mixes `frames` (at most kMixBlock) frames and hands them to `sink`.
  void Mix(uint32_t frames, const PcmSink& sink) {
    left_.fill(0.0f);
    right_.fill(0.0f);
    const FmWaveforms* waveforms = waveforms_ ? &*waveforms_ : nullptr;
    for (size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].Sounding()) {
        slots_[i].Render(tables_, waveforms, controls_[slot_channels_[i]], frames, left_.data(),
                         stereo_ ? right_.data() : nullptr);
      }
    }
    int16_t* pcm = pcm_.data();
    if (players_.empty()) {
      for (uint32_t i = 0; i < frames; ++i) {
        *pcm++ = ToPcm(left_filter_.Filter(left_[i]));
        if (stereo_) *pcm++ = ToPcm(right_filter_.Filter(right_[i]));
      }
    } else {
      // Recordings are mixed in as they are, after the high-pass.
      audio_left_.fill(0.0f);
      audio_right_.fill(0.0f);
      for (AudioTrackPlayer& player : players_) {
        player.Render(tables_, frames, audio_left_.data(), stereo_ ? audio_right_.data() : nullptr);
      }
      for (uint32_t i = 0; i < frames; ++i) {
        *pcm++ = ToPcm(left_filter_.Filter(left_[i]) + audio_left_[i]);
        if (stereo_) *pcm++ = ToPcm(right_filter_.Filter(right_[i]) + audio_right_[i]);
      }
    }
    sink(pcm_.data(), static_cast<size_t>(pcm - pcm_.data()));
  }

 private:
  struct PoolNote {
    uint64_t started = 0;  // in the order of the notes' starts
    uint64_t key_up = 0;   // the sample its key is let go
    uint32_t weight = 1;
  };

  static void ApplyControl(const ScoreEvent& event, ChannelControls& controls) {
    const auto value = static_cast<uint32_t>(event.value);
    switch (event.action) {
      case ScoreAction::kVolume:
        controls.SetVolume(value);
        break;
      case ScoreAction::kPan:
        controls.SetPan(value);
        break;
      case ScoreAction::kExpression:
        controls.SetExpression(value);
        break;
      case ScoreAction::kPitchBend:
        controls.SetPitchBend(value);
        break;
      case ScoreAction::kBend:
        controls.SetBendSemitones(event.value / 65536.0);
        break;
      case ScoreAction::kNote:
        break;
    }
  }

  // The pool's place for a new note of a weight (a four-operator note
  // counts twice): a free one while the pool's weight allows, else the place
  // of the oldest note let go on its channel, else of the oldest let go,
  // else of the oldest, whose note it cuts off; notes are silenced until the
  // new one's weight fits.
  size_t PoolSlot(uint64_t position, uint16_t channel, uint32_t weight) {
    uint32_t used = 0;
    size_t free = kPoolNotes;
    for (size_t i = 0; i < kPoolNotes; ++i) {
      if (slots_[first_pooled_ + i].Sounding()) {
        used += pool_[i].weight;
      } else if (free == kPoolNotes) {
        free = i;
      }
    }
    while (true) {
      if (free < kPoolNotes && used + weight <= kPoolWeight) return first_pooled_ + free;
      size_t victim = kPoolNotes;
      int rank = 0;  // 3: let go on this channel, 2: let go, 1: sounding
      for (size_t i = 0; i < kPoolNotes; ++i) {
        if (!slots_[first_pooled_ + i].Sounding()) continue;
        const PoolNote& note = pool_[i];
        const bool released = note.key_up <= position;
        const int r = released ? (slot_channels_[first_pooled_ + i] == channel ? 3 : 2) : 1;
        if (r > rank || (r == rank && note.started < pool_[victim].started)) {
          victim = i;
          rank = r;
        }
      }
      if (used - pool_[victim].weight + weight <= kPoolWeight) return first_pooled_ + victim;
      slots_[first_pooled_ + victim].Silence();
      used -= pool_[victim].weight;
      if (free == kPoolNotes) free = victim;
    }
  }

  // Full scale is 1; louder mixes are clipped.
  static int16_t ToPcm(float value) {
    return static_cast<int16_t>(std::clamp(value, -1.0f, 1.0f) * 32767.0f);
  }

  const PreviewScore& score_;
  const bool stereo_;
  const FmTables tables_;
  std::optional<FmWaveforms> waveforms_;
  std::vector<ChannelControls> controls_;
  std::vector<int32_t> own_slot_;  // per channel: its place, or -1 for the pool
  std::vector<NoteSlot> slots_;
  std::vector<uint16_t> slot_channels_;  // per place: the channel of its note
  size_t first_pooled_ = 0;
  std::vector<PoolNote> pool_;
  uint64_t starts_ = 0;
  std::vector<AudioTrackPlayer> players_;
  std::array<float, kMixBlock> left_{};
  std::array<float, kMixBlock> right_{};
  std::array<float, kMixBlock> audio_left_{};
  std::array<float, kMixBlock> audio_right_{};
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
      mixer.Apply(score.events[next_event], position);
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
