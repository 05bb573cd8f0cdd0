#include "reshaper/source_song.h"

#include <cstring>

#include "reshaper/event_bytes.h"
#include "reshaper/midi_header.h"

namespace reshaper {

namespace {

constexpr uint32_t kChunkHeaderBytes = 8;

// The body length of the MTrk chunk header at at, or false when fewer than
// eight bytes remain or the id is another one.
bool trackChunkAt(const uint8_t* at, const uint8_t* fileEnd, uint32_t& length) {
  if (static_cast<size_t>(fileEnd - at) < kChunkHeaderBytes || std::memcmp(at, "MTrk", 4) != 0) return false;
  length = (uint32_t{at[4]} << 24) | (uint32_t{at[5]} << 16) | (uint32_t{at[6]} << 8) | at[7];
  return true;
}

// How the reading of one track's events ended.
enum class TrackEnd : uint8_t {
  Complete,  // the bytes read reached the chunk's length
  Cut,       // the file ends inside an event: the events before it stay
  Broken,    // the file ends inside a delta time or a status, or a data byte has no status to repeat
};

struct ScannedTrack {
  TrackEnd how = TrackEnd::Complete;
  const uint8_t* eventsEnd = nullptr;  // behind the last event read whole
};

// Reads the events of one track from start on while the bytes read stay
// below the chunk's length; an event that runs past that length is read to
// its end, and only the end of the file (fileEnd) stops it.
ScannedTrack scanTrack(const uint8_t* start, const uint8_t* fileEnd, uint32_t length) {
  ScannedTrack scanned{TrackEnd::Complete, start};
  const uint8_t* at = start;
  uint8_t status = 0;
  while (static_cast<uint64_t>(at - start) < length) {
    uint32_t delta = 0;
    EventBody body;
    if (!readEventHead(at, fileEnd, delta, status)) return {TrackEnd::Broken, start};
    if (!readEventBody(at, fileEnd, status, body)) {
      scanned.how = TrackEnd::Cut;
      break;
    }
    scanned.eventsEnd = at;
  }
  return scanned;
}

}  // namespace

SourceSong readSource(MidiStream& input) {
  SourceSong song;
  MidiHeader header;
  // The format field alone decides; a header cut off behind it still counts.
  header.read(input);
  song.format = header.format;
  song.division = header.division;
  if (song.format != 1) return song;

  song.tracksBegin = input.data().data() + input.position();
  song.fileEnd = input.data().data() + input.data().size();
  uint32_t length = 0;
  for (const uint8_t* at = song.tracksBegin; trackChunkAt(at, song.fileEnd, length);) {
    at += kChunkHeaderBytes;
    if (length > static_cast<uint64_t>(song.fileEnd - at)) {
      // The track runs into the end of the file: only its events tell
      // where it ends.
      scanTracks(song);
      return song;
    }
    ++song.trackCount;
    if (length > 0) song.tracks.push_back({at, at + length});
    at += length;
  }
  return song;
}

void scanTracks(SourceSong& song) {
  song.trackCount = 0;
  song.tracks.clear();
  song.scanned = true;
  uint32_t length = 0;
  for (const uint8_t* at = song.tracksBegin; trackChunkAt(at, song.fileEnd, length);) {
    const uint8_t* start = at + kChunkHeaderBytes;
    ScannedTrack scanned = scanTrack(start, song.fileEnd, length);
    if (scanned.how == TrackEnd::Broken) break;  // dropped with its events
    ++song.trackCount;
    if (scanned.eventsEnd != start) song.tracks.push_back({start, scanned.eventsEnd});
    // A cut event ends at the end of the file: no track follows it.
    if (scanned.how == TrackEnd::Cut) break;
    at = scanned.eventsEnd;
  }
}

}  // namespace reshaper
