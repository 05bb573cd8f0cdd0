// The preview's decoding of SMAF waves against an independent tool: Debian's
// ffmpeg writes SMAF audio tracks of a sine and a sweep and decodes them
// itself; our decode of its files must agree with its own sample for
// sample, within 1 LSB. 8-bit PCM is checked against its definition.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "chimekit/preview/wave_data.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using chimekit::preview::DecodeWave;
using chimekit::preview::DecodedWave;
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
