// Reading the content of one MTrk chunk into a track.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_track.h"

namespace midifile {

// Reads the events of a track chunk's content into an empty track: running
// status, meta and system-exclusive data (kept as views into `content`,
// which must outlive the track), absolute times and note pairing. The
// track's array is sized once for the most events the content can hold
// (one per byte) and trimmed in place afterwards. An event cut off by the
// end of the content is dropped with whatever follows it.
//
// Returns the value of the chunk's last tempo event that has one (three
// data bytes, not 0), or 0 when there is none.
uint32_t ReadTrackEvents(ByteView content, TMidiTrack& track, NotePairing& pairing);

}  // namespace midifile
