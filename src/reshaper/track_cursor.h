// One source track during the merge, read straight from the file's bytes one
// event at a time. Holds no copy of anything and takes 32 bytes, so that the
// cursors of thousands of tracks stay in the processor's cache.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

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

// The bytes of value in the other order.
inline uint64_t swappedBytes(uint64_t value) {
  uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i) swapped |= ((value >> (8 * i)) & 0xFF) << (8 * (7 - i));
  return swapped;
}

// Eight bytes from at, lowest address in the lowest byte, whatever the
// processor's byte order; and the same the other way.
inline uint64_t loadLittleEndian64(const uint8_t* at) {
  uint64_t value = 0;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = swappedBytes(value);
  return value;
}

inline void storeLittleEndian64(uint8_t* at, uint64_t value) {
  if constexpr (std::endian::native == std::endian::big) value = swappedBytes(value);
  std::memcpy(at, &value, sizeof value);
}

// A delta time of at most two bytes from the low bytes of bytes, which hold
// the stored bytes in file order; length receives how many it takes. The
// caller makes sure that the first two bytes do not both carry bit 7.
inline uint32_t shortQuantity(uint64_t bytes, uint32_t& length) {
  auto two = static_cast<uint32_t>(bytes >> 7) & 1;  // the first byte carries bit 7: a second one follows
  length = 1 + two;
  // Chosen by arithmetic rather than a branch: how many bytes a delta takes
  // cannot be foreseen.
  auto low = static_cast<uint32_t>(bytes);
  return ((low & 0x7F) << (7 * two)) | ((low >> 8) & 0xFF & (0u - two));
}

}  // namespace reshaper
