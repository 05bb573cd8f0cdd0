// Moves every event of every track of one song, in time order, into a new
// single track of another song.
#pragma once

#include "reshaper/midi_song.h"

namespace reshaper {

// Events at the same time keep the order of their tracks, then their order
// within a track. Only one End of Track survives, at the end: at the time of
// the latest End of Track, or of the last event if that is later; a song
// without any gets one there. The source's tracks end empty.
void mergeTracks(MidiSong& source, MidiSong& target);

}  // namespace reshaper
