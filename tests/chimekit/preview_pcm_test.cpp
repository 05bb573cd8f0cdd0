// Sampled voices in the preview: a hand-built wave of one sine cycle, looped,
// played at two keys an octave apart sounds at frequencies 2:1, the base key
// at the wave's own pitch; a voice that does not follow the key plays the
// wave as it is at any key; a wave that does not loop ends at its end point,
// one that loops sounds for as long as the key is held.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio_analysis.h"
#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/pcm_note.h"
#include "chimekit/preview/pcm_voice.h"
#include "chimekit/preview/wave_data.h"

namespace {

using chimekit::preview::DecodedWave;
using chimekit::preview::PcmVoice;
using test_support::kRate;

// 100 cycles of a sine of 40 samples at 16 kHz: 400 Hz.
DecodedWave SineWave() {
  DecodedWave wave;
  wave.sample_rate = 16000;
  for (int i = 0; i < 4000; ++i) {
    wave.samples.push_back(static_cast<int16_t>(std::lround(20000.0 * std::sin(2.0 * std::numbers::pi * i / 40.0))));
  }
  return wave;
}

PcmVoice Voice(bool follows_key, bool loop) {
  PcmVoice voice;
  voice.follows_key = follows_key;
  voice.base_key = 69;
  voice.loop = loop;
  voice.loop_start = 3960;  // the last cycle
  voice.envelope = {15, 0, 0, 15, 0, false, false};
  return voice;
}

std::vector<float> Render(const PcmVoice& voice, const DecodedWave& wave, int key, double held) {
  const chimekit::preview::FmTables tables;
  chimekit::preview::ChannelControls controls;
  chimekit::preview::PcmNote note;
  note.Start(voice, wave, key, 127, static_cast<uint64_t>(held * kRate));
  std::vector<float> samples(static_cast<size_t>(1.5 * kRate));
  for (size_t at = 0; at < samples.size() && note.Sounding(); at += 256) {
    const auto count = static_cast<uint32_t>(std::min<size_t>(256, samples.size() - at));
    note.Render(tables, controls, count, samples.data() + at, nullptr);
  }
  return samples;
}

double Pitch(const std::vector<float>& samples) {
  constexpr size_t kSize = 65536;
  const std::vector<double> peaks =
      test_support::PeakFrequencies(test_support::Spectrum(samples, 2205, 8820, kSize), kSize, 0.5);
  return peaks.empty() ? 0.0 : peaks.front();
}

// The last sample that is not silent, in seconds.
double Length(const std::vector<float>& samples) {
  size_t last = samples.size();
  while (last > 0 && samples[last - 1] == 0.0f) --last;
  return static_cast<double>(last) / kRate;
}

TEST(PreviewPcm, KeysAnOctaveApartSoundAtTwiceTheFrequency) {
  const DecodedWave wave = SineWave();
  const PcmVoice voice = Voice(true, true);
  const double base = Pitch(Render(voice, wave, 69, 1.0));
  const double octave_up = Pitch(Render(voice, wave, 81, 1.0));
  const double octave_down = Pitch(Render(voice, wave, 57, 1.0));
  EXPECT_NEAR(base, 400.0, 2.0);  // the base key plays the wave at its own rate
  EXPECT_NEAR(octave_up / base, 2.0, 0.005);
  EXPECT_NEAR(base / octave_down, 2.0, 0.005);
  // A voice's own rate moves every key by its ratio to the wave's.
  PcmVoice faster = voice;
  faster.sample_rate = 24000;
  EXPECT_NEAR(Pitch(Render(faster, wave, 69, 1.0)), 600.0, 3.0);
  // Drums and stream PCM: the wave as it is at any key.
  EXPECT_NEAR(Pitch(Render(Voice(false, true), wave, 81, 1.0)), 400.0, 2.0);
}

TEST(PreviewPcm, LoopedWhereTheVoiceSaysSo) {
  const DecodedWave wave = SineWave();  // 0.25 s at its own rate
  struct Case {
    bool loop;
    uint32_t end;
    double length;  // seconds until silence
  };
  const Case cases[] = {
      {false, 0, 0.25},      // to the wave's end
      {false, 2000, 0.125},  // to its end point
      {true, 0, 1.0},        // the last cycle over and over while the key is held
  };
  for (const Case& c : cases) {
    PcmVoice voice = Voice(true, c.loop);
    voice.end = c.end;
    const std::vector<float> samples = Render(voice, wave, 69, 1.0);
    EXPECT_NEAR(Length(samples), c.length, 0.005) << "loop " << c.loop << " end " << c.end;
  }
  // The loop goes on through the release: a slow one is still heard 0.3 s on.
  PcmVoice slow = Voice(true, true);
  slow.envelope.release_rate = 5;
  EXPECT_GT(Length(Render(slow, wave, 69, 0.5)), 0.8);
}

}  // namespace
