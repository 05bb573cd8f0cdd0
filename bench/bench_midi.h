// Byte builders shared by the benchmarks that generate MIDI files.
#pragma once

#include <algorithm>
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

// A large format 1 arrangement shaped as bench/make_bench_midi.py writes one
// (the same kinds of events in the same proportions, from another random
// source): a tempo track, then tracks of notes on one channel each in
// running status, with controllers, pitch bends, text events and an
// occasional system-exclusive message, each track ended by End of Track.
// About `events` events in `tracks` tracks.
inline std::string Arrangement(uint32_t events, uint32_t tracks, uint32_t seed = 7) {
  std::mt19937 random(seed);
  auto below = [&](uint32_t bound) { return static_cast<int>(random() % bound); };
  std::string file;
  uint32_t tempoEvents = std::min<uint32_t>(std::max<uint32_t>(events / tracks, 4), 2000);
  std::string tempo;
  AppendBytes(tempo, {0x00, 0xFF, 0x03, 0x05});
  tempo += "Tempo";
  for (uint32_t i = 0; i + 2 < tempoEvents; ++i) {
    uint32_t value = 400000 + (i % 7) * 25000;
    AppendVlq(tempo, i == 0 ? 0 : 480);
    AppendBytes(tempo, {0xFF, 0x51, 0x03, static_cast<int>(value >> 16), static_cast<int>((value >> 8) & 0xFF),
                        static_cast<int>(value & 0xFF)});
  }
  AppendBytes(tempo, {0x00, 0xFF, 0x2F, 0x00});
  file += Chunk("MTrk", tempo);

  uint32_t perTrack = std::max<uint32_t>((events - tempoEvents) / std::max<uint32_t>(tracks - 1, 1), 4);
  static constexpr uint32_t kDeltas[] = {0, 30, 60, 120, 240, 480, 960};
  static constexpr int kLengths[] = {60, 120, 240, 480};
  static constexpr int kControllers[] = {1, 7, 10, 64};
  for (uint32_t number = 1; number < tracks; ++number) {
    int channel = static_cast<int>(number % 16);
    std::string track;
    std::string name = "Part " + std::to_string(number);
    AppendMeta(track, 0x03, name);
    AppendBytes(track, {0x00, 0xC0 | channel, below(128)});
    int running = -1;
    for (uint32_t written = 2; written + 2 <= perTrack - 1;) {
      auto roll = static_cast<uint32_t>(random() % 10000);
      AppendVlq(track, kDeltas[below(7)]);
      if (roll < 150) {
        AppendBytes(track, {0xB0 | channel, kControllers[below(4)], below(128)});
        running = 0xB0 | channel;
        written += 1;
      } else if (roll < 200) {
        AppendBytes(track, {0xE0 | channel, 0, below(128)});
        running = 0xE0 | channel;
        written += 1;
      } else if (roll < 210) {
        AppendBytes(track, {0xFF, 0x01, 0x04, 'c', 'u', 'e', '!'});
        running = -1;
        written += 1;
      } else if (roll < 215) {
        AppendBytes(track, {0xF0, 13, 0x7E, 0x7F, 0x09, 0x01});
        for (int i = 0; i < 8; ++i) track.push_back(static_cast<char>(below(128)));
        track.push_back(static_cast<char>(0xF7));
        running = -1;
        written += 1;
      } else {
        int key = 36 + below(60);
        int on = 0x90 | channel;
        if (running != on) track.push_back(static_cast<char>(on));
        AppendBytes(track, {key, 40 + below(80)});
        AppendVlq(track, static_cast<uint32_t>(kLengths[below(4)]));
        if (below(2) == 0) {
          AppendBytes(track, {key, 0});  // a note-on of velocity 0 ends the note in running status
          running = on;
        } else {
          AppendBytes(track, {0x80 | channel, key, 64});
          running = 0x80 | channel;
        }
        written += 2;
      }
    }
    AppendBytes(track, {0x00, 0xFF, 0x2F, 0x00});
    file += Chunk("MTrk", track);
  }
  std::string header;
  AppendBytes(header, {0, 1, static_cast<int>(tracks >> 8), static_cast<int>(tracks & 0xFF), 0x01, 0xE0});
  return Chunk("MThd", header) + file;
}

}  // namespace bench
