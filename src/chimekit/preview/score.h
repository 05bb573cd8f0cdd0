// A SMAF ringtone as the preview plays it: the events of every score track
// on one time line in samples, for sixteen channels (score track t, SMAF
// channel c: channel 4 * (t - 1) + c), and the FM voice of every program.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chimekit/preview/fm_voice.h"
#include "chimekit/smaf/reader.h"

namespace chimekit::preview {

inline constexpr uint32_t kChannelCount = 16;

enum class ScoreAction : uint8_t { kNote, kProgram, kVolume, kPan, kExpression, kPitchBend };

struct ScoreEvent {
  uint64_t sample = 0;
  uint8_t channel = 0;
  ScoreAction action = ScoreAction::kNote;
  int32_t value = 0;          // the key of a note, the value of a control
  uint64_t gate_samples = 0;  // how long a note's key is held
};

struct PreviewScore {
  std::vector<ScoreEvent> events;  // in time order; events at one time in file order
  // Where the last sequence ends or the last note is let go, if later.
  uint64_t end_sample = 0;
  // A program's voice: its first voice message in the file, else the voice
  // of the library's own table.
  std::array<FmVoice, 128> voices{};
};

// Samples at the preview's rate for a number of milliseconds.
inline uint64_t SamplesOfMs(uint64_t ms) { return ms * 441 / 10; }

// Throws midifile::ConversionError ("damaged SMAF file: at 0x....: ...")
// when the reader found a fault, a score track number is not 1 to 4, or a
// score track's timebase code is unknown. Notes whose key lies outside 0 to
// 127 or whose note value names no key are not played; modulation and
// unknown controls are passed over.
PreviewScore BuildScore(const smaf::SmafFile& file);

}  // namespace chimekit::preview
