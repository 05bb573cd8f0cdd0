// The Reshaper conversion on generated format 1 files: few long tracks and
// many short ones. Measured in memory (reading, merging, writing, freeing;
// no disk) and as the whole ConvertMidi from file to file. Items are events,
// so items_per_second compares the cost per event across the shapes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "reshaper/convert_midi.h"

namespace {

void appendBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// tracks tracks of events events each: note-ons and note-offs in running
// status a few ticks apart, then End of Track.
std::string generateSong(uint32_t tracks, uint32_t events) {
  std::string file = "MThd";
  appendBigEndian(file, 6, 4);
  appendBigEndian(file, 1, 2);
  appendBigEndian(file, tracks, 2);
  appendBigEndian(file, 480, 2);
  for (uint32_t t = 0; t < tracks; ++t) {
    std::string body;
    body += {0x00, static_cast<char>(0x90 | (t & 0x0F))};
    body += {0x3C, 0x40};
    for (uint32_t i = 1; i < events; ++i) {
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

void setCounters(benchmark::State& state, uint64_t events, uint64_t bytes) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["events"] = static_cast<double>(events);
}

void convertInMemory(benchmark::State& state) {
  auto tracks = static_cast<uint32_t>(state.range(0));
  auto events = static_cast<uint32_t>(state.range(1));
  std::string song = generateSong(tracks, events);
  std::span<const uint8_t> input(reinterpret_cast<const uint8_t*>(song.data()), song.size());
  std::vector<uint8_t> output;
  for (auto _ : state) {
    reshaper::ConversionResult result = reshaper::convertBytes(input, output);
    if (result.status != reshaper::kConverted) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(output.data());
  }
  setCounters(state, uint64_t{tracks} * events, song.size());
}

void convertFiles(benchmark::State& state) {
  auto tracks = static_cast<uint32_t>(state.range(0));
  auto events = static_cast<uint32_t>(state.range(1));
  std::random_device seed;
  auto folder = std::filesystem::temp_directory_path() / ("reshaper-bench-" + std::to_string(seed()));
  std::filesystem::create_directories(folder);
  std::string input = (folder / "in.mid").string();
  std::string output = (folder / "out.mid").string();
  std::string song = generateSong(tracks, events);
  std::ofstream(input, std::ios::binary).write(song.data(), static_cast<std::streamsize>(song.size()));
  for (auto _ : state) {
    if (reshaper::convertMidi(input.c_str(), output.c_str()) != reshaper::kConverted) {
      state.SkipWithError("conversion failed");
    }
  }
  setCounters(state, uint64_t{tracks} * events, song.size());
  std::filesystem::remove_all(folder);
}

}  // namespace

// 100 tracks with a million events in all, 5,000 tracks of 20 events, and
// for comparison 16 long tracks and 8,192 tracks of 40 events.
BENCHMARK(convertInMemory)
    ->Args({100, 10000})
    ->Args({5000, 20})
    ->Args({16, 62500})
    ->Args({8192, 40})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(convertFiles)->Args({100, 10000})->Args({5000, 20})->Unit(benchmark::kMillisecond);
