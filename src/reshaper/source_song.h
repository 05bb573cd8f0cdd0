// A file to convert, found in its bytes: the header's format and division,
// and the tracks as the converter reads them (each one where its events
// lie). Nothing is copied.
#pragma once

#include <cstdint>
#include <vector>

#include "reshaper/midi_stream.h"

namespace reshaper {

// Where one track's events lie in the file: from its first delta time to
// behind its last event.
struct SourceTrack {
  const uint8_t* begin;
  const uint8_t* end;
};

struct SourceSong {
  uint16_t format = 0;
  uint16_t division = 0;            // raw: ticks per quarter note or the SMPTE form
  uint32_t trackCount = 0;          // tracks read, empty ones included
  std::vector<SourceTrack> tracks;  // the tracks with events, in file order
  // Where the first chunk behind the header starts, and where the file ends.
  const uint8_t* tracksBegin = nullptr;
  const uint8_t* fileEnd = nullptr;
  // The tracks were found by reading every event (scanTracks). Otherwise
  // each MTrk chunk's stated length was taken for where its events end,
  // which the merge checks as it reads them.
  bool scanned = false;
};

// Reads the header from the reading stream input, unwrapping a RIFF RMID
// form, and, when its format field is 1, takes every MTrk chunk behind it,
// up to a chunk with another id or the end of the file, as its stated
// length gives it. When a length runs past the end of the file, the tracks
// are scanned instead. The song's tracks point into input's bytes.
SourceSong readSource(MidiStream& input);

// Finds song's tracks again by reading every event, as the converter's
// reading rules have it: every MTrk chunk up to a chunk with another id, the
// end of the file, or a track that breaks off in a delta time or a status;
// an event that runs past its chunk's length is read to its end, and the
// next chunk follows it; a track that breaks off inside an event keeps the
// events before it.
void scanTracks(SourceSong& song);

}  // namespace reshaper
