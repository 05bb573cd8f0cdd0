// The faithful writer: a loaded or built song written back as a Standard
// MIDI File that the reader loads as the same song, event for event (status,
// data bytes, delta and absolute times, note pairing, meta and
// system-exclusive data whole, events after an end of track included).
//
// Every event carries its status byte; a delta time is written as the
// unsigned 32-bit value it holds. An event that had no status byte in its
// track (met before any) holds nothing to write: it is left out and its
// delta passes on to the next event. A track gets no end of track it did not
// have. The header holds the format, the track count (at most 65535) and
// the division, in front of the tracks: the single tempo of a file whose
// header came after its tracks (a header resets the tempo the reader
// keeps) is the one its tempo events give once written.
#pragma once

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace midifile {

ByteString WriteSong(const TMidiFile& song);

}  // namespace midifile
