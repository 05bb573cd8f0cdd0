// The data bytes of a loaded meta or system-exclusive event. Every editing
// and tag routine reads them through this one function.
#pragma once

#include "midifile/bytes.h"
#include "midifile/midi_event.h"
#include "midifile/midi_track.h"

namespace chimekit {

inline midifile::ByteView EventData(const midifile::TMidiTrack& /*track*/, const midifile::TMidiEvent& event) {
  return event.DataBytes;
}

}  // namespace chimekit
