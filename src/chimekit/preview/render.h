// Rendering a SMAF file's score (score.h) to 16-bit PCM at 44.1 kHz: its
// channels' notes mixed to mono, or to stereo with each channel's pan, and
// passed through a 5 Hz high-pass; the audio tracks' waves mixed in after
// it, as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "chimekit/preview/score.h"

namespace chimekit::preview {

// The longest render: a ringtone that plays longer is cut there.
inline constexpr uint32_t kMaxPreviewSeconds = 600;
// After the score ends, the render goes on until every channel has fallen
// silent, for at most this long.
inline constexpr uint32_t kReleaseTailSeconds = 5;

struct PreviewOptions {
  uint32_t output_channels = 2;   // 1 (mono) or 2 (stereo with pan)
  std::optional<uint32_t> length_ms;  // render only the start, at most kMaxPreviewSeconds
  bool allow_empty = false;  // render a file in which nothing plays (as silence) instead of refusing it
};

struct PreviewRendered {
  uint32_t output_channels = 2;
  uint64_t frames = 0;  // samples per output channel
  // True when the render stopped at the time limit before the score's end
  // (a release cut short at the limit does not count).
  bool cut = false;
};

// Receives the sound block by block: interleaved samples, left first.
using PcmSink = std::function<void(const int16_t* samples, size_t count)>;

// Told how many frames are done of how many the score has (its end); called
// about once per second of sound.
using PreviewProgress = std::function<void(uint64_t frames_done, uint64_t frames_total)>;

PreviewRendered RenderPreview(const PreviewScore& score, const PreviewOptions& options, const PcmSink& sink,
                              const PreviewProgress& progress = {});

// The frames a render will give at most: up to the score's end and its
// release tail, within the time limit.
uint64_t PlannedFrames(const PreviewScore& score, const PreviewOptions& options);

}  // namespace chimekit::preview
