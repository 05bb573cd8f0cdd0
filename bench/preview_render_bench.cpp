// The preview renderer on a 30-second ringtone in which all 16 channels
// sound: a MIDI file of 16 parts, each on its own program, converted to
// SMAF as `chimekit smaf` does, then read and rendered; and the same song
// as a Mobile Standard file with a four-operator voice on every channel.
// The "realtime" counter is seconds of sound rendered per second (so 200
// means 200 times faster than real time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "../tests/support/smaf_builder.h"
#include "chimekit/preview/preview.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"
#include "midifile/smf_writer.h"

namespace {

constexpr double kSongSeconds = 30.0;

void AppendEvent(midifile::ByteString& track, uint32_t delta, int status, int data1, int data2 = -1) {
  midifile::AppendVarLength(track, static_cast<int32_t>(delta));
  midifile::AppendByte(track, static_cast<uint32_t>(status));
  midifile::AppendByte(track, static_cast<uint32_t>(data1));
  if (data2 >= 0) midifile::AppendByte(track, static_cast<uint32_t>(data2));
}

// 96 ticks per quarter at 120 BPM (a 10 ms timebase): every quarter note,
// 16 notes of 46 ticks (240 ms), one per channel, each channel with its own
// program, 60 quarters in all.
std::string SixteenParts() {
  constexpr uint32_t kStep = 48;
  constexpr uint32_t kLength = 46;
  midifile::ByteString file = midifile::HeaderChunk(midifile::TFileFormat::single, 1, midifile::ByteView("\x00\x60", 2));
  const size_t chunk = midifile::BeginTrackChunk(file);
  midifile::ByteString& track = file;
  for (int channel = 0; channel < 16; ++channel) AppendEvent(track, 0, 0xC0 | channel, channel * 8);
  for (int step = 0; step * kStep < 60 * 96; ++step) {
    for (int channel = 0; channel < 16; ++channel) {
      AppendEvent(track, channel == 0 && step > 0 ? kStep - kLength : 0, 0x90 | channel,
                  48 + (step * 7 + channel * 5) % 36, 100);
    }
    for (int channel = 0; channel < 16; ++channel) {
      AppendEvent(track, channel == 0 ? kLength : 0, 0x80 | channel, 48 + (step * 7 + channel * 5) % 36, 0);
    }
  }
  AppendEvent(track, 0, 0xFF, 0x2F, 0);
  midifile::EndTrackChunk(file, chunk);
  return file;
}

std::string Ringtone(benchmark::State& state) {
  midifile::TMidiFile file;
  file.ReadBytes(SixteenParts());
  chimekit::smaf::TSmafConversion smaf = chimekit::smaf::ConvertToSmaf(file);
  if (smaf.summary.score_tracks != 4 || smaf.summary.notes_without_slot != 0) {
    state.SkipWithError("the ringtone does not keep all 16 channels busy");
  }
  return smaf.bytes;
}

void ReportSpeed(benchmark::State& state) {
  state.counters["realtime"] = benchmark::Counter(kSongSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// Reading, scoring and rendering a SMAF file, in as many output channels
// as the case's argument: the whole preview but the WAV file.
void ReadAndRender(benchmark::State& state, const std::string& smaf) {
  chimekit::preview::PreviewOptions options;
  options.output_channels = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    const chimekit::preview::PreviewScore score = chimekit::preview::ReadPreviewScore(smaf);
    int64_t sum = 0;
    chimekit::preview::RenderPreview(score, options, [&](const int16_t* samples, size_t count) {
      for (size_t i = 0; i < count; ++i) sum += samples[i];
    });
    benchmark::DoNotOptimize(sum);
  }
  ReportSpeed(state);
}

void BM_RenderSixteenChannels(benchmark::State& state) {
  const std::string smaf = Ringtone(state);
  ReadAndRender(state, smaf);
}
BENCHMARK(BM_RenderSixteenChannels)->Arg(1)->Arg(2)->ArgName("channels")->Unit(benchmark::kMillisecond);

// The whole preview as `chimekit play` runs it, the WAV file in memory.
void BM_PreviewRingtoneToWav(benchmark::State& state) {
  const std::string smaf = Ringtone(state);
  for (auto _ : state) {
    chimekit::preview::PreviewResult result = chimekit::preview::PreviewRingtone(smaf, {});
    benchmark::DoNotOptimize(result.wav.data());
  }
  ReportSpeed(state);
}
BENCHMARK(BM_PreviewRingtoneToWav)->Unit(benchmark::kMillisecond);

// A Mobile Standard file of the same song built from the format's facts:
// sixteen channels, each with a four-operator voice of its own in the
// setup (algorithms 2 to 7 in turn) of the kind real files carry: carriers
// that decay to a sustain level, modulators with envelopes of their own,
// feedback, a few waveforms, vibrato on one operator. Every 500 ms each
// channel plays a note of 480 ms; one millisecond a unit.
std::string SixteenMobileChannels() {
  using namespace test_support::smaf_bytes;
  std::string setup;
  for (int channel = 0; channel < 16; ++channel) {
    const int algorithm = 2 + channel % 6;
    std::string body = B({0, 15 << 3 | 1, 2 << 6 | algorithm});
    for (int k = 0; k < 4; ++k) {
      body += B({2 << 4 | (k == 2 ? 1 : 0), 7 << 4 | 4, (12 + k) << 4 | 4, (20 + 4 * k) << 2, k == 3 ? 0x03 : 0x00,
                 (k == 1 ? 2 : 1) << 4, ((k * 8 + algorithm) % 32) << 3 | (k == 0 ? 3 : 1)});
    }
    const std::string message = B({0x43, 0x79, 0x07, 0x7F, 0x01, 0x7C, 0, channel, 0, 0}) + body + B({0xF7});
    setup += B({0xF0}) + Num(static_cast<uint32_t>(message.size())) + message;
  }
  std::string events;
  for (int channel = 0; channel < 16; ++channel) {
    events += Num(0) + B({0xB0 | channel, 0, 0x7C}) + Num(0) + B({0xC0 | channel, channel});
  }
  for (int step = 0; step < 60; ++step) {
    for (int channel = 0; channel < 16; ++channel) {
      events += Num(channel == 0 && step > 0 ? 500 : 0) + B({0x90 | channel, 48 + (step * 7 + channel * 5) % 36, 100}) +
                Num(480);
    }
  }
  events += Num(500) + B({0xFF, 0x2F, 0x00});
  return File(Cnti() + Mtr(5, 2, 0x00, 0x00, std::string(16, '\x01'), Chunk("Mtsu", setup) + Chunk("Mtsq", events)));
}

// Reading, scoring and rendering the Mobile Standard file: the whole
// preview but the WAV file.
void BM_RenderSixteenMobileChannels(benchmark::State& state) {
  const std::string smaf = SixteenMobileChannels();
  if (chimekit::preview::ReadPreviewScore(smaf).summary.notes_on_file_fm != 960) {
    state.SkipWithError("the file's voices do not play every note");
  }
  ReadAndRender(state, smaf);
}
BENCHMARK(BM_RenderSixteenMobileChannels)->Arg(1)->Arg(2)->ArgName("channels")->Unit(benchmark::kMillisecond);

}  // namespace
