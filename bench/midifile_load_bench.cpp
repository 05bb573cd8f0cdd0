// Loading and walking large generated MIDI files. Figures and how to read
// them: bench/README.md.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_midi.h"
#include "midifile/midi_file.h"

namespace {

using bench::AppendVlq;
using bench::Chunk;

std::string FileOf(const std::vector<std::string>& tracks) {
  std::string header("\0\1\0\0\x01\xE0", 6);
  header[3] = static_cast<char>(tracks.size() & 0xFF);
  std::string file = Chunk("MThd", header);
  for (const std::string& track : tracks) file += Chunk("MTrk", track);
  return file;
}

// Notes on all channels and keys, each note-on released by a note-off a
// few events later: the common shape of a song.
std::string SongTrack(int64_t events, int64_t seed) {
  std::string track;
  for (int64_t i = 0; i < events; ++i) {
    uint8_t channel = static_cast<uint8_t>((i + seed) % 16);
    uint8_t key = static_cast<uint8_t>(24 + (i / 2 + seed) % 80);
    AppendVlq(track, static_cast<uint32_t>(i % 7));
    track.push_back(static_cast<char>((i % 2 == 0 ? 0x90 : 0x80) | channel));
    track.push_back(static_cast<char>(key));
    track.push_back(static_cast<char>(100));
  }
  return track;
}

// Note-offs that no note-on precedes, after a long run of unreleased
// note-ons of other keys: a backward search would walk the whole track for
// every one of them.
std::string UnmatchedNoteOffs(int64_t events) {
  std::string track;
  for (int64_t i = 0; i < events; ++i) {
    bool first_half = i < events / 2;
    AppendVlq(track, 1);
    track.push_back(static_cast<char>(first_half ? 0x90 : 0x81));
    track.push_back(static_cast<char>(first_half ? 60 : 61));
    track.push_back(static_cast<char>(first_half ? 100 : 0));
  }
  return FileOf({track});
}

// The events spread over 100 tracks, as in a large arrangement.
std::string ManyTracks(int64_t events) {
  std::vector<std::string> tracks;
  for (int64_t t = 0; t < 100; ++t) tracks.push_back(SongTrack(events / 100, t));
  return FileOf(tracks);
}

void Load(benchmark::State& state, const std::string& bytes) {
  int64_t events = 0;
  for (auto _ : state) {
    midifile::TMidiFile file;
    file.ReadBytes(bytes);
    int64_t sum = 0;
    events = 0;
    for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
      const midifile::TMidiTrack& track = file.GetTrack(t);
      for (int32_t i = 0; i < track.EventCount(); ++i) sum += track.GetEvent(i)->Duration;
      events += track.EventCount();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * events);
  // What the loaded model holds per event: its event record and its share
  // of the file's bytes (data views point into them).
  state.counters["model_bytes_per_event"] =
      static_cast<double>(sizeof(midifile::TMidiEvent)) + static_cast<double>(bytes.size()) / static_cast<double>(events);
}

void BM_LoadSong(benchmark::State& state) { Load(state, FileOf({SongTrack(state.range(0), 0)})); }
void BM_LoadManyTracks(benchmark::State& state) { Load(state, ManyTracks(state.range(0))); }
void BM_LoadUnmatchedNoteOffs(benchmark::State& state) { Load(state, UnmatchedNoteOffs(state.range(0))); }

}  // namespace

BENCHMARK(BM_LoadSong)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadManyTracks)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUnmatchedNoteOffs)
    ->RangeMultiplier(2)
    ->Range(1 << 17, 1 << 20)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
