// MIDI2SMAF as a ringtone tool calls it: in-process, one call per file, over
// a few thousand small generated songs of 3 to 5 KB, each converted from its
// file on disk to a SMAF file beside it (the export's whole path: existence
// test, read, load, conversion, atomic write).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_midi.h"
#include "chimekit.h"

namespace {

using bench::AppendVlq;

void AppendBytes(std::string& out, std::initializer_list<int> bytes) {
  for (int byte : bytes) out.push_back(static_cast<char>(byte));
}

void AppendMeta(std::string& out, int type, const std::string& data) {
  AppendBytes(out, {0x00, 0xFF, type});
  AppendVlq(out, static_cast<uint32_t>(data.size()));
  out += data;
}

// A format 0 ringtone: title, copyright, tempo, programs and volumes on four
// channels, then notes (melody, bass, chords, drums) until the track holds
// about `size` bytes.
std::string Ringtone(uint32_t seed, size_t size) {
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

  return bench::Chunk("MThd", std::string("\0\0\0\1\0\x60", 6)) + bench::Chunk("MTrk", track);
}

// The songs on disk, removed with their folder at the end of the run.
class SongFolder {
 public:
  explicit SongFolder(int count) {
    root_ = std::filesystem::temp_directory_path() /
            ("chimekit_smaf_bench_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(root_ / "in");
    std::mt19937 random(7);
    for (int i = 0; i < count; ++i) {
      std::string in = (root_ / "in" / ("song" + std::to_string(i) + ".mid")).string();
      std::ofstream(in, std::ios::binary) << Ringtone(static_cast<uint32_t>(i), 3000 + random() % 2000);
      inputs_.push_back(in);
    }
  }
  ~SongFolder() { std::filesystem::remove_all(root_); }
  SongFolder(const SongFolder&) = delete;
  SongFolder& operator=(const SongFolder&) = delete;

  size_t Count() const { return inputs_.size(); }
  const std::string& Input(size_t i) const { return inputs_[i]; }
  // The output paths of one pass over the songs in the named folder, or
  // in a new one.
  std::vector<std::string> Outputs(std::string folder = {}) const {
    if (folder.empty()) folder = "pass" + std::to_string(passes_++);
    std::filesystem::create_directories(root_ / folder);
    std::vector<std::string> outputs;
    for (size_t i = 0; i < inputs_.size(); ++i) {
      outputs.push_back((root_ / folder / ("song" + std::to_string(i) + ".mmf")).string());
    }
    return outputs;
  }

 private:
  std::filesystem::path root_;
  std::vector<std::string> inputs_;
  mutable int passes_ = 0;
};

void Convert(benchmark::State& state, const std::string& in, const std::string& out) {
  if (MIDI2SMAF(in.c_str(), out.c_str()) != 0) state.SkipWithError("MIDI2SMAF failed");
}

// The songs of every case, made once for the run.
const SongFolder& Songs() {
  static const SongFolder songs(3000);
  return songs;
}

void CountFiles(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

// Every call writes a new file: a folder of songs converted into a fresh
// folder, pass after pass.
void BM_Midi2SmafNewOutputs(benchmark::State& state) {
  const SongFolder& songs = Songs();
  std::vector<std::string> outputs;
  size_t next = 0;
  for (auto _ : state) {
    if (next == 0) {
      state.PauseTiming();
      outputs = songs.Outputs();
      state.ResumeTiming();
    }
    Convert(state, songs.Input(next), outputs[next]);
    next = next + 1 == songs.Count() ? 0 : next + 1;
  }
  CountFiles(state);
}

// Every call replaces the output an earlier pass wrote.
void BM_Midi2SmafReplacingOutputs(benchmark::State& state) {
  const SongFolder& songs = Songs();
  const std::vector<std::string> outputs = songs.Outputs("out");
  for (size_t i = 0; i < songs.Count(); ++i) Convert(state, songs.Input(i), outputs[i]);
  size_t next = 0;
  for (auto _ : state) {
    Convert(state, songs.Input(next), outputs[next]);
    next = next + 1 == songs.Count() ? 0 : next + 1;
  }
  CountFiles(state);
}

}  // namespace

BENCHMARK(BM_Midi2SmafNewOutputs)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Midi2SmafReplacingOutputs)->UseRealTime()->Unit(benchmark::kMicrosecond);
