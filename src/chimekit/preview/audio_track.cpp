#include "chimekit/preview/audio_track.h"

#include <algorithm>

namespace chimekit::preview {

AudioTrackPlayer::AudioTrackPlayer(std::span<const AudioTrackEvent> events, std::span<const DecodedWave> waves)
    : events_(events), waves_(waves) {
  controls_.SetVolume(127);
  voice_.follows_key = false;
  // At full level at once; a fall of 96 dB in about 2.4 ms when stopped.
  voice_.envelope = {15, 0, 0, 15, 0, false, false};
}

bool AudioTrackPlayer::Sounding() const {
  return next_event_ < events_.size() ||
         std::any_of(notes_.begin(), notes_.end(), [](const PcmNote& note) { return note.Sounding(); });
}

void AudioTrackPlayer::StartEvent(const AudioTrackEvent& event) {
  if (event.wave >= waves_.size()) return;
  size_t slot = 0;
  for (size_t i = 0; i < notes_.size(); ++i) {
    if (!notes_[i].Sounding()) {
      slot = i;
      break;
    }
    if (started_[i] < started_[slot]) slot = i;
  }
  // A key of 0 keeps the envelope's rates at their own speed.
  notes_[slot] = PcmNote{};
  notes_[slot].Start(voice_, waves_[event.wave], 0, 127, event.length);
  started_[slot] = ++starts_;
}

void AudioTrackPlayer::Render(const FmTables& tables, uint32_t frames, float* left, float* right) {
  const uint64_t end = position_ + frames;
  uint32_t done = 0;
  while (done < frames) {
    // Up to the next event's start within the block.
    uint32_t until = frames;
    if (next_event_ < events_.size() && events_[next_event_].sample < end) {
      until = static_cast<uint32_t>(std::max(events_[next_event_].sample, position_ + done) - position_);
    }
    for (PcmNote& note : notes_) {
      if (note.Sounding() && until > done) {
        note.Render(tables, controls_, until - done, left + done, right == nullptr ? nullptr : right + done);
      }
    }
    done = until;
    while (next_event_ < events_.size() && events_[next_event_].sample <= position_ + done && position_ + done < end) {
      StartEvent(events_[next_event_++]);
    }
  }
  position_ = end;
}

}  // namespace chimekit::preview
