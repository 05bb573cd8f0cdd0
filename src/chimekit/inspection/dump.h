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
//
// Channels are numbered as MIDIDump writes them, 0 to 15, or (from_one) as
// musicians count them, 1 to 16, as the tool lists them; nothing else
// differs.
enum class ChannelNumbers { from_zero, from_one };
midifile::ByteString DumpText(const midifile::TMidiFile& file, bool verbose,
                              ChannelNumbers numbers = ChannelNumbers::from_zero);

}  // namespace chimekit
