// The native side of the page's speed figures: the calls the page makes of
// the jobs' C interface in WebAssembly, here in-process with the native
// library.
//
//   native_timing EXAMPLE.mid SONG.mid BIG.mid RINGTONE.mmf
//
// prints {"jobMs": ..., "makeMs": ..., "renderMs": ..., "bigMakeMs": ...,
// "openSmafMs": ...}:
// the median time of the ringtone job on EXAMPLE.mid with the default
// options of `chimekit ringtone` (the job alone, and as the page makes a
// ringtone: with the notes and where each went, and the listing), of
// rendering 30 s of preview (stereo) of SONG.mid's ringtone, and of making
// BIG.mid's ringtone as the page does (the benchmark song of 1,000,000
// events in 16 tracks), and of opening RINGTONE.mmf as the page does (what
// it holds with its notes, and its MIDI file). The page times
// the same calls the same way
// (web/perf/measure.mjs). A program of the native build
// (build/bin/web_native_timing).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "chimekit_jobs.h"

namespace {

// The ringtone jobs of a small song take microseconds: timed in batches,
// as the page times them (its clock counts in tenths of a millisecond).
constexpr int kJobBatch = 200;

// The time of one run: the median over batches of `batch` runs, batches
// repeated for at least half a second (at least 11), after half a second of
// runs not timed, as the page times them.
double MedianMs(int batch, const std::function<void()>& job) {
  for (const auto warm = std::chrono::steady_clock::now();
       std::chrono::steady_clock::now() - warm < std::chrono::milliseconds(500);) {
    job();
  }
  std::vector<double> times;
  const auto begin = std::chrono::steady_clock::now();
  while (times.size() < 11 || std::chrono::steady_clock::now() - begin < std::chrono::milliseconds(500)) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < batch; ++i) job();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / batch);
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

const uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

// The ringtone with the page's default options; aborts on a failure.
ck_result* Ringtone(const std::string& song, uint32_t flags) {
  ck_result* result = ck_ringtone(Data(song), song.size(), "song.mid", 0, 30000, -1, 0, flags, nullptr, nullptr);
  if (ck_status(result) != 0) {
    std::fprintf(stderr, "%s\n", ck_text(result, nullptr));
    std::abort();
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: native_timing EXAMPLE.mid SONG.mid BIG.mid RINGTONE.mmf\n");
    return 2;
  }
  const std::string example = ReadFile(argv[1]);
  const uint32_t as_the_page_makes_it = CK_NOTES | CK_LISTING;
  const double job_ms = MedianMs(kJobBatch, [&] { ck_free(Ringtone(example, 0)); });
  const double make_ms = MedianMs(kJobBatch, [&] { ck_free(Ringtone(example, as_the_page_makes_it)); });
  ck_result* song_ringtone = Ringtone(ReadFile(argv[2]), 0);
  size_t smaf_size = 0;
  const uint8_t* smaf = ck_bytes(song_ringtone, 0, &smaf_size);
  double sum = 0;
  const double render_ms = MedianMs(1, [&] {
    ck_result* sound = ck_render(smaf, smaf_size, 30000, 2, CK_SAMPLES);
    size_t count = 0;
    const float* samples = ck_samples(sound, &count);
    for (size_t i = 0; i < count; ++i) sum += samples[i];
    ck_free(sound);
  });
  ck_free(song_ringtone);
  const std::string big = ReadFile(argv[3]);
  const double big_make_ms = MedianMs(1, [&] { ck_free(Ringtone(big, as_the_page_makes_it)); });
  const std::string ringtone = ReadFile(argv[4]);
  const double open_smaf_ms = MedianMs(1, [&] {
    ck_result* info = ck_smaf(Data(ringtone), ringtone.size(), CK_NOTES);
    ck_result* midi = ck_smaf_to_midi(Data(ringtone), ringtone.size());
    if (ck_status(info) != 0 || ck_status(midi) != 0) std::abort();
    ck_free(info);
    ck_free(midi);
  });
  std::printf("{\"jobMs\": %.5f, \"makeMs\": %.5f, \"renderMs\": %.4f, \"bigMakeMs\": %.3f, \"openSmafMs\": %.3f, "
              "\"checksum\": %.3f}\n",
              job_ms, make_ms, render_ms, big_make_ms, open_smaf_ms, sum);
  return 0;
}
