// Slot allocation and delta conversion of the conversion list.
#pragma once

#include <cstdint>
#include <vector>

#include "chimekit/smaf/smaf_event.h"

namespace chimekit::smaf {

// Gives every entry one of the sixteen monophonic slots, so that a MIDI
// channel playing chords is spread over several slots, and writes the slot
// into the low four bits of its status. An entry for which no slot is free
// gets the status 0x80 (slot 0, a silent entry). Returns the number of notes
// that found no slot.
int32_t AllocateSlots(std::vector<TSmafEvent>& events);

// Turns the absolute times into deltas since the previous entry of the same
// sequence body.
void ConvertToDeltas(std::vector<TSmafEvent>& events);

}  // namespace chimekit::smaf
