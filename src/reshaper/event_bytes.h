// The bytes of one event as a track stores them, read in place: the delta
// time, the status (or a data byte that repeats the previous one), and the
// body: a channel message's data bytes, a meta event's type and data block,
// a system-exclusive block. Nothing is copied.
#pragma once

#include <cstdint>

#include "reshaper/quantity.h"

namespace reshaper {

constexpr uint8_t kMetaStatus = 0xFF;
constexpr uint8_t kEndOfTrackType = 0x2F;

// Data bytes that follow a status: 2, except 1 for program change (Cx) and
// channel pressure (Dx), and 0 for system statuses.
inline uint32_t dataCountOf(uint8_t status) {
  static constexpr uint8_t kCounts[8] = {2, 2, 2, 2, 1, 1, 2, 0};
  return kCounts[(status >> 4) & 0x07];
}

// Where an event's body lies: the fixed bytes behind the status (a channel
// message's data bytes, a meta event's type byte), then, for meta and
// system-exclusive events, a data block behind its length.
struct EventBody {
  const uint8_t* fixed = nullptr;
  const uint8_t* block = nullptr;
  uint32_t blockLength = 0;
  uint8_t fixedCount = 0;
  bool hasBlock = false;

  bool isEndOfTrack(uint8_t status) const { return status == kMetaStatus && fixed[0] == kEndOfTrackType; }
  // Bytes the body takes when written, its block length in the fewest bytes.
  uint32_t writtenSize() const { return fixedCount + (hasBlock ? quantitySize(blockLength) + blockLength : 0); }
};

// Reads an event's delta time and status from at, which moves to the body.
// status holds the previous event's status: a data byte where a status
// belongs repeats it, whatever its kind, and is left to the body. False
// when the bytes end inside the delta time or before the status, or when a
// data byte stands where there is no status to repeat (status 0).
inline bool readEventHead(const uint8_t*& at, const uint8_t* end, uint32_t& delta, uint8_t& status) {
  if (!readQuantity(at, end, delta) || at == end) return false;
  if (*at >= 0x80) {
    status = *at++;
  } else if (status == 0) {
    return false;
  }
  return true;
}

// Reads the body of an event of the given status from at, which moves
// behind it. Statuses F0 to FE carry a block, FF a type byte and a block.
// False when the body runs past end; a stored block length is checked
// against the bytes there before anything else.
inline bool readEventBody(const uint8_t*& at, const uint8_t* end, uint8_t status, EventBody& body) {
  body.fixed = at;
  body.fixedCount = static_cast<uint8_t>(status == kMetaStatus ? 1 : dataCountOf(status));
  body.hasBlock = status >= 0xF0;
  if (static_cast<size_t>(end - at) < body.fixedCount) return false;
  at += body.fixedCount;
  if (!body.hasBlock) return true;
  if (!readQuantity(at, end, body.blockLength) || body.blockLength > static_cast<size_t>(end - at)) return false;
  body.block = at;
  at += body.blockLength;
  return true;
}

}  // namespace reshaper
