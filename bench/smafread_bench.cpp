// The SMAF reader on a generated file of about 10 MB: four Handyphone
// score tracks, eight Mobile Standard tracks as they stand and eight
// Huffman coded, every kind of event of each format. BM_SmafToMidi reads
// the file and writes its MIDI file in memory a track at a time (the work
// of `chimekit midi` without the file system); BM_ReadThenMidi reads the
// whole score first; BM_ReadSmaf reads it alone, BM_ListSmaf reads and
// lists it. `bytes_per_second` counts the SMAF file's bytes.
#include <benchmark/benchmark.h>

#include <string>

#include "../tests/support/smaf_builder.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"

namespace {

using namespace test_support::smaf_bytes;

// A Handyphone sequence of about `size` bytes: notes over the four
// channels with octave settings now and then, short and long controls.
std::string HandyphoneEvents(size_t size, uint32_t seed) {
  std::string events;
  uint32_t state = seed;
  while (events.size() < size) {
    state = state * 1103515245u + 12345u;
    const int channel = static_cast<int>((state >> 8) & 3);
    const uint32_t pick = (state >> 12) % 16;
    if (pick == 0) {
      static constexpr int kSettings[] = {0x00, 0x01, 0x02, 0x81, 0x82};
      events += Len(0) + B({0, channel << 6 | 0x32, kSettings[(state >> 20) % 5]});
    } else if (pick == 1) {
      events += Len(0) + B({0, channel << 6 | 0x37, static_cast<int>((state >> 16) & 0x7F)});
    } else if (pick == 2) {
      events += Len(0) + B({0, channel << 6 | 0x06});
    } else {
      const int note = 1 + static_cast<int>((state >> 16) % 12);
      events += Len((state >> 4) % 40) + B({channel << 6 | static_cast<int>((state >> 24) & 3) << 4 | note}) +
                Len(1 + (state >> 20) % 300);
    }
  }
  return events + Len(10) + B({0, 0, 0});
}

// A Mobile Standard sequence of about `size` bytes: notes with and
// without velocity, running status, controls, programs and pitch bend.
std::string MobileEvents(size_t size, uint32_t seed) {
  std::string events;
  uint32_t state = seed;
  while (events.size() < size) {
    state = state * 1103515245u + 12345u;
    const int channel = static_cast<int>((state >> 8) & 15);
    const int key = 24 + static_cast<int>((state >> 16) % 80);
    switch ((state >> 12) % 8) {
      case 0: events += Num(0) + B({0xB0 | channel, 7, key}); break;
      case 1: events += Num(0) + B({0xE0 | channel, 0, key}); break;
      case 2: events += Num(0) + B({0xC0 | channel, key & 0x7F}); break;
      case 3: events += Num((state >> 4) % 200) + B({0x80 | channel, key}) + Num(1 + (state >> 20) % 500); break;
      default:
        events += Num((state >> 4) % 200) + B({0x90 | channel, key, 1 + static_cast<int>((state >> 24) & 0x7E)}) +
                  Num(1 + (state >> 20) % 500) + Num(0) + B({key + 2, 100}) + Num(1 + (state >> 20) % 300);
    }
  }
  return events + Num(0) + B({0xFF, 0x2F, 0x00});
}

const std::string& LargeFile() {
  static const std::string file = [] {
    std::string chunks = Cnti(",");
    const std::string voice = B({0xFF, 0xF0, 18, 0x43, 0x03, 0, 0, 0, 0x60, 0x01, 0x14, 0x52, 0xF4, 0x3A, 0xA0, 0x14,
                                 0x62, 0xF7, 0x00, 0xA0, 0xF7});
    for (int number = 1; number <= 4; ++number) {
      chunks += Mtr(number, 0, 0x02, 0x02, B({0x80, 0x80}),
                    Chunk("Mtsu", voice) + Chunk("Mtsq", HandyphoneEvents(500000, static_cast<uint32_t>(number))));
    }
    for (int i = 0; i < 16; ++i) {
      const bool compressed = i % 2 == 1;
      const std::string events = MobileEvents(compressed ? 700000 : 500000, 100u + static_cast<uint32_t>(i));
      chunks += Mtr(5 + i, compressed ? 1 : 2, 0x01, 0x02, std::string(16, '\x01'),
                    Chunk("Mtsq", compressed ? Compress(events) : events));
    }
    return File(chunks);
  }();
  return file;
}

void BM_SmafToMidi(benchmark::State& state) {
  const std::string& file = LargeFile();
  size_t midi_bytes = 0;
  uint64_t notes = 0;
  size_t problems = 0;
  for (auto _ : state) {
    chimekit::smafread::SmafScore score;
    const chimekit::smafread::SmafMidi midi = chimekit::smafread::ReadSmafToMidi(file, score);
    midi_bytes = midi.bytes.size();
    notes = midi.summary.notes;
    problems = score.problems.size();
    benchmark::DoNotOptimize(midi.bytes.data());
  }
  state.counters["notes"] = static_cast<double>(notes);
  state.counters["problems"] = static_cast<double>(problems);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.counters["smaf_bytes"] = static_cast<double>(file.size());
  state.counters["midi_bytes"] = static_cast<double>(midi_bytes);
}

// The whole score read first, then written: what a caller that also lists
// or plays the score pays.
void BM_ReadThenMidi(benchmark::State& state) {
  const std::string& file = LargeFile();
  for (auto _ : state) {
    const chimekit::smafread::SmafScore score = chimekit::smafread::ReadSmafScore(file);
    benchmark::DoNotOptimize(chimekit::smafread::SmafToMidi(file, score).bytes.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_ReadSmaf(benchmark::State& state) {
  const std::string& file = LargeFile();
  for (auto _ : state) benchmark::DoNotOptimize(chimekit::smafread::ReadSmafScore(file).score_tracks.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_ListSmaf(benchmark::State& state) {
  const std::string& file = LargeFile();
  for (auto _ : state) {
    const chimekit::smafread::SmafScore score = chimekit::smafread::ReadSmafScore(file);
    benchmark::DoNotOptimize(chimekit::smafread::ListSmaf(file, score).lines.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

BENCHMARK(BM_SmafToMidi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadThenMidi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSmaf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListSmaf)->Unit(benchmark::kMillisecond);

}  // namespace
