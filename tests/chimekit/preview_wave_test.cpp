// The preview's decoding of SMAF waves against an independent tool: Debian's
// ffmpeg writes SMAF audio tracks of a sine and a sweep and decodes them
// itself; our decode of its files must agree with its own sample for
// sample, within 1 LSB. 8-bit PCM is checked against its definition. An
// audio track's waves start and stop at their times, at their pitch and
// level, resampled to the preview's rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio_analysis.h"
#include "chimekit/preview/audio_track.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/wave_data.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using chimekit::preview::DecodedWave;
using chimekit::preview::DecodeWave;
using chimekit::preview::WaveEncoding;

constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i));
  return value;
}

// The first audio track's wave data and rate, found by walking the chunks:
// "MMMD", then "ATR" with its header (format, sequence and wave type,
// timebases) and sub-chunks, of which "Awa" holds the wave.
struct AudioTrackWave {
  uint32_t rate = 0;
  std::string data;
};

AudioTrackWave FindWave(const std::string& file) {
  static constexpr uint32_t kRates[] = {4000, 8000, 11025, 22050, 44100};
  AudioTrackWave wave;
  for (size_t at = 8; at + 8 <= file.size(); at += 8 + BigEndian32(file, at + 4)) {
    if (file.compare(at, 3, "ATR") != 0) continue;
    const size_t body = at + 8;
    const uint32_t rate_code = static_cast<uint8_t>(file.at(body + 2)) & 0x0F;
    wave.rate = rate_code < 5 ? kRates[rate_code] : 0;
    const size_t end = body + BigEndian32(file, at + 4);
    for (size_t sub = body + 6; sub + 8 <= end; sub += 8 + BigEndian32(file, sub + 4)) {
      if (file.compare(sub, 3, "Awa") == 0) wave.data = file.substr(sub + 8, BigEndian32(file, sub + 4));
    }
  }
  return wave;
}

std::vector<int16_t> LittleEndian16(const std::string& bytes) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    samples.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  return samples;
}

TEST(PreviewWave, AdpcmAsFfmpegWritesAndDecodesIt) {
  ASSERT_EQ(test_support::RunProgram(kFfmpeg, {"-version"}).exit_code, 0) << "Debian's ffmpeg is needed";
  const test_support::TempDir dir;
  struct Source {
    const char* name;
    const char* filter;  // an ffmpeg source of 2 s at 44.1 kHz
  };
  const Source sources[] = {
      {"sine", "aevalsrc=0.8*sin(2*PI*440*t):s=44100:d=2"},
      {"sweep", "aevalsrc=0.8*sin(2*PI*(100*t+900*t*t)):s=44100:d=2"},  // 100 Hz to 3.7 kHz
  };
  for (const Source& source : sources) {
    for (const uint32_t rate : {8000u, 22050u}) {
      const std::string what = std::string(source.name) + " at " + std::to_string(rate) + " Hz";
      const std::string mmf = dir.Path(std::string(source.name) + std::to_string(rate) + ".mmf");
      const std::string raw = dir.Path(std::string(source.name) + std::to_string(rate) + ".raw");
      ASSERT_EQ(test_support::RunProgram(kFfmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", source.filter, "-ar",
                                                   std::to_string(rate), "-f", "mmf", mmf})
                    .exit_code,
                0)
          << what;
      ASSERT_EQ(test_support::RunProgram(kFfmpeg, {"-loglevel", "error", "-i", mmf, "-f", "s16le", raw}).exit_code, 0)
          << what;
      const std::vector<int16_t> theirs = LittleEndian16(test_support::ReadFileBytes(raw));

      const AudioTrackWave found = FindWave(test_support::ReadFileBytes(mmf));
      EXPECT_EQ(found.rate, rate) << what;
      const DecodedWave ours = DecodeWave(WaveEncoding::kAdpcm, found.rate, found.data);
      ASSERT_EQ(ours.samples.size(), theirs.size()) << what;
      ASSERT_GT(theirs.size(), 2 * rate * 9 / 10) << what;
      int32_t worst = 0;
      int32_t loudest = 0;
      for (size_t i = 0; i < theirs.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<int32_t>(ours.samples[i]) - theirs[i]));
        loudest = std::max(loudest, std::abs(static_cast<int32_t>(theirs[i])));
      }
      EXPECT_LE(worst, 1) << what;
      EXPECT_GT(loudest, 16000) << what << ": the decode is not a signal";
    }
  }
}

TEST(PreviewWave, AudioTrackWavesAtTheirTimes) {
  ASSERT_EQ(test_support::RunProgram(kFfmpeg, {"-version"}).exit_code, 0) << "Debian's ffmpeg is needed";
  const test_support::TempDir dir;
  const std::string mmf = dir.Path("sine.mmf");
  ASSERT_EQ(
      test_support::RunProgram(kFfmpeg, {"-loglevel", "error", "-f", "lavfi", "-i",
                                         "aevalsrc=0.8*sin(2*PI*440*t):s=44100:d=1", "-ar", "8000", "-f", "mmf", mmf})
          .exit_code,
      0);
  const AudioTrackWave found = FindWave(test_support::ReadFileBytes(mmf));
  const std::vector<DecodedWave> waves = {DecodeWave(WaveEncoding::kAdpcm, found.rate, found.data)};
  const double wave_seconds = static_cast<double>(waves[0].samples.size()) / found.rate;
  ASSERT_GT(wave_seconds, 0.99);

  using chimekit::preview::AudioTrackEvent;
  constexpr double kRate = test_support::kRate;
  const std::vector<AudioTrackEvent> events = {
      {static_cast<uint64_t>(0.25 * kRate), static_cast<uint64_t>(0.5 * kRate), 0},  // stopped after 0.5 s
      {static_cast<uint64_t>(1.5 * kRate), 0, 0},                                    // to its end
      {static_cast<uint64_t>(1.6 * kRate), 1000, 7},                                 // no such wave
  };
  chimekit::preview::AudioTrackPlayer player(events, waves);
  const chimekit::preview::FmTables tables;
  std::vector<float> samples(static_cast<size_t>(3.0 * kRate));
  for (size_t at = 0; at < samples.size(); at += 300) {  // blocks that do not fall on the events
    player.Render(tables, static_cast<uint32_t>(std::min<size_t>(300, samples.size() - at)), samples.data() + at,
                  nullptr);
  }
  EXPECT_FALSE(player.Sounding());
  const auto sounds = [&](double from, double to) {
    return std::any_of(samples.begin() + static_cast<std::ptrdiff_t>(from * kRate),
                       samples.begin() + static_cast<std::ptrdiff_t>(to * kRate), [](float s) { return s != 0.0f; });
  };
  // Silence but for the two waves, each beginning at its very sample.
  EXPECT_FALSE(sounds(0.0, 0.25));
  EXPECT_NE(samples[events[0].sample + 1], 0.0f);
  EXPECT_TRUE(sounds(0.74, 0.75));
  EXPECT_FALSE(sounds(0.755, 1.5));
  EXPECT_NE(samples[events[1].sample + 1], 0.0f);
  EXPECT_TRUE(sounds(1.5 + wave_seconds - 0.01, 1.5 + wave_seconds));
  EXPECT_FALSE(sounds(1.5 + wave_seconds + 0.001, 3.0));
  // At the recording's pitch and level.
  constexpr size_t kSize = 65536;
  const std::vector<double> peaks = test_support::PeakFrequencies(
      test_support::Spectrum(samples, static_cast<size_t>(0.3 * kRate), static_cast<size_t>(0.4 * kRate), kSize), kSize,
      0.5);
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_NEAR(peaks[0], 440.0, 1.0);
  const float loudest = *std::max_element(samples.begin() + static_cast<std::ptrdiff_t>(0.3 * kRate),
                                          samples.begin() + static_cast<std::ptrdiff_t>(0.7 * kRate));
  EXPECT_NEAR(loudest, 0.8, 0.04);
}

TEST(PreviewWave, EightBitPcmInBothCodings) {
  const std::string bytes("\x00\x01\x7F\x80\xFF", 5);
  EXPECT_EQ(DecodeWave(WaveEncoding::kPcm8Signed, 8000, bytes).samples,
            (std::vector<int16_t>{0, 256, 32512, -32768, -256}));
  EXPECT_EQ(DecodeWave(WaveEncoding::kPcm8Unsigned, 8000, bytes).samples,
            (std::vector<int16_t>{-32768, -32512, -256, 0, 32512}));
  EXPECT_EQ(DecodeWave(WaveEncoding::kAdpcm, 8000, bytes).samples.size(), 10u);
  EXPECT_TRUE(DecodeWave(WaveEncoding::kAdpcm, 8000, "").samples.empty());
}

}  // namespace
