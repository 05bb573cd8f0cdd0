// The two steps of a Reshaper conversion on their own, in memory, on the
// arrangement of bench_midi.h (1,000,000 events in 100 and in 5,000 tracks,
// shaped as bench/make_bench_midi.py writes them): the read that finds the
// tracks (readSource), and the merge that writes the format 0 file
// (mergeTracks) into an output buffer sized and touched beforehand. The
// counter ns_per_event is the time per event of the input.
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
};

// The arrangement and its event count, as the conversion counts them.
Song MakeSong(uint32_t events, uint32_t tracks) {
  Song song{bench::Arrangement(events, tracks)};
  reshaper::MidiStream input;
  input.openBytes({reinterpret_cast<const uint8_t*>(song.bytes.data()), song.bytes.size()});
  reshaper::SourceSong source = reshaper::readSource(input);
  std::vector<uint8_t> out(reshaper::mergedFileBound(source));
  song.events = reshaper::mergeTracks(source, out.data()).events + source.trackCount - 1;
  return song;
}

void SetCounters(benchmark::State& state, const Song& song) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * song.events));
  state.counters["events"] = static_cast<double>(song.events);
  state.counters["ns_per_event"] = benchmark::Counter(static_cast<double>(song.events) * 1e-9,
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

void ReadSource(benchmark::State& state) {
  Song song = MakeSong(1000000, static_cast<uint32_t>(state.range(0)));
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(song.bytes.data()), song.bytes.size());
  for (auto _ : state) {
    reshaper::MidiStream input;
    input.openBytes(bytes);
    reshaper::SourceSong source = reshaper::readSource(input);
    benchmark::DoNotOptimize(source.tracks.data());
  }
  SetCounters(state, song);
}

void MergeTracks(benchmark::State& state) {
  Song song = MakeSong(1000000, static_cast<uint32_t>(state.range(0)));
  reshaper::MidiStream input;
  input.openBytes({reinterpret_cast<const uint8_t*>(song.bytes.data()), song.bytes.size()});
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
BENCHMARK(MergeTracks)->Arg(100)->Arg(5000)->Unit(benchmark::kMillisecond);
