// Merges every track of a file to convert, in time order, into the one track
// of a format 0 file, written straight from the source bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "reshaper/source_song.h"

namespace reshaper {

struct MergedFile {
  uint32_t tracks = 0;  // source tracks taken part, empty ones included
  uint32_t events = 0;  // events of the merged track, its End of Track included
  size_t size = 0;      // bytes of the format 0 file
};

// The most bytes the merged file of source can take.
uint64_t mergedFileBound(const SourceSong& source);

// Writes the format 0 file (header with the source's division, then one
// MTrk) to out, which has room for mergedFileBound bytes. Events at the
// same time keep the order of their tracks, then their order within a
// track. Only one End of Track survives, at the end: at the time of the
// latest End of Track, or of the last event if that is later; a song
// without any gets one there. Running status is used between channel
// events of the same status, also from different tracks. Takes O(E log T)
// for E events in T tracks, and besides out only memory for the tracks,
// none per event. The source's cursors end behind their tracks.
MergedFile mergeTracks(SourceSong& source, uint8_t* out);

}  // namespace reshaper
