#include "test_songs.h"

#include <array>

#include "support/smf_builder.h"

namespace hardening {

using test_support::Smf;
using test_support::Track;

std::string TestSong(int variant) {
  Track conductor;
  conductor.Meta(0, 0x03, "Song " + std::to_string(variant)).Meta(0, 0x02, "(c) tests").Tempo(0, 400000 + variant);
  Track melody;
  melody.Program(0, 0, variant % 128).Control(0, 0, 7, 90).Control(0, 0, 10, 40);
  for (int i = 0; i < 24; ++i) {
    const int key = 48 + (i * 5 + variant * 3) % 36;
    melody.NoteOn(i == 0 ? 0 : 12, i % 3, key, 80 + i).NoteOff(36, i % 3, key);
  }
  Track drums;
  for (int i = 0; i < 8; ++i) drums.NoteOn(i == 0 ? 0 : 24, 9, 36 + (i + variant) % 12, 100).NoteOff(24, 9, 36);
  return Smf(1, 96 + variant, {conductor.EndOfTrack(), melody.EndOfTrack(), drums.EndOfTrack()});
}

ExportArguments ValidArguments() {
  static const auto kKeep = [] {
    std::array<uint8_t, 256> table{};
    table.fill(0xFF);
    return table;
  }();
  static const auto kMap = [] {
    std::array<uint8_t, 256> table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>((i + 7) % 128);
    return table;
  }();
  ExportArguments arguments;
  const uint32_t numbers[9] = {0, 100, 1, 40, 50, 60, 70, 80, 90};
  std::copy(std::begin(numbers), std::end(numbers), arguments.numbers);
  arguments.order = "fedcba";
  arguments.keep = kKeep.data();
  arguments.map = kMap.data();
  return arguments;
}

}  // namespace hardening
