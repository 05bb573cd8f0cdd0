// ConvertMidi on generated format 1 files: few long tracks, and many short
// ones (where the choice of the next track dominates).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "reshaper/convert_midi.h"

namespace {

void appendBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// tracks tracks of notes events each: note-ons and note-offs in running
// status, a few ticks apart, ending with End of Track.
std::string generateSong(uint32_t tracks, uint32_t notes) {
  std::string file = "MThd";
  appendBigEndian(file, 6, 4);
  appendBigEndian(file, 1, 2);
  appendBigEndian(file, tracks, 2);
  appendBigEndian(file, 480, 2);
  for (uint32_t t = 0; t < tracks; ++t) {
    std::string body;
    body += {0x00, static_cast<char>(0x90 | (t & 0x0F))};
    body += {0x3C, 0x40};
    for (uint32_t i = 1; i < notes; ++i) {
      body.push_back(static_cast<char>(1 + (i + t) % 100));
      body.push_back(static_cast<char>(0x30 + i % 24));
      body.push_back(static_cast<char>(i % 2 == 0 ? 0x40 : 0x00));
    }
    body += {0x00, static_cast<char>(0xFF), 0x2F, 0x00};
    file += "MTrk";
    appendBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file += body;
  }
  return file;
}

void convertGenerated(benchmark::State& state) {
  auto tracks = static_cast<uint32_t>(state.range(0));
  auto notes = static_cast<uint32_t>(state.range(1));
  auto folder = std::filesystem::temp_directory_path();
  std::string input = (folder / ("reshaper-bench-in-" + std::to_string(tracks) + ".mid")).string();
  std::string output = (folder / ("reshaper-bench-out-" + std::to_string(tracks) + ".mid")).string();
  std::string song = generateSong(tracks, notes);
  std::ofstream(input, std::ios::binary).write(song.data(), static_cast<std::streamsize>(song.size()));
  for (auto _ : state) {
    int32_t status = reshaper::convertMidi(input.c_str(), output.c_str());
    if (status != reshaper::kConverted) state.SkipWithError("conversion failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(song.size()));
  state.counters["events"] = static_cast<double>(tracks) * notes;
  std::filesystem::remove(input);
  std::filesystem::remove(output);
}

}  // namespace

BENCHMARK(convertGenerated)
    ->Args({16, 20000})
    ->Args({16, 80000})
    ->Args({1024, 300})
    ->Args({8192, 40})
    ->Unit(benchmark::kMillisecond);
