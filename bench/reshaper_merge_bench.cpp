// The steps of a Reshaper conversion on their own, in memory, on the
// arrangement of bench_midi.h (1,000,000 events in 100 and in 5,000 tracks,
// shaped as bench/make_bench_midi.py writes them): the read that finds the
// tracks from their chunk lengths (readSource), the scan that finds them by
// reading every event instead (scanTracks, which a damaged file needs), and
// the merge that writes the format 0 file (mergeTracks) into an output
// buffer sized and touched beforehand. The merge is also timed on the same
// events in 2 to 32 tracks: up to 12 tracks it finds the next event by a
// look at every track, beyond by the tick wheel. time_per_event is the time
// per event of the input.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bench_midi.h"
#include "reshaper/merge_tracks.h"
#include "reshaper/midi_stream.h"
#include "reshaper/source_song.h"

namespace {

struct Song {
  std::string bytes;
  uint64_t events = 0;

  std::span<const uint8_t> span() const { return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}; }
};

Song MakeSong(uint32_t tracks) {
  Song song{bench::Arrangement(1000000, tracks)};
  reshaper::MidiStream input;
  input.openBytes(song.span());
  reshaper::SourceSong source = reshaper::readSource(input);
  std::vector<uint8_t> out(reshaper::mergedFileBound(source));
  // Every track ends with an End of Track, which the merge writes once.
  song.events = reshaper::mergeTracks(source, out.data()).events + source.trackCount - 1;
  return song;
}

void SetCounters(benchmark::State& state, const Song& song) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * song.events));
  state.counters["events"] = static_cast<double>(song.events);
  state.counters["time_per_event"] = benchmark::Counter(
      static_cast<double>(song.events), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ReadSource(benchmark::State& state) {
  Song song = MakeSong(static_cast<uint32_t>(state.range(0)));
  for (auto _ : state) {
    reshaper::MidiStream input;
    input.openBytes(song.span());
    reshaper::SourceSong source = reshaper::readSource(input);
    benchmark::DoNotOptimize(source.tracks.data());
  }
  SetCounters(state, song);
}

void ScanTracks(benchmark::State& state) {
  Song song = MakeSong(static_cast<uint32_t>(state.range(0)));
  reshaper::MidiStream input;
  input.openBytes(song.span());
  reshaper::SourceSong source = reshaper::readSource(input);
  for (auto _ : state) {
    reshaper::scanTracks(source);
    benchmark::DoNotOptimize(source.tracks.data());
  }
  SetCounters(state, song);
}

void MergeTracks(benchmark::State& state) {
  Song song = MakeSong(static_cast<uint32_t>(state.range(0)));
  reshaper::MidiStream input;
  input.openBytes(song.span());
  const reshaper::SourceSong read = reshaper::readSource(input);
  std::vector<uint8_t> out(reshaper::mergedFileBound(read), 0);
  reshaper::SourceSong source = read;
  for (auto _ : state) {
    source.tracks = read.tracks;  // the cursors back at their tracks' starts; the same size, no allocation
    benchmark::DoNotOptimize(reshaper::mergeTracks(source, out.data()).size);
  }
  SetCounters(state, song);
}

}  // namespace

BENCHMARK(ReadSource)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanTracks)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(MergeTracks)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(12)
    ->Arg(16)
    ->Arg(32)
    ->Arg(100)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);
