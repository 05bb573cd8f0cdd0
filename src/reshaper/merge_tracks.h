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

// The most bytes the merged file of source can take, with a few to spare.
// Every event is written as it was read but for its delta time and its
// status byte: the delta times take no more bytes than in the source (see
// merge_tracks.cpp), and only an event that repeated the previous status
// gains a byte, one of two at least. So the events take at most one and a
// half times the bytes behind the header.
uint64_t mergedFileBound(const SourceSong& source);

// Writes the format 0 file (header with the source's division, then one
// MTrk) to out, which has room for mergedFileBound bytes. Events at the
// same time keep the order of their tracks, then their order within a
// track. Only one End of Track survives, at the end: at the time of the
// latest End of Track, or of the last event if that is later; a song
// without any gets one there. Running status is used between channel
// events of the same status, also from different tracks.
//
// Tracks taken from their chunk lengths (readSource) are checked as they
// are read; when their events do not end exactly where their chunks do,
// the tracks are scanned (scanTracks) and merged again. Besides out, the
// merge takes memory for the tracks and, beyond 12 tracks, its tick wheel,
// none per event. Up to 12 tracks, an event costs a look at every track's
// next tick. With more, it costs a few integer operations whatever the
// number of tracks T, and O(log T) more when its track's next event lies a
// turn of the wheel or more ahead (4,096 ticks up to 2,048 tracks in a song
// of 1 MiB or more; fewer with more tracks or a smaller song).
MergedFile mergeTracks(SourceSong& source, uint8_t* out);

}  // namespace reshaper
