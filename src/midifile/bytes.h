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

}  // namespace midifile
