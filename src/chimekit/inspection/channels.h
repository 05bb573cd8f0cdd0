// The channel usage report: which of the 16 MIDI channels carry note-ons.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// Bit n set for every channel n that has a note-on (status 9n, any
// velocity) in some track, each track looked at up to and including its
// first end of track. Every track of the file counts.
uint16_t UsedChannelMask(const midifile::TMidiFile& file);

// The report as written to the output file: sixteen "0"/"1" characters,
// channel 0 first, then CR LF (always 18 bytes).
midifile::ByteString UsedChannelsReport(const midifile::TMidiFile& file);

}  // namespace chimekit
