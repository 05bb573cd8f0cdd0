// Byte-level building blocks of the SMAF ("MMMD") ringtone format, shared by
// the converter and the inspector.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"

namespace chimekit::smaf {

// Largest value a SMAF length number can hold (two bytes, FF 7F).
inline constexpr uint32_t kMaxLengthNumber = 16511;

// Appends the SMAF length number of n, cut to 16511: one byte up to 127,
// else 0x80 | ((n - 128) >> 7) and (n - 128) & 0x7F.
void PutLength(midifile::ByteString& out, int64_t n);

// Reads a length number at `position`, advancing it. False when the bytes
// run out.
bool ReadLength(midifile::ByteView bytes, size_t& position, uint32_t& value);

// Adds delta to the big-endian 32-bit size at bytes 4-7 of a chunk under
// construction.
void PatchChunkSize(midifile::ByteString& chunk, uint32_t delta);

// CRC-16/GENIBUS (polynomial 0x1021, initial 0xFFFF, not reflected, result
// complemented); "123456789" gives 0xD64E.
uint16_t SmafCrc16(midifile::ByteView bytes);

// Big-endian 32-bit value at an offset (the caller checks the bounds).
uint32_t ReadBigEndian32(midifile::ByteView bytes, size_t at);

}  // namespace chimekit::smaf
