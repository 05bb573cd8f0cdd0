// Byte builders shared by the benchmarks that generate MIDI files.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

inline void AppendVlq(std::string& out, uint32_t value) {
  char groups[5];
  int count = 0;
  groups[count++] = static_cast<char>(value & 0x7F);
  while ((value >>= 7) > 0) groups[count++] = static_cast<char>((value & 0x7F) | 0x80);
  while (count > 0) out.push_back(groups[--count]);
}

inline std::string Chunk(const char* id, const std::string& content) {
  std::string out(id, 4);
  uint32_t n = static_cast<uint32_t>(content.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((n >> shift) & 0xFF));
  return out + content;
}

}  // namespace bench
