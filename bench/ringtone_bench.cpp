// The ringtone job in-process on the benchmark song of 1,000,000 events in
// 16 tracks (bench/make_bench_midi.py --tracks 16, made once per run into
// the temporary folder): merged, re-timed and cut to the first 30 s as
// `chimekit ringtone` does by default; the same with every step (a window
// further in, the volume shift and the note limit); and the whole song
// converted as `chimekit smaf` does. Items are the song's events.
// peak_rss_mib is the most memory the process has held: run one case
// alone (--benchmark_filter) to read it for that case.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "chimekit/ringtone/ringtone.h"
#include "midifile/file_io.h"

namespace {

constexpr int64_t kEvents = 1000000;

const std::string& Song() {
  static const std::string song = [] {
    if (const char* named = std::getenv("CHIMEKIT_RINGTONE_BENCH_SONG")) return midifile::ReadWholeFile(named);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "chimekit_ringtone_bench.mid";
    const std::string command = "python3 '" CHIMEKIT_SOURCE_DIR "/bench/make_bench_midi.py' '" + path.string() +
                                "' --events " + std::to_string(kEvents) + " --tracks 16";
    if (std::system(command.c_str()) != 0) std::abort();
    std::string bytes = midifile::ReadWholeFile(path.string());
    std::filesystem::remove(path);
    return bytes;
  }();
  return song;
}

double PeakRssMib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void RunJob(benchmark::State& state, const chimekit::RingtoneOptions& options) {
  const std::string& song = Song();
  for (auto _ : state) {
    chimekit::RingtoneJob job = chimekit::MakeRingtone(song, options);
    benchmark::DoNotOptimize(job.smaf.bytes.data());
  }
  state.SetItemsProcessed(state.iterations() * kEvents);
  state.counters["peak_rss_mib"] = PeakRssMib();
}

void BM_RingtoneFirst30s(benchmark::State& state) {
  chimekit::RingtoneOptions options;
  options.window = chimekit::RingtoneWindow{};
  RunJob(state, options);
}

void BM_RingtoneEveryStep(benchmark::State& state) {
  chimekit::RingtoneOptions options;
  options.window = chimekit::RingtoneWindow{60000, 30000};
  options.volume_shift = -10;
  options.note_limit = 2;
  RunJob(state, options);
}

void BM_SmafWholeSong(benchmark::State& state) { RunJob(state, chimekit::RingtoneOptions{}); }

BENCHMARK(BM_RingtoneFirst30s)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RingtoneEveryStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmafWholeSong)->Unit(benchmark::kMillisecond);

}  // namespace
