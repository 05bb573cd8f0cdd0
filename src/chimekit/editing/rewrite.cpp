#include "chimekit/editing/rewrite.h"

#include "midifile/smf_writer.h"

namespace chimekit {

WalkEvent CopyEvent(const midifile::TMidiTrack& track, const midifile::TMidiEvent& event) {
  WalkEvent copy;
  copy.status = event.Status;
  copy.data1 = event.Data1;
  copy.data2 = event.Data2;
  copy.delta = event.DeltaTime;
  copy.time = event.Time;
  copy.duration = event.Duration;
  if (event.Status >= 0xF0) copy.data = EventData(track, event);
  return copy;
}

midifile::ByteString RewriteHeader(const LoadedInput& input) {
  midifile::ByteString file =
      midifile::HeaderChunk(input.file.FileFormat(), input.file.NumberOfTracks(), input.division);
  // Most rewrites are about as long as their input.
  file.reserve(input.byte_count + input.byte_count / 8 + 64);
  return file;
}

}  // namespace chimekit
