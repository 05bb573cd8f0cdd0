// Variable-length quantities as a MIDI file stores delta times and block
// lengths: 7 bits per byte, most significant group first, bit 7 set on every
// byte but the last, at most four bytes.
#pragma once

#include <cstdint>

#include "reshaper/midi_stream.h"

namespace reshaper {

// The largest value four bytes can hold.
constexpr uint32_t kMaxQuantity = 0x0FFFFFFF;

// Reads a quantity of at most four bytes (the fourth ends it whatever its
// bit 7). count receives the bytes consumed. False when the stream ends
// inside the quantity; value is then 0.
bool readQuantity(MidiStream& stream, uint32_t& value, uint32_t& count);
// Writes the low 28 bits of value; 0 is the single byte 00.
void writeQuantity(MidiStream& stream, uint32_t value);
// Bytes writeQuantity uses for value: 1 to 4, or 0 above kMaxQuantity.
uint32_t quantitySize(uint32_t value);

}  // namespace reshaper
