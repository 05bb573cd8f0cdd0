// The Reshaper conversion on generated format 1 files: few long tracks and
// many short ones. Measured in memory (reading, merging, writing, freeing;
// no disk), into a zero-filled std::vector and into FileBytes as the tool
// does, and as the whole ConvertMidi from file to file. Items are events,
// so items_per_second compares the cost per event across the shapes, and
// peak_bytes_per_event is the most heap one conversion holds at once, per
// event (the input's bytes are the caller's in memory, and the conversion's
// own copy from file to file).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "reshaper/convert_midi.h"

// The heap this program holds, counted through the global allocation
// functions: now, and the most since the last reset. Each block keeps its
// size just before it.
namespace heap {

int64_t current = 0;
int64_t peak = 0;

constexpr size_t kPlainAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

void* allocate(size_t size, size_t alignment) {
  size_t total = (size + alignment + alignment - 1) / alignment * alignment;
  auto* base = static_cast<char*>(std::aligned_alloc(alignment, total));
  if (base == nullptr) throw std::bad_alloc();
  char* block = base + alignment;
  std::memcpy(block - sizeof size, &size, sizeof size);
  current += static_cast<int64_t>(size);
  peak = std::max(peak, current);
  return block;
}

void release(void* block, size_t alignment) noexcept {
  if (block == nullptr) return;
  size_t size = 0;
  std::memcpy(&size, static_cast<char*>(block) - sizeof size, sizeof size);
  current -= static_cast<int64_t>(size);
  std::free(static_cast<char*>(block) - alignment);
}

size_t alignmentOf(std::align_val_t alignment) { return std::max(static_cast<size_t>(alignment), kPlainAlignment); }

}  // namespace heap

void* operator new(size_t size) { return heap::allocate(size, heap::kPlainAlignment); }
void* operator new[](size_t size) { return heap::allocate(size, heap::kPlainAlignment); }
void* operator new(size_t size, std::align_val_t alignment) { return heap::allocate(size, heap::alignmentOf(alignment)); }
void* operator new[](size_t size, std::align_val_t alignment) {
  return heap::allocate(size, heap::alignmentOf(alignment));
}
void operator delete(void* block) noexcept { heap::release(block, heap::kPlainAlignment); }
void operator delete[](void* block) noexcept { heap::release(block, heap::kPlainAlignment); }
void operator delete(void* block, size_t) noexcept { heap::release(block, heap::kPlainAlignment); }
void operator delete[](void* block, size_t) noexcept { heap::release(block, heap::kPlainAlignment); }
void operator delete(void* block, std::align_val_t alignment) noexcept {
  heap::release(block, heap::alignmentOf(alignment));
}
void operator delete[](void* block, std::align_val_t alignment) noexcept {
  heap::release(block, heap::alignmentOf(alignment));
}
void operator delete(void* block, size_t, std::align_val_t alignment) noexcept {
  heap::release(block, heap::alignmentOf(alignment));
}
void operator delete[](void* block, size_t, std::align_val_t alignment) noexcept {
  heap::release(block, heap::alignmentOf(alignment));
}

namespace {

void appendBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// tracks tracks of events events each: note-ons and note-offs in running
// status a few ticks apart, then End of Track.
std::string generateSong(uint32_t tracks, uint32_t events) {
  std::string file = "MThd";
  appendBigEndian(file, 6, 4);
  appendBigEndian(file, 1, 2);
  appendBigEndian(file, tracks, 2);
  appendBigEndian(file, 480, 2);
  for (uint32_t t = 0; t < tracks; ++t) {
    std::string body;
    body += {0x00, static_cast<char>(0x90 | (t & 0x0F))};
    body += {0x3C, 0x40};
    for (uint32_t i = 1; i < events; ++i) {
      body.push_back(static_cast<char>(1 + (i + t) % 100));
      body.push_back(static_cast<char>(0x30 + i % 24));
      body.push_back(static_cast<char>(i % 2 == 0 ? 0x40 : 0x00));
    }
    body += {0x00, static_cast<char>(0xFF), 0x2F, 0x00};
    file += "MTrk";
    appendBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file += body;
  }
  return file;
}

void setCounters(benchmark::State& state, uint64_t events, uint64_t bytes, int64_t peakHeap) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["events"] = static_cast<double>(events);
  state.counters["peak_bytes_per_event"] = static_cast<double>(peakHeap) / static_cast<double>(events);
}

// The most heap that run takes at once beyond what is held before it.
template <class Run>
int64_t peakHeapOf(Run&& run) {
  int64_t before = heap::current;
  heap::peak = before;
  run();
  return heap::peak - before;
}

// Converts the song of the state's tracks and events in memory into an
// Output, a byte vector or FileBytes.
template <class Output>
void convertInto(benchmark::State& state) {
  auto tracks = static_cast<uint32_t>(state.range(0));
  auto events = static_cast<uint32_t>(state.range(1));
  std::string song = generateSong(tracks, events);
  std::span<const uint8_t> input(reinterpret_cast<const uint8_t*>(song.data()), song.size());
  auto convert = [&] {
    Output output;
    reshaper::ConversionResult result = reshaper::convertBytes(input, output);
    if (result.status != reshaper::kConverted) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(output.data());
  };
  for (auto _ : state) convert();
  setCounters(state, uint64_t{tracks} * events, song.size(), peakHeapOf(convert));
}

void convertInMemory(benchmark::State& state) { convertInto<std::vector<uint8_t>>(state); }

// The same into memory that is not zero-filled first and takes large pages,
// as the tool converts (its reshape command).
void convertIntoFileBytes(benchmark::State& state) { convertInto<reshaper::FileBytes>(state); }

void convertFiles(benchmark::State& state) {
  auto tracks = static_cast<uint32_t>(state.range(0));
  auto events = static_cast<uint32_t>(state.range(1));
  std::random_device seed;
  auto folder = std::filesystem::temp_directory_path() / ("reshaper-bench-" + std::to_string(seed()));
  std::filesystem::create_directories(folder);
  std::string input = (folder / "in.mid").string();
  std::string output = (folder / "out.mid").string();
  std::string song = generateSong(tracks, events);
  std::ofstream(input, std::ios::binary).write(song.data(), static_cast<std::streamsize>(song.size()));
  auto convert = [&] {
    if (reshaper::convertMidi(input.c_str(), output.c_str()) != reshaper::kConverted) {
      state.SkipWithError("conversion failed");
    }
  };
  for (auto _ : state) convert();
  setCounters(state, uint64_t{tracks} * events, song.size(), peakHeapOf(convert));
  std::filesystem::remove_all(folder);
}

}  // namespace

// A million events in 100 and in 5,000 tracks, 5,000 tracks of 20 events,
// and for comparison 16 long tracks and 8,192 tracks of 40 events.
BENCHMARK(convertInMemory)
    ->Args({100, 10000})
    ->Args({5000, 200})
    ->Args({5000, 20})
    ->Args({16, 62500})
    ->Args({8192, 40})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(convertIntoFileBytes)->Args({100, 10000})->Args({5000, 200})->Unit(benchmark::kMillisecond);
BENCHMARK(convertFiles)->Args({100, 10000})->Args({5000, 200})->Args({5000, 20})->Unit(benchmark::kMillisecond);
