// The text dump of a MIDI file: a full event listing or a note list.
#pragma once

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// The whole listing of a loaded file as written to the output file, every
// line ended by CR LF; no lines give an empty text.
//
// Every event of every track is visited in file order, events after an end
// of track included. Program changes and bank selects (controller 0) set the
// program and bank of their channel; this state follows the order of the
// visit, track after track, not the time order of the song.
//
// verbose: one line per event of a listed kind (notes, controllers, program
// changes, pressure, pitch wheel, system exclusive, real-time and meta
// events). Otherwise the note list: one line per note-on that lasts at least
// one tick, "channel,note [key],velocity,start,end,program [bank]".
midifile::ByteString DumpText(const midifile::TMidiFile& file, bool verbose);

}  // namespace chimekit
