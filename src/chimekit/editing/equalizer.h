// Equalizer: loudness that follows the pitch of the notes. The keys 0 to
// 127 fall into eight bands of 16; before each note whose level differs
// from the level last set in its track, a channel volume (controller 7)
// with that level is written. The input's own channel volumes and channel
// pressure are left out, so that the inserted levels alone rule.
#pragma once

#include <array>
#include <cstdint>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"

namespace chimekit {

struct EqualizerLevels {
  std::array<uint8_t, 8> bands{};  // band 1 (keys 0-15) to band 8 (keys 112-127)
  uint8_t drums = 0;               // every drum note
};

// The input rewritten by the equalizer. Levels count by their low 7 bits,
// and so do key data bytes above 127. Each track starts at level 64; a
// note-on or key pressure whose level (the drum level for a drum event)
// differs gets a channel volume on its channel just before it, which takes
// over its delta. Note-offs do not touch the level.
midifile::ByteString Equalize(const LoadedInput& input, const EqualizerLevels& levels);

}  // namespace chimekit
