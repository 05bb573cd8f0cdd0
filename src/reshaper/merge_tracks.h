// Moves every event of every track of one song, in time order, into a new
// single track of another song.
#pragma once

#include <cstdint>

#include "reshaper/midi_song.h"

namespace reshaper {

struct MergeCounts {
  uint32_t tracks = 0;  // source tracks taken part, empty ones included
  uint32_t events = 0;  // events of the merged track, its End of Track included
};

// Events at the same time keep the order of their tracks, then their order
// within a track. Only one End of Track survives, at the end: at the time of
// the latest End of Track, or of the last event if that is later; a song
// without any gets one there. The source's tracks end empty. Takes
// O(E log T) for E events in T tracks. The merged track's outLength is left
// to the song's transfer, which computes every track's length before
// writing.
MergeCounts mergeTracks(MidiSong& source, MidiSong& target);

}  // namespace reshaper
