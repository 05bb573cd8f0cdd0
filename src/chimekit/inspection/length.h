// Length and first-note queries.
#pragma once

#include <cstdint>

#include "midifile/midi_file.h"

namespace chimekit {

// Absolute tick of the earliest note-on (any velocity) of any track, each
// looked at up to its first end of track; 2147483647 when there is none.
int32_t FirstNoteTime(const midifile::TMidiFile& file);

}  // namespace chimekit
