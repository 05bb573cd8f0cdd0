// The tracks of a song, in file order, in a list that owns them.
#pragma once

#include <cstdint>

#include "reshaper/model/midi_track.h"

namespace reshaper {

class TrackList {
 public:
  TrackList() = default;
  ~TrackList() { clear(); }
  TrackList(const TrackList&) = delete;
  TrackList& operator=(const TrackList&) = delete;

  // Appends every MTrk chunk from the stream's position on, until a chunk
  // that is no track, the end of the file, or a track that breaks off; the
  // header's track count plays no part. False when no track was read.
  bool read(MidiStream& stream);
  void write(MidiStream& stream);
  // Deletes every track and its events.
  void clear();
  // A new empty track "MTrk" numbered 1 at the front of the list.
  MidiTrack* addTrack();

  void resetCursor() { cursor_ = head_.next(); }
  // The track under the cursor, which then moves on; null at the end.
  MidiTrack* nextTrack();
  // Refreshes every track's outLength; the sum of the tracks' chunk sizes.
  uint32_t totalLength();
  // Tracks read or added since the last reset.
  uint32_t count() const { return count_; }

 private:
  MidiTrack head_;
  MidiTrack* cursor_ = nullptr;
  uint32_t count_ = 0;
};

}  // namespace reshaper
