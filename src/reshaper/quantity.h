// Variable-length quantities as a MIDI file stores delta times and block
// lengths: 7 bits per byte, most significant group first, bit 7 set on every
// byte but the last, at most four bytes.
#pragma once

#include <cstdint>

#include "reshaper/midi_stream.h"

namespace reshaper {

// The largest value four bytes can hold.
constexpr uint32_t kMaxQuantity = 0x0FFFFFFF;

// Bytes writeQuantity uses for value: 1 to 4, or 0 above kMaxQuantity.
inline uint32_t quantitySize(uint32_t value) {
  if (value < (1u << 7)) return 1;
  if (value < (1u << 14)) return 2;
  if (value < (1u << 21)) return 3;
  if (value <= kMaxQuantity) return 4;
  return 0;
}

// Reads a quantity of at most four bytes (the fourth ends it whatever its
// bit 7) from at, which moves behind it. False when the bytes end (at end)
// inside the quantity.
inline bool readQuantity(const uint8_t*& at, const uint8_t* end, uint32_t& value) {
  uint32_t result = 0;
  for (int count = 0; count < 4; ++count) {
    if (at == end) return false;
    uint8_t byte = *at++;
    result = (result << 7) | (byte & 0x7Fu);
    if (byte < 0x80) break;
  }
  value = result;
  return true;
}

// Writes the low 28 bits of value at out (0 is the single byte 00) and
// returns the position behind them.
inline uint8_t* writeQuantity(uint8_t* out, uint32_t value) {
  if (value < 0x80) {
    *out = static_cast<uint8_t>(value);
    return out + 1;
  }
  uint32_t size = quantitySize(value & kMaxQuantity);
  for (uint32_t i = size; i-- > 0;) {
    out[i] = static_cast<uint8_t>((value & 0x7Fu) | (i + 1 < size ? 0x80u : 0u));
    value >>= 7;
  }
  return out + size;
}

// The same on a stream. readQuantity's count receives the bytes consumed;
// it fails when the stream ends inside the quantity, and value is then 0.
bool readQuantity(MidiStream& stream, uint32_t& value, uint32_t& count);
void writeQuantity(MidiStream& stream, uint32_t value);

}  // namespace reshaper
