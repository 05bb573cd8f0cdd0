// One source track of the merge, read straight from the file's bytes one
// event at a time. Holds no copy of anything and takes at most 32 bytes, so
// that the cursors of thousands of tracks stay in the processor's cache.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace reshaper {

struct TrackCursor {
  TrackCursor(const uint8_t* events, const uint8_t* eventsEnd) : at(events), end(eventsEnd) {}

  // Before the merge, the track's first event; during it, the current event
  // behind its delta time (its status byte, or the data byte that repeats
  // the previous status).
  const uint8_t* at;
  const uint8_t* end;     // behind the track's last event
  uint64_t time = 0;      // the current event's absolute time in ticks
  uint32_t status = 0;    // the status of the event before the current one
};

// Eight bytes from at, lowest address in the lowest byte, whatever the
// processor's byte order.
inline uint64_t loadLittleEndian64(const uint8_t* at) {
  uint64_t value = 0;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((value >> (8 * i)) & 0xFF) << (8 * (7 - i));
    value = swapped;
  }
  return value;
}

// A delta time of at most two bytes from the low bytes of bytes, which hold
// the stored bytes in file order; length receives how many it takes. The
// caller makes sure that the first two bytes do not both carry bit 7.
inline uint32_t shortQuantity(uint32_t bytes, uint32_t& length) {
  uint32_t two = (bytes >> 7) & 1;  // the first byte carries bit 7: a second one follows
  length = 1 + two;
  // Chosen by arithmetic rather than a branch: how many bytes a delta takes
  // cannot be foreseen.
  return ((bytes & 0x7F) << (7 * two)) | ((bytes >> 8) & 0xFF & (0u - two));
}

}  // namespace reshaper
