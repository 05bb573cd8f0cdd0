#include "reshaper/source_song.h"

#include <algorithm>

#include "reshaper/midi_header.h"

namespace reshaper {

namespace {

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
// its end, and only the end of the file (fileEnd) stops it. Adds what its
// events take in the merged track to song's bounds. A merged event's delta
// is at most the ticks since the event before it in its own track that is
// no End of Track (that one is written before it), which bounds its size.
ScannedTrack scanTrack(const uint8_t* start, const uint8_t* fileEnd, uint32_t length, SourceSong& song) {
  ScannedTrack scanned{TrackEnd::Complete, start};
  const uint8_t* at = start;
  uint8_t status = 0;
  uint64_t sinceWritten = 0;
  uint64_t eventBytes = 0;
  uint32_t endOfTrackBody = 0;
  while (static_cast<uint64_t>(at - start) < length) {
    uint32_t delta = 0;
    EventBody body;
    if (!readEventHead(at, fileEnd, delta, status)) return {TrackEnd::Broken, start};
    if (!readEventBody(at, fileEnd, status, body)) {
      scanned.how = TrackEnd::Cut;
      break;
    }
    scanned.eventsEnd = at;
    sinceWritten += delta;
    if (body.isEndOfTrack(status)) {
      endOfTrackBody = std::max(endOfTrackBody, body.writtenSize());
    } else {
      uint32_t mergedDelta = static_cast<uint32_t>(std::min<uint64_t>(sinceWritten, kMaxQuantity));
      eventBytes += quantitySize(mergedDelta) + 1 + body.writtenSize();
      sinceWritten = 0;
    }
  }
  song.mergedEventBytes += eventBytes;
  song.endOfTrackBody = std::max(song.endOfTrackBody, endOfTrackBody);
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

  const uint8_t* file = input.data().data();
  const uint8_t* fileEnd = file + input.data().size();
  while (true) {
    MidiChunk chunk;
    if (!chunk.readChunkHeader(input) || chunk.kind != ChunkKind::Track) break;
    const uint8_t* start = file + input.position();
    ScannedTrack scanned = scanTrack(start, fileEnd, chunk.length, song);
    if (scanned.how == TrackEnd::Broken) break;  // dropped with its events
    ++song.trackCount;
    if (scanned.eventsEnd != start) song.tracks.emplace_back(start, scanned.eventsEnd);
    // A cut event ends at the end of the file: no track follows it.
    if (scanned.how == TrackEnd::Cut) break;
    input.seek(scanned.eventsEnd - file, MidiStream::FromStart);
  }
  return song;
}

}  // namespace reshaper
