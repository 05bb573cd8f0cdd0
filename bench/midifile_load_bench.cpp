// Loading and walking large generated MIDI files.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_midi.h"
#include "midifile/midi_file.h"

namespace {

using bench::AppendVlq;
using bench::Chunk;

std::string FileOf(const std::string& track) {
  std::string header("\0\0\0\1\x01\xE0", 6);
  return Chunk("MThd", header) + Chunk("MTrk", track);
}

// Notes on all channels and keys, each note-on released by a note-off a
// few events later: the common shape of a song.
std::string Song(int64_t events) {
  std::string track;
  for (int64_t i = 0; i < events; ++i) {
    uint8_t channel = static_cast<uint8_t>(i % 16);
    uint8_t key = static_cast<uint8_t>(24 + (i / 2) % 80);
    AppendVlq(track, static_cast<uint32_t>(i % 7));
    track.push_back(static_cast<char>((i % 2 == 0 ? 0x90 : 0x80) | channel));
    track.push_back(static_cast<char>(key));
    track.push_back(static_cast<char>(100));
  }
  return FileOf(track);
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
  return FileOf(track);
}

void Load(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    midifile::TMidiFile file;
    file.ReadBytes(bytes);
    int64_t sum = 0;
    const midifile::TMidiTrack& track = file.GetTrack(0);
    for (int32_t i = 0; i < track.EventCount(); ++i) sum += track.GetEvent(i)->Duration;
    benchmark::DoNotOptimize(sum);
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadSong(benchmark::State& state) { Load(state, Song(state.range(0))); }
void BM_LoadUnmatchedNoteOffs(benchmark::State& state) { Load(state, UnmatchedNoteOffs(state.range(0))); }

}  // namespace

BENCHMARK(BM_LoadSong)->RangeMultiplier(2)->Range(1 << 17, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUnmatchedNoteOffs)
    ->RangeMultiplier(2)
    ->Range(1 << 17, 1 << 20)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
