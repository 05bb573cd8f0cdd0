// MIDI2SP's work on large generated files: the renumbering and note limit
// as a rewrite of a loaded input, on chords that the limit thins out and on
// note-ons that are never released, all at one tick (the most a note-on
// counts: up to 128 held notes), and the whole call from file to file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_midi.h"
#include "chimekit/frame/frame.h"
#include "chimekit/sp/sp_convert.h"
#include "midifile/file_io.h"

namespace {

// A format 1 file of `events` events in 8 tracks, 480 ticks per quarter:
// four-note chords on the track's channel released a beat later, with a
// control change and a system-exclusive event between chords; or, with
// `released` false, note-ons only, over all 128 keys and all at tick 0.
std::string Song(int64_t events, bool released) {
  constexpr int kTracks = 8;
  std::string file = bench::Chunk("MThd", std::string("\0\1\0\x08\x01\xE0", 6));
  for (int t = 0; t < kTracks; ++t) {
    std::string track;
    const char channel = static_cast<char>(t);
    for (int64_t i = 0; i < events / kTracks; ++i) {
      const int64_t step = i % 10;  // 4 note-ons, 4 note-offs, a control, a system exclusive
      bench::AppendVlq(track, released && (step == 0 || step == 4) ? 480 : 0);
      const char key = static_cast<char>(released ? 48 + (i / 10) % 24 + 3 * (step % 4) : i % 128);
      if (!released || step < 4) {
        track += std::string{static_cast<char>(0x90 | channel), key, 100};
      } else if (step < 8) {
        track += std::string{static_cast<char>(0x80 | channel), key, 0};
      } else if (step == 8) {
        track += std::string{static_cast<char>(0xB0 | channel), 7, 100};
      } else {
        track += std::string("\xF0\x03\x7E\x7F\xF7", 5);
      }
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    file += bench::Chunk("MTrk", track);
  }
  return file;
}

const chimekit::ChannelMap kReversed = *chimekit::CompleteChannelOrder("FEDCBA9876543210", true).map;

void Limit(benchmark::State& state, bool released, uint8_t limit) {
  chimekit::LoadedInput input = chimekit::ParseForRewrite(Song(state.range(0), released));
  for (auto _ : state) benchmark::DoNotOptimize(chimekit::ConvertToSp(input, kReversed, limit).bytes.size());
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SpChords(benchmark::State& state) { Limit(state, true, 2); }
void BM_SpNotesAtOneTick(benchmark::State& state) { Limit(state, false, 0); }

// The whole export: read the input file, load, rewrite, write the output.
void BM_SpFile(benchmark::State& state) {
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  std::string in = (folder / "chimekit-sp-bench-in.mid").string();
  std::string out = (folder / "chimekit-sp-bench-out.mid").string();
  midifile::WriteFileAtomically(in, Song(state.range(0), true));
  for (auto _ : state) {
    benchmark::DoNotOptimize(chimekit::SpFile(in.c_str(), out.c_str(), "FEDCBA9876543210", true, 2));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::remove(in.c_str());
  std::remove(out.c_str());
}

}  // namespace

BENCHMARK(BM_SpChords)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpNotesAtOneTick)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpFile)->Arg(1000000)->Unit(benchmark::kMillisecond);
