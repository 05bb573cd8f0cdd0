// Byte strings: the data of meta and system-exclusive events and every
// output under construction. std::string holds any byte, zero included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace midifile {

using ByteString = std::string;
using ByteView = std::string_view;

inline uint8_t ByteAt(ByteView bytes, size_t index) { return static_cast<uint8_t>(bytes[index]); }

inline void AppendByte(ByteString& out, uint32_t value) { out.push_back(static_cast<char>(value & 0xFF)); }

// The unsigned value of `count` bytes (1 to 4) from `at`, the first the
// highest; the caller checks the bounds.
inline uint32_t BigEndian(ByteView bytes, size_t at, size_t count = 4) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << 8) | ByteAt(bytes, at + i);
  return value;
}

// Writes a value into the four bytes from `at`, the highest first.
inline void PutBigEndian32(ByteString& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

// The upper-case hexadecimal digit of a value's low four bits.
inline char HexDigit(uint32_t value) { return "0123456789ABCDEF"[value & 0x0F]; }

// Two upper-case hexadecimal digits of a byte.
inline void AppendHex(std::string& out, uint8_t byte) {
  out.push_back(HexDigit(byte >> 4));
  out.push_back(HexDigit(byte));
}

}  // namespace midifile
