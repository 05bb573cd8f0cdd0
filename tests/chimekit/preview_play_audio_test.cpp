// `chimekit play` on audio tracks as Debian's ffmpeg writes them (a sine and
// a sweep at 8 and 22.05 kHz): the WAV file holds ffmpeg's own decode of
// the wave, within 1 LSB at every sample of the wave's rate, from the time
// the track's sequence starts it (ffmpeg's own file, and its wave in a
// sequence built here that starts it twice, stopping it after 0.5 s the
// first time) and silence where nothing plays. And what plays nothing is
// not played silently: named in the summary, refused unless --allow-empty.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/smaf_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace test_support::smaf_bytes;
using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::RunProgram;

constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";
constexpr int64_t kRate = 44100;

std::vector<int16_t> LittleEndian16(const std::string& bytes, size_t from, size_t step) {
  std::vector<int16_t> samples;
  for (size_t i = from; i + 1 < bytes.size(); i += step) {
    samples.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  return samples;
}

// The left channel of a 16-bit stereo WAV file written by the tool (a
// 44-byte header).
std::vector<int16_t> LeftChannel(const std::string& wav) { return LittleEndian16(wav, 44, 4); }

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i));
  return value;
}

// A chunk of the file by its name, header included.
std::string FindChunk(const std::string& file, const std::string& id) {
  const size_t at = file.find(id);
  return at == std::string::npos ? "" : file.substr(at, 8 + BigEndian32(file, at + 4));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Compares the output with the wave started at `start` (output samples)
// for `frames` output samples, at the instants where a sample of the wave
// falls on one of the output; the largest difference.
int32_t WorstDifference(const std::vector<int16_t>& out, const std::vector<int16_t>& wave, int64_t rate, int64_t start,
                        int64_t frames) {
  int32_t worst = 0;
  // Wave sample i sounds at output sample i * 44100 / rate; whole when
  // i is a multiple of rate / gcd.
  const int64_t step = rate == 8000 ? 80 : 1;
  for (int64_t i = 0; i < static_cast<int64_t>(wave.size()); i += step) {
    const int64_t at = i * kRate / rate;
    if (at >= frames) break;
    worst = std::max(worst, std::abs(static_cast<int32_t>(out.at(static_cast<size_t>(start + at))) - wave[static_cast<size_t>(i)]));
  }
  return worst;
}

bool Silent(const std::vector<int16_t>& out, double from, double to) {
  for (auto i = static_cast<size_t>(from * kRate); i < static_cast<size_t>(to * kRate) && i < out.size(); ++i) {
    if (out[i] != 0) return false;
  }
  return true;
}

TEST(PreviewPlayAudio, FfmpegWavesPlayAsFfmpegDecodesThemAtTheirTimes) {
  ASSERT_EQ(RunProgram(kFfmpeg, {"-version"}).exit_code, 0) << "Debian's ffmpeg is needed";
  const test_support::TempDir dir;
  struct Source {
    const char* name;
    const char* filter;
  };
  const Source sources[] = {
      {"sine", "aevalsrc=0.8*sin(2*PI*440*t):s=44100:d=2"},
      {"sweep", "aevalsrc=0.8*sin(2*PI*(100*t+900*t*t)):s=44100:d=2"},  // 100 Hz to 3.7 kHz
  };
  for (const Source& source : sources) {
    for (const int64_t rate : {8000, 22050}) {
      const std::string name = std::string(source.name) + std::to_string(rate);
      SCOPED_TRACE(name);
      const std::string mmf = dir.Path(name + ".mmf");
      ASSERT_EQ(RunProgram(kFfmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", source.filter, "-ar",
                                     std::to_string(rate), "-f", "mmf", mmf})
                    .exit_code,
                0);
      ASSERT_EQ(RunProgram(kFfmpeg, {"-loglevel", "error", "-i", mmf, "-f", "s16le", dir.Path(name + ".raw")}).exit_code,
                0);
      const std::vector<int16_t> wave = LittleEndian16(ReadFileBytes(dir.Path(name + ".raw")), 0, 2);
      ASSERT_GT(wave.size(), static_cast<size_t>(rate));
      const auto wave_frames = static_cast<int64_t>(wave.size()) * kRate / rate;

      // ffmpeg's file: its sequence plays the wave from the start for as
      // long as it lasts (up to the last few milliseconds, where its gate
      // ends it).
      const auto played = RunChimekit({"play", mmf, dir.Path(name + ".wav")});
      ASSERT_EQ(played.exit_code, 0) << played.err;
      EXPECT_TRUE(played.out.starts_with("input: SMAF file, score tracks: 0, notes: 0, audio tracks: 1 (1 wave)\n"
                                         "played: 0 notes, 1 wave\n"))
          << played.out;
      const std::vector<int16_t> whole = LeftChannel(ReadFileBytes(dir.Path(name + ".wav")));
      EXPECT_LE(WorstDifference(whole, wave, rate, 0, wave_frames - kRate / 100), 1);

      // Its wave in a sequence of 1 ms units: from 0.25 s for 0.5 s, and
      // from 1.5 s for longer than it lasts.
      const std::string original = ReadFileBytes(mmf);
      const std::string atr = FindChunk(original, "ATR");
      const std::string header = atr.substr(8, 6);
      const std::string timed_header = header.substr(0, 4) + B({0x00, 0x00});
      const std::string sequence = Len(250) + B({0x01}) + Len(500) + Len(1250) + B({0x01}) + Len(2500) + Len(0) +
                                   B({0x00, 0x00, 0x00});
      const std::string timed = File(Cnti() + Chunk(std::string("ATR\0", 4), timed_header + Chunk("Atsq", sequence) +
                                                                 FindChunk(atr, "Awa")));
      const auto twice = RunChimekit({"play", dir.Write(name + "-timed.mmf", timed), dir.Path(name + "-timed.wav")});
      ASSERT_EQ(twice.exit_code, 0) << twice.err;
      EXPECT_TRUE(Contains(twice.out, "audio tracks: 1 (2 waves)\nplayed: 0 notes, 2 waves\nrendered: ")) << twice.out;
      const std::vector<int16_t> out = LeftChannel(ReadFileBytes(dir.Path(name + "-timed.wav")));
      EXPECT_GE(static_cast<int64_t>(out.size()), kRate * 3 / 2 + wave_frames - 1);
      EXPECT_TRUE(Silent(out, 1.5 + static_cast<double>(wave_frames + 1) / kRate, 10.0));
      EXPECT_TRUE(Silent(out, 0.0, 0.25));
      EXPECT_NE(out[kRate / 4], 0);
      EXPECT_LE(WorstDifference(out, wave, rate, kRate / 4, kRate / 2), 1);
      EXPECT_TRUE(Silent(out, 0.755, 1.5));  // stopped, with a fade of 2.4 ms
      EXPECT_LE(WorstDifference(out, wave, rate, kRate * 3 / 2, wave_frames), 1);
    }
  }
}

TEST(PreviewPlayAudio, WhatCannotPlayIsNamedAndNothingToPlayIsRefused) {
  const test_support::TempDir dir;
  // An audio track of 16-bit PCM at 8 kHz, mono: wave type 0x01, base bit 3.
  const std::string pcm16 =
      File(Cnti() + Chunk(std::string("ATR\0", 4), B({0x00, 0x00, 0x01, 0x03, 0x02, 0x02}) +
                                         Chunk("Atsq", Len(0) + B({0x01}) + Len(50) + Len(0) + B({0x00, 0x00, 0x00})) +
                                         Chunk("Awa\x01", std::string(400, '\x10'))));
  // A Mobile Standard note on a sampled voice of the handset's own wave 3
  // (its RM bit set), which the file does not hold.
  const std::string rom_voice =
      File(Cnti() + Mtr(5, 2, 0x02, 0x02, std::string(16, '\x01'),
                        Chunk("Mtsu", B({0xF0}) + Num(27) + B({0x43, 0x79, 0x07, 0x7F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}) +
                                          B({0x1F, 0x40, 0x78, 0x00, 0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0x00, 0x00, 0x10, 0x83, 0xF7})) +
                            Chunk("Mtsq", Num(0) + B({0x90, 60, 100}) + Num(100) + Num(0) + B({0xFF, 0x2F, 0x00}))));
  struct Case {
    const char* name;
    std::string file;
    std::string why;  // in the refusal and, with --allow-empty, in the summary
  };
  const Case cases[] = {
      {"pcm16", pcm16, "audio track 0: format not supported (PCM, 16 bits)"},
      {"rom", rom_voice, "score track 5: the sampled voice of program 0 plays wave 3, one of the handset's own, which "
                         "the file does not hold"},
      {"empty", File(Cnti()), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = dir.Write(std::string(c.name) + ".mmf", c.file);
    const std::string out = dir.Path(std::string(c.name) + ".wav");
    const auto refused = RunChimekit({"play", in, out});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_TRUE(Contains(refused.err, in + ": nothing to play: score tracks: ")) << refused.err;
    EXPECT_TRUE(Contains(refused.err, c.why + ": the WAV file would be silent, so nothing was written (--allow-empty "
                                              "writes it anyway)"))
        << refused.err;
    EXPECT_FALSE(test_support::FileExists(out));

    const auto allowed = RunChimekit({"play", in, out, "--allow-empty", "--mono"});
    EXPECT_EQ(allowed.exit_code, 0) << allowed.err;
    EXPECT_TRUE(Contains(allowed.out, "played: 0 notes")) << allowed.out;
    if (!c.why.empty()) {
      EXPECT_TRUE(Contains(allowed.out, "\nnot played: " + c.why + "\n")) << allowed.out;
    }
    const std::string wav = ReadFileBytes(out);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.find_first_not_of('\0', 44), std::string::npos) << "silence";
  }
}

}  // namespace
