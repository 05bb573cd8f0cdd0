// The audio tracks of a SMAF file in the preview: each event of a track's
// wave sequence starts one of its waves at the event's time and stops it
// when its length is over (a length of 0 plays the wave to its end); the
// waves play at their own rate, read between their samples in a straight
// line, with a fade of about 2 ms when they are stopped, and are mixed in at
// full scale in the middle (the recording's own level). Up to kAudioVoices
// waves sound at once; one more cuts off the oldest.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/pcm_note.h"
#include "chimekit/preview/wave_data.h"

namespace chimekit::preview {

inline constexpr uint32_t kAudioVoices = 4;

struct AudioTrackEvent {
  uint64_t sample = 0;  // when the wave starts, at the preview's rate
  uint64_t length = 0;  // samples it plays for; 0: to its end
  uint32_t wave = 0;    // index into the player's waves
};

class AudioTrackPlayer {
 public:
  // `events` in time order; both spans must outlive the player. An event
  // whose wave index is beyond `waves` is passed over.
  AudioTrackPlayer(std::span<const AudioTrackEvent> events, std::span<const DecodedWave> waves);

  // The track's volume, expression and pan (the bend is not used).
  ChannelControls& controls() { return controls_; }

  // True while a wave sounds or an event is still to come.
  bool Sounding() const;

  // Adds the next `frames` samples, from sample 0 on, to `left` (and
  // `right`, unless it is null for mono output).
  void Render(const FmTables& tables, uint32_t frames, float* left, float* right);

 private:
  void StartEvent(const AudioTrackEvent& event);

  std::span<const AudioTrackEvent> events_;
  std::span<const DecodedWave> waves_;
  size_t next_event_ = 0;
  uint64_t position_ = 0;
  ChannelControls controls_{1.0f};
  PcmVoice voice_;
  std::array<PcmNote, kAudioVoices> notes_;
  std::array<uint64_t, kAudioVoices> started_{};  // event order, for cutting off the oldest
  uint64_t starts_ = 0;
};

}  // namespace chimekit::preview
