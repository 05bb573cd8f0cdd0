// One source track of the merge, read straight from the file's bytes one
// event at a time: the current event's absolute time and status, and where
// its body starts. Holds no copy of anything, and is small, so that the
// cursors of thousands of tracks stay in the processor's cache.
#pragma once

#include <cstdint>

#include "reshaper/event_bytes.h"

namespace reshaper {

struct TrackCursor {
  TrackCursor(const uint8_t* events, const uint8_t* eventsEnd) : at(events), end(eventsEnd) {}

  // Reads the next event's delta time and status and stops at its body;
  // false when the track has no events left. The track's events were
  // checked once already, so none of them fails here.
  bool advance() {
    uint32_t delta = 0;
    if (at == end || !readEventHead(at, end, delta, status)) return false;
    time += delta;
    return true;
  }

  // Reads the current event's body and moves behind it.
  EventBody takeBody() {
    EventBody body;
    readEventBody(at, end, status, body);
    return body;
  }

  const uint8_t* at;   // the current event's body, or the next event after takeBody
  const uint8_t* end;  // behind the track's last event
  uint64_t time = 0;   // the current event's absolute time in ticks
  uint8_t status = 0;  // the current event's status
};

}  // namespace reshaper
