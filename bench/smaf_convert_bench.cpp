// MIDI2SMAF's own work on the songs of export_smaf_bench, in memory: the
// load of a song's bytes, and the load followed by the conversion, one song
// after another (the file system left out). `items_per_second` counts
// songs; the conversion alone is the difference of the two.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_midi.h"
#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"

namespace {

const std::vector<std::string>& Songs() {
  static const std::vector<std::string> songs = bench::Ringtones(3000);
  return songs;
}

template <class Work>
void OverSongs(benchmark::State& state, Work work) {
  const std::vector<std::string>& songs = Songs();
  size_t next = 0;
  for (auto _ : state) {
    work(songs[next]);
    next = next + 1 == songs.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_LoadRingtone(benchmark::State& state) {
  OverSongs(state, [](const std::string& song) {
    midifile::TMidiFile file;
    file.ReadBytes(song);
    benchmark::DoNotOptimize(file.NumberOfTracks());
  });
}

void BM_LoadAndConvertRingtone(benchmark::State& state) {
  OverSongs(state, [](const std::string& song) {
    midifile::TMidiFile file;
    file.ReadBytes(song);
    benchmark::DoNotOptimize(chimekit::smaf::ConvertToSmaf(file).bytes.size());
  });
}

}  // namespace

BENCHMARK(BM_LoadRingtone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAndConvertRingtone)->Unit(benchmark::kMicrosecond);
