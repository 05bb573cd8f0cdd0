// The editing exports' work on large generated files: trimming, shifting
// the volume and placing tags, each a load-free rewrite of a loaded input,
// the trim and volume shift as whole calls from file to file, and the merge
// of two files of half a million events each, loaded and from file to file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_midi.h"
#include "chimekit/editing/join.h"
#include "chimekit/editing/tags.h"
#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/frame/frame.h"
#include "midifile/file_io.h"

namespace {

using bench::AppendVlq;

// A format 1 file of `events` events in 8 tracks: notes released a few
// events later, channel volume and other controllers, program changes,
// pitch bends, text and system-exclusive events; 480 ticks per quarter
// unless told.
std::string Song(int64_t events, uint16_t division = 480) {
  constexpr int kTracks = 8;
  std::string header("\0\1\0\x08", 4);
  header += static_cast<char>(division >> 8);
  header += static_cast<char>(division & 0xFF);
  std::string file = bench::Chunk("MThd", header);
  for (int t = 0; t < kTracks; ++t) {
    std::string track("\x00\xFF\x51\x03\x07\xA1\x20", 7);
    uint8_t channel = static_cast<uint8_t>(t == kTracks - 1 ? 9 : t);
    for (int64_t i = 0; i < events / kTracks; ++i) {
      AppendVlq(track, static_cast<uint32_t>(i % 5 == 0 ? 0 : 60));
      uint8_t key = static_cast<uint8_t>(36 + (i / 2) % 60);
      switch (i % 16) {
        case 3: track += std::string{static_cast<char>(0xB0 | channel), 7, static_cast<char>(60 + i % 60)}; break;
        case 7: track += std::string{static_cast<char>(0xC0 | channel), static_cast<char>(i % 128)}; break;
        case 11: track += std::string{static_cast<char>(0xE0 | channel), 0, static_cast<char>(i % 128)}; break;
        case 13: track += std::string("\xFF\x01\x04text", 7); break;
        case 15: track += std::string("\xF0\x03\x7E\x7F\xF7", 5); break;
        default:
          track += std::string{static_cast<char>((i % 2 == 0 ? 0x90 : 0x80) | channel), static_cast<char>(key), 100};
      }
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    file += bench::Chunk("MTrk", track);
  }
  return file;
}

template <class Rewrite>
void RewriteLoaded(benchmark::State& state, Rewrite&& rewrite) {
  chimekit::LoadedInput input = chimekit::ParseForRewrite(Song(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(rewrite(input));
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TrimSong(benchmark::State& state) {
  RewriteLoaded(state, [](const chimekit::LoadedInput& input) {
    return chimekit::TrimSong(input, {10, 90, false})->size();
  });
}

void BM_ShiftVolume(benchmark::State& state) {
  RewriteLoaded(state, [](const chimekit::LoadedInput& input) {
    return chimekit::ShiftVolume(input, {-20, 3, false}).bytes.size();
  });
}

void BM_PlaceTags(benchmark::State& state) {
  RewriteLoaded(state, [](const chimekit::LoadedInput& input) {
    return chimekit::PlaceTags(input, "\x03Name\r\n\x02(c)\r\n").size();
  });
}

// Whole calls: read the input file, load, rewrite, write the output file.
template <class Call>
void FileToFile(benchmark::State& state, Call&& call) {
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  std::string in = (folder / "chimekit-editing-bench-in.mid").string();
  std::string out = (folder / "chimekit-editing-bench-out.mid").string();
  midifile::WriteFileAtomically(in, Song(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(call(in.c_str(), out.c_str()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::remove(in.c_str());
  std::remove(out.c_str());
}

void BM_TrimFile(benchmark::State& state) {
  FileToFile(state, [](const char* in, const char* out) { return chimekit::TrimFile(in, out, {10, 90, false}); });
}

void BM_SetVolumeFile(benchmark::State& state) {
  FileToFile(state, [](const char* in, const char* out) {
    return chimekit::RunRewriteExport(in, out, [](const chimekit::LoadedInput& input) {
      return chimekit::ShiftVolume(input, {-20, 3, false}).bytes;
    });
  });
}

// Two files of `events` events each; the second at 96 ticks per quarter,
// so that each of its times is converted.
void BM_MergeSongs(benchmark::State& state) {
  chimekit::LoadedInput first = chimekit::ParseForRewrite(Song(state.range(0)));
  chimekit::LoadedInput second = chimekit::ParseForRewrite(Song(state.range(0), 96));
  for (auto _ : state) benchmark::DoNotOptimize(chimekit::JoinInputs(first, second, false).bytes.size());
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * 2 * state.range(0));
}

void BM_MergeFiles(benchmark::State& state) {
  std::filesystem::path folder = std::filesystem::temp_directory_path();
  std::string first = (folder / "chimekit-editing-bench-first.mid").string();
  std::string second = (folder / "chimekit-editing-bench-second.mid").string();
  std::string out = (folder / "chimekit-editing-bench-merged.mid").string();
  midifile::WriteFileAtomically(first, Song(state.range(0)));
  midifile::WriteFileAtomically(second, Song(state.range(0), 96));
  for (auto _ : state) benchmark::DoNotOptimize(chimekit::JoinFiles(first.c_str(), second.c_str(), out.c_str(), false));
  state.SetItemsProcessed(state.iterations() * 2 * state.range(0));
  for (const std::string& path : {first, second, out}) std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_TrimSong)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShiftVolume)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceTags)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrimFile)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetVolumeFile)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeSongs)->RangeMultiplier(2)->Range(1 << 16, 1 << 19)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeFiles)->Arg(500000)->Unit(benchmark::kMillisecond);
