// One source track during the merge, read straight from the file's bytes one
// event at a time. Holds no copy of anything and takes 32 bytes, so that the
// cursors of thousands of tracks stay in the processor's cache.
#pragma once

#include <cstdint>

namespace reshaper {

struct TrackCursor {
  // The current event behind its delta time: its status byte, or the data
  // byte that repeats the previous status.
  const uint8_t* at;
  // Before fastEnd, eight bytes can be read from at without leaving the
  // track: enough for a channel message and the delta time behind it, so
  // that neither needs a check of the track's end.
  const uint8_t* fastEnd;
  const uint8_t* end;   // behind the track's last event
  uint32_t status = 0;  // the status of the event before the current one
};

}  // namespace reshaper
