// One MTrk chunk as an editing export writes it, straight into the output
// file string.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midifile/bytes.h"

namespace chimekit {

class TrackOutput {
 public:
  // Begins a track chunk at the end of the file string.
  explicit TrackOutput(midifile::ByteString& file);
  TrackOutput(const TrackOutput&) = delete;
  TrackOutput& operator=(const TrackOutput&) = delete;

  // The delta time of an event that is not written: it is added to the
  // delta of the next event written, so that no later event moves. A sum
  // beyond 2^31 - 1 fails that next event with a ConversionError.
  void Carry(int32_t delta);

  // A channel message (80-EF): two data bytes for 80-BF and E0-EF, one for
  // C0-DF. The status byte is left out when with_status is false (running
  // status, kept by the caller), unless data1 has its top bit set: a
  // reader would take that byte for a status.
  void ChannelEvent(int32_t delta, uint8_t status, uint8_t data1, uint8_t data2, bool with_status = true);
  // A channel message at the time of the event written last (delta 0): a
  // delta carried from events left out since stays for the next event.
  void ChannelEventAtLast(uint8_t status, uint8_t data1, uint8_t data2);
  // A meta event through the meta-event writer: end of track, tempo, or an
  // empty text event in place of any other type.
  void MetaEvent(int32_t delta, uint8_t type, uint8_t length, midifile::ByteView data);
  // A meta event that keeps its data whole (a tag), its length as a
  // variable-length quantity.
  void TextEvent(int32_t delta, uint8_t type, midifile::ByteView text);

  // Whether an end-of-track event has been written.
  bool Ended() const { return ended_; }
  // Closes the chunk: an end-of-track event carrying whatever delta is left,
  // unless one was written, then the chunk's length.
  void Finish();

 private:
  // The delta to write for an event: its own plus what was carried.
  int32_t TakeDelta(int32_t delta);

  midifile::ByteString& file_;
  size_t start_;
  int64_t carried_ = 0;  // summed wide: many left-out deltas may add up
  bool ended_ = false;
};

}  // namespace chimekit
