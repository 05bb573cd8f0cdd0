// The preview renderer on a 30-second ringtone in which all 16 channels
// sound: a MIDI file of 16 parts, each on its own program, converted to
// SMAF as `chimekit smaf` does, then read and rendered; and the same song's
// notes on four-operator voices, one algorithm per pair of channels, through
// the note engine of Mobile Standard voices. The "realtime" counter is
// seconds of sound rendered per second (so 200 means 200 times faster than
// real time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm4_note.h"
#include "chimekit/preview/fm4_voice.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_waveforms.h"
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

// Reading, scoring and rendering: the whole preview but the WAV file.
void BM_RenderSixteenChannels(benchmark::State& state) {
  const std::string smaf = Ringtone(state);
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

// A four-operator voice of the kind real files carry: carriers that decay to
// a sustain level, modulators with envelopes of their own, feedback, a few
// waveforms, vibrato on one operator.
chimekit::preview::Fm4Voice FourOperatorVoice(uint32_t algorithm) {
  chimekit::preview::Fm4Voice voice;
  voice.algorithm = static_cast<uint8_t>(algorithm);
  voice.lfo = 2;
  for (uint32_t k = 0; k < 4; ++k) {
    chimekit::preview::Fm4Operator& op = voice.operators[k];
    op.multiplier = static_cast<uint8_t>(k == 1 ? 2 : 1);
    op.total_level = static_cast<uint8_t>(20 + 4 * k);
    op.waveform = static_cast<uint8_t>((k * 8 + algorithm) % 32);
    op.feedback = static_cast<uint8_t>(k == 0 ? 3 : 1);
    op.envelope = {static_cast<uint8_t>(12 + k), 4, 2, 7, 4, k == 2, false};
    op.vibrato = k == 3;
    op.vibrato_depth = 1;
  }
  return voice;
}

// The 16 parts of SixteenParts on four-operator voices: every 500 ms, each
// channel plays a note of 480 ms; 256 frames are mixed at a time and turned
// into 16-bit samples, as the renderer does.
void BM_RenderSixteenFourOperatorChannels(benchmark::State& state) {
  using namespace chimekit::preview;
  constexpr uint32_t kBlock = 256;
  constexpr uint64_t kStep = kSampleRate / 2;
  constexpr uint64_t kGate = kStep * 46 / 48;
  const bool stereo = state.range(0) == 2;
  const auto frames = static_cast<uint64_t>(kSongSeconds * kSampleRate);
  std::array<Fm4Voice, 16> voices;
  for (uint32_t c = 0; c < 16; ++c) voices[c] = FourOperatorVoice(c / 2);
  for (auto _ : state) {
    const FmTables tables;
    const FmWaveforms waveforms;
    std::array<ChannelControls, 16> controls;
    std::array<Fm4Note, 16> notes;
    std::vector<float> left(kBlock), right(kBlock);
    std::vector<int16_t> pcm(2 * kBlock);
    int64_t sum = 0;
    uint32_t step = 0;
    for (uint64_t at = 0; at < frames;) {
      if (at % kStep == 0) {
        for (uint32_t c = 0; c < 16; ++c)
          notes[c].Start(voices[c], 48 + static_cast<int32_t>((step * 7 + c * 5) % 36), 100, kGate);
        ++step;
      }
      const auto count =
          static_cast<uint32_t>(std::min<uint64_t>(kBlock, std::min(frames, (at / kStep + 1) * kStep) - at));
      std::fill(left.begin(), left.end(), 0.0f);
      std::fill(right.begin(), right.end(), 0.0f);
      for (uint32_t c = 0; c < 16; ++c) {
        if (notes[c].Sounding())
          notes[c].Render(tables, waveforms, controls[c], count, left.data(), stereo ? right.data() : nullptr);
      }
      for (uint32_t i = 0; i < count; ++i) {
        pcm[2 * i] = static_cast<int16_t>(std::clamp(left[i], -1.0f, 1.0f) * 32767.0f);
        pcm[2 * i + 1] = static_cast<int16_t>(std::clamp(right[i], -1.0f, 1.0f) * 32767.0f);
        sum += pcm[2 * i] + pcm[2 * i + 1];
      }
      at += count;
    }
    benchmark::DoNotOptimize(sum);
  }
  ReportSpeed(state);
}
BENCHMARK(BM_RenderSixteenFourOperatorChannels)->Arg(1)->Arg(2)->ArgName("channels")->Unit(benchmark::kMillisecond);

}  // namespace
