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

// The songs on disk, removed with their folder at the end of the run.
class SongFolder {
 public:
  explicit SongFolder(int count) {
    root_ = std::filesystem::temp_directory_path() /
            ("chimekit_smaf_bench_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(root_ / "in");
    const std::vector<std::string> songs = bench::Ringtones(count);
    for (size_t i = 0; i < songs.size(); ++i) {
      std::string in = (root_ / "in" / ("song" + std::to_string(i) + ".mid")).string();
      std::ofstream(in, std::ios::binary) << songs[i];
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
