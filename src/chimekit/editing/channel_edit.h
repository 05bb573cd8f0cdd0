// Channel copy and removal: every event of one channel doubled onto a
// second channel, or every event of one channel left out. Channels are 0
// to 15 (MIDI channels 1 to 16); larger numbers count modulo 16.
#pragma once

#include <cstdint>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"

namespace chimekit {

// The input rewritten with a copy of each channel event (80-EF) on `from`
// right after it, at delta 0, on `to` with the same data bytes. Equal
// channels write every event once.
midifile::ByteString CopyChannel(const LoadedInput& input, uint8_t from, uint8_t to);

// The input rewritten without the channel events of `channel`; their
// deltas pass on, so that every other event keeps its time.
midifile::ByteString RemoveChannel(const LoadedInput& input, uint8_t channel);

}  // namespace chimekit
