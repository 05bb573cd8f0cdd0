// A file to convert, found in its bytes: the header's format and division,
// the tracks as the converter reads them (each one where its events lie),
// and the most bytes the merged file can take. Nothing is copied.
#pragma once

#include <cstdint>
#include <vector>

#include "reshaper/midi_stream.h"
#include "reshaper/track_cursor.h"

namespace reshaper {

struct SourceSong {
  uint16_t format = 0;
  uint16_t division = 0;            // raw: ticks per quarter note or the SMPTE form
  uint32_t trackCount = 0;          // tracks read, empty ones included
  std::vector<TrackCursor> tracks;  // the tracks with events, in file order, before their first event
  uint64_t mergedEventBytes = 0;    // the events but every End of Track, merged, take at most this
  uint32_t endOfTrackBody = 2;      // the body of the End of Track that ends the merged track takes at most this
};

// Reads the header from the reading stream input, unwrapping a RIFF RMID
// form, and, when its format field is 1, every MTrk chunk behind it (up to
// a chunk with another id, the end of the file, or a track that breaks off
// in a delta time or a status). A track that breaks off inside an event
// keeps the events before it. The song's cursors point into input's bytes.
SourceSong readSource(MidiStream& input);

}  // namespace reshaper
