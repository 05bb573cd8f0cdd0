// The four-operator FM notes of the preview heard through an FFT and a level
// meter: one voice per algorithm sounds at its key's pitch, rises at its
// attack rate and falls at its release rate as the envelope's figures put
// them; the waveforms have the partials of their shapes; vibrato and
// tremolo move the pitch and the level by their depths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "audio_analysis.h"
#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm4_note.h"
#include "chimekit/preview/fm4_voice.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_waveforms.h"

namespace {

using chimekit::preview::Fm4Note;
using chimekit::preview::Fm4Operator;
using chimekit::preview::Fm4Voice;
using test_support::kRate;
using test_support::Levels;

// Renders a note held for `held` seconds, in mono, until it has died away
// or `seconds` have passed.
std::vector<float> Render(const Fm4Voice& voice, int key, double held, double seconds) {
  const chimekit::preview::FmTables tables;
  const chimekit::preview::FmWaveforms waveforms;
  chimekit::preview::ChannelControls controls;
  controls.SetVolume(127);
  Fm4Note note;
  note.Start(voice, key, 127, static_cast<uint64_t>(held * kRate));
  std::vector<float> samples(static_cast<size_t>(seconds * kRate));
  for (size_t at = 0; at < samples.size() && note.Sounding(); at += 256) {
    const auto count = static_cast<uint32_t>(std::min<size_t>(256, samples.size() - at));
    note.Render(tables, waveforms, controls, count, samples.data() + at, nullptr);
  }
  return samples;
}

Fm4Operator Operator(int multiplier, int total_level, int waveform, int feedback = 0) {
  Fm4Operator op;
  op.multiplier = static_cast<uint8_t>(multiplier);
  op.total_level = static_cast<uint8_t>(total_level);
  op.waveform = static_cast<uint8_t>(waveform);
  op.feedback = static_cast<uint8_t>(feedback);
  // Modulators keep their level from the start to the end, key-off or not.
  op.envelope = {15, 0, 0, 15, 0, false, true};
  return op;
}

TEST(PreviewFm4, EveryAlgorithmAtItsPitchWithItsAttackAndRelease) {
  constexpr uint8_t kCarriers[8] = {0b0010, 0b0011, 0b1111, 0b1000, 0b1000, 0b1010, 0b1001, 0b1101};
  constexpr int kAttackRate = 6;
  constexpr int kReleaseRate = 6;
  constexpr double kHeld = 0.6;
  for (int algorithm = 0; algorithm < 8; ++algorithm) {
    Fm4Voice voice;
    voice.algorithm = static_cast<uint8_t>(algorithm);
    // Modulators of several waveforms and multiples, feedback on the first.
    voice.operators = {Operator(1, 44, 0, 3), Operator(2, 46, 16), Operator(1, 46, 8, 2), Operator(1, 44, 0)};
    for (int k = 0; k < 4; ++k) {
      if ((kCarriers[algorithm] >> k & 1) == 0) continue;
      voice.operators[k].total_level = 0;
      voice.operators[k].envelope = {kAttackRate, 0, 0, kReleaseRate, 0, false, false};
    }
    for (int key : {57, 81}) {
      SCOPED_TRACE("algorithm " + std::to_string(algorithm) + " key " + std::to_string(key));
      test_support::ExpectPitchAttackRelease(Render(voice, key, kHeld, 1.5), key, kHeld, kAttackRate, kReleaseRate);
    }
  }
}

TEST(PreviewFm4, WaveformsHaveThePartialsOfTheirShapes) {
  struct Case {
    int waveform;
    const char* shape;
    double second;  // the second and the third harmonic in dB below the first
    double third;
  };
  const Case cases[] = {
      {0, "sine", -99, -99},        {1, "half sine", -7.4, -99},  {6, "square", -99, -9.5},
      {16, "triangle", -99, -19.1}, {24, "sawtooth", -6.0, -9.5},
  };
  for (const Case& c : cases) {
    Fm4Voice voice;
    voice.algorithm = 1;  // the two operators side by side, the first silent
    voice.operators[0] = Operator(1, 63, 0);
    voice.operators[0].envelope.attack_rate = 0;
    voice.operators[1] = Operator(1, 0, c.waveform);
    constexpr int kKey = 57;  // 220 Hz
    const std::vector<float> samples = Render(voice, kKey, 1.0, 1.0);
    constexpr size_t kSize = 32768;
    const std::vector<double> spectrum = test_support::Spectrum(samples, 4410, 17640, kSize);
    const auto harmonic = [&](int n) {
      const auto bin = static_cast<size_t>(std::lround(test_support::KeyHertz(kKey) * n * kSize / kRate));
      return *std::max_element(spectrum.begin() + static_cast<std::ptrdiff_t>(bin - 3),
                               spectrum.begin() + static_cast<std::ptrdiff_t>(bin + 4));
    };
    const auto below = [&](int n) { return std::max(-99.0, 20.0 * std::log10(harmonic(n) / harmonic(1))); };
    EXPECT_NEAR(below(2), c.second, c.second < -90 ? 60 : 1.0) << c.shape;
    EXPECT_NEAR(below(3), c.third, c.third < -90 ? 60 : 1.0) << c.shape;
  }
}

TEST(PreviewFm4, VibratoAndTremoloAtTheirDepths) {
  Fm4Voice voice;
  voice.algorithm = 1;
  voice.lfo = 3;  // 7 Hz
  voice.operators[0] = Operator(1, 63, 0);
  voice.operators[0].envelope.attack_rate = 0;
  voice.operators[1] = Operator(1, 0, 0);
  voice.operators[1].tremolo = true;
  voice.operators[1].tremolo_depth = 3;  // 11.8 dB
  const std::vector<double> levels = Levels(Render(voice, 81, 2.0, 2.0), 81);
  const auto [low, high] = std::minmax_element(levels.begin() + 400, levels.begin() + 3000);
  EXPECT_NEAR(*high - *low, 11.8, 1.0);

  voice.operators[1].tremolo = false;
  voice.operators[1].vibrato = true;
  voice.operators[1].vibrato_depth = 3;  // 26.8 cents either way
  const std::vector<float> samples = Render(voice, 81, 2.0, 2.0);
  // The pitch over 10 ms windows swings by twice the depth.
  double lowest = 1e9;
  double highest = 0.0;
  for (double from = 0.2; from < 1.0; from += 0.01) {
    constexpr size_t kSize = 65536;
    const std::vector<double> spectrum =
        test_support::Spectrum(samples, static_cast<size_t>(from * kRate), static_cast<size_t>(0.01 * kRate), kSize);
    const std::vector<double> peaks = test_support::PeakFrequencies(spectrum, kSize, 0.5);
    ASSERT_FALSE(peaks.empty());
    lowest = std::min(lowest, peaks.front());
    highest = std::max(highest, peaks.front());
  }
  EXPECT_NEAR(1200.0 * std::log2(highest / lowest), 2 * 26.8, 8.0);
}

}  // namespace
