// The native side of the page's speed figures: the same two jobs the page
// times in WebAssembly, here in-process with the native core.
//
//   native_timing EXAMPLE.mid SONG.mid BIG.mid
//
// prints {"jobMs": ..., "makeMs": ..., "renderMs": ..., "bigMakeMs": ...}:
// the median time of
// the ringtone job on EXAMPLE.mid with the default options of `chimekit
// ringtone` (MakeRingtone alone, and with what the page adds to it when it
// makes a ringtone: the song's notes, the listing, the kept notes), and of
// rendering 30 s of preview (stereo) of SONG.mid's ringtone, and of making
// BIG.mid's ringtone as the page does (the benchmark song of 1,000,000
// events in 16 tracks). The page times
// the same calls the same way (web/tests/). A program of the native build
// (build/bin/web_native_timing), with the binding's portable sources.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "chimekit/ringtone/ringtone.h"
#include "chimekit/smaf/reader.h"
#include "midifile/file_io.h"
#include "ringtone_view.h"

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

chimekit::RingtoneOptions DefaultOptions() {
  chimekit::RingtoneOptions options;
  options.window = chimekit::RingtoneWindow{};
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: native_timing EXAMPLE.mid SONG.mid BIG.mid\n");
    return 2;
  }
  const midifile::ByteString example = midifile::ReadWholeFile(argv[1]);
  const double job_ms = MedianMs(kJobBatch, [&] {
    const chimekit::RingtoneJob job = chimekit::MakeRingtone(example, DefaultOptions());
    if (job.smaf.bytes.empty()) std::abort();
  });
  const double make_ms = MedianMs(kJobBatch, [&] {
    const web::RingtoneView view = web::MakeRingtoneView(example, web::RingtoneRequest{});
    if (view.smaf.empty()) std::abort();
  });
  const midifile::ByteString smaf = chimekit::MakeRingtone(midifile::ReadWholeFile(argv[2]), DefaultOptions()).smaf.bytes;
  chimekit::preview::PreviewOptions options;
  options.seconds = 30;
  int64_t sum = 0;
  const double render_ms = MedianMs(1, [&] {
    const chimekit::preview::PreviewScore score = chimekit::preview::BuildScore(chimekit::smaf::ReadSmaf(smaf));
    chimekit::preview::RenderPreview(score, options, [&](const int16_t* samples, size_t count) {
      for (size_t i = 0; i < count; ++i) sum += samples[i];
    });
  });
  const midifile::ByteString big = midifile::ReadWholeFile(argv[3]);
  const double big_make_ms = MedianMs(1, [&] {
    const web::RingtoneView view = web::MakeRingtoneView(big, web::RingtoneRequest{});
    if (view.smaf.empty()) std::abort();
  });
  std::printf("{\"jobMs\": %.5f, \"makeMs\": %.5f, \"renderMs\": %.4f, \"bigMakeMs\": %.3f, \"checksum\": %lld}\n",
              job_ms, make_ms, render_ms, big_make_ms, static_cast<long long>(sum));
  return 0;
}
