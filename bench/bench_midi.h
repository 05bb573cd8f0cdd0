// Byte builders shared by the benchmarks that generate MIDI files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

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

inline void AppendBytes(std::string& out, std::initializer_list<int> bytes) {
  for (int byte : bytes) out.push_back(static_cast<char>(byte));
}

inline void AppendMeta(std::string& out, int type, const std::string& data) {
  AppendBytes(out, {0x00, 0xFF, type});
  AppendVlq(out, static_cast<uint32_t>(data.size()));
  out += data;
}

// A format 0 ringtone: title, copyright, tempo, programs and volumes on four
// channels, then notes (melody, bass, chords, drums) until the track holds
// about `size` bytes.
inline std::string Ringtone(uint32_t seed, size_t size) {
  std::mt19937 random(seed);
  std::string track;
  AppendMeta(track, 0x03, "Ringtone " + std::to_string(seed));
  AppendMeta(track, 0x02, "(c) chimekit bench");
  AppendMeta(track, 0x51, std::string("\x07\xA1\x20", 3));
  for (int channel : {0, 1, 2, 9}) {
    AppendBytes(track, {0x00, 0xC0 | channel, static_cast<int>(random() % 128)});
    AppendBytes(track, {0x00, 0xB0 | channel, 7, 90 + static_cast<int>(random() % 30)});
  }
  while (track.size() + 4 < size) {
    static constexpr int kChannels[] = {0, 1, 2, 9};
    int channel = kChannels[random() % 4];
    int key = 36 + static_cast<int>(random() % 48);
    AppendVlq(track, static_cast<uint32_t>(random() % 3) * 24);
    AppendBytes(track, {0x90 | channel, key, 64 + static_cast<int>(random() % 64)});
    AppendVlq(track, 12 + static_cast<uint32_t>(random() % 4) * 12);
    AppendBytes(track, {0x80 | channel, key, 64});
  }
  AppendBytes(track, {0x00, 0xFF, 0x2F, 0x00});

  return Chunk("MThd", std::string("\0\0\0\1\0\x60", 6)) + Chunk("MTrk", track);
}

// The ringtones a ringtone tool converts: `count` songs of 3 to 5 KB (about
// 1,000 events each), always the same ones.
inline std::vector<std::string> Ringtones(int count) {
  std::mt19937 random(7);
  std::vector<std::string> songs;
  for (int i = 0; i < count; ++i) songs.push_back(Ringtone(static_cast<uint32_t>(i), 3000 + random() % 2000));
  return songs;
}

}  // namespace bench
