// `chimekit play` on a Mobile Standard song built here from the format's
// facts: one four-operator voice per algorithm, each note at its key's
// pitch (within 1%), rising at its carriers' attack rate from its time and
// falling at their release rate from its gate's end as the envelope's
// figures put them; a sampled voice (a sine wave chunk in the stream PCM)
// at two keys an octave apart; a drum channel's FM voice at the key its
// body names, and a drum key that plays a stream PCM wave of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "audio_analysis.h"
#include "support/run_command.h"
#include "support/smaf_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace test_support::smaf_bytes;
using test_support::Fundamental;
using test_support::kRate;

// A voice message of the setup: F0, its length, 43 79 07 7F 01, bank MSB
// and LSB, program, drum key, voice type, the voice, F7.
std::string VoiceMessage(int bank_msb, int program, int drum_key, int type, const std::string& body) {
  const std::string message = B({0x43, 0x79, 0x07, 0x7F, 0x01, bank_msb, 0, program, drum_key, type}) + body + B({0xF7});
  return B({0xF0}) + Num(static_cast<uint32_t>(message.size())) + message;
}

struct Op {
  int attack, release, total_level, multiplier, waveform, feedback;
  bool hold;  // XOF: the envelope goes on as if the key were held
};

// An FM operator's seven bytes: SR XOF SUS KSR; RR DR; AR SL; TL KSL;
// AM and vibrato; MULTI DT; WS FB.
std::string OperatorBytes(const Op& op) {
  return B({op.hold ? 0x08 : 0x00, op.release << 4, op.attack << 4, op.total_level << 2, 0x00, op.multiplier << 4,
            op.waveform << 3 | op.feedback});
}

// An FM voice: drum key, panpot 15 and basic octave 1 (as played), LFO 0
// and the algorithm, then its operators.
std::string FmVoiceBody(int drum_key, int algorithm, const std::vector<Op>& ops) {
  std::string body = B({drum_key, 15 << 3 | 1, algorithm});
  for (const Op& op : ops) body += OperatorBytes(op);
  return body;
}

constexpr int kAttackRate = 6;
constexpr int kReleaseRate = 6;
constexpr double kHeld = 0.6;
constexpr int kCarriers[8] = {0b0010, 0b0011, 0b1111, 0b1000, 0b1000, 0b1010, 0b1001, 0b1101};

// Modulators of several waveforms and multiples keep their level from the
// start; the carriers rise and fall at the rates under test.
std::string AlgorithmVoice(int algorithm) {
  std::vector<Op> ops = {{15, 15, 44, 1, 0, 3, true}, {15, 15, 46, 2, 16, 0, true}, {15, 15, 46, 1, 8, 2, true},
                         {15, 15, 44, 1, 0, 0, true}};
  ops.resize(algorithm <= 1 ? 2 : 4);
  for (size_t k = 0; k < ops.size(); ++k) {
    if ((kCarriers[algorithm] >> k & 1) != 0) ops[k] = {kAttackRate, kReleaseRate, 0, 1, 0, ops[k].feedback, false};
  }
  return FmVoiceBody(0, algorithm, ops);
}

// 100 cycles of a sine of 40 samples, 8-bit PCM at 16 kHz: 400 Hz.
std::string SineWaveChunk() {
  std::string samples;
  for (int i = 0; i < 4000; ++i) samples.push_back(static_cast<char>(std::lround(100.0 * std::sin(2.0 * std::numbers::pi * i / 40.0))));
  return Chunk("Mwa\x01", B({0x01, 16000 >> 8, 16000 & 0xFF}) + samples);  // mono, PCM, 8 bits; the rate
}

// A sampled voice of wave 1 at 16 kHz, instant attack and release, looping
// the wave's last cycle (3960 to 4000).
std::string SampledVoiceBody() {
  return B({16000 >> 8, 16000 & 0xFF, 15 << 3, 0x00, 0x00, 0xF0, 0xF0, 0x00, 0x00, 0x00, 0x00, 3960 >> 8, 3960 & 0xFF,
            4000 >> 8, 4000 & 0xFF, 0x01});
}

std::string Note(uint32_t delta, int channel, int key, uint32_t gate) {
  return Num(delta) + B({0x90 | channel, key, 127}) + Num(gate);
}

int AlgorithmKey(int algorithm) { return algorithm % 2 == 0 ? 57 : 81; }

// Channels 0 to 7 play one note each of the voice of their algorithm (bank
// 0x7C, program = algorithm), 2 s apart; channel 8 the sampled voice at
// keys 60 and 72 at 16 s and 17 s; channel 9, a drum channel (bank 0x7D),
// key 36 at 19 s, whose voice sounds at key 69, and key 0 at 20 s, which
// has no voice and plays stream PCM wave 1. One millisecond a unit.
std::string Song() {
  std::string setup;
  for (int algorithm = 0; algorithm < 8; ++algorithm) setup += VoiceMessage(0x7C, algorithm, 0, 0, AlgorithmVoice(algorithm));
  setup += VoiceMessage(0x7C, 8, 0, 1, SampledVoiceBody());
  setup += VoiceMessage(0x7D, 0, 36, 0,
                        FmVoiceBody(69, 1, {{0, 15, 63, 1, 0, 0, false}, {15, 15, 0, 1, 0, 0, false}}));
  std::string events;
  for (int channel = 0; channel < 10; ++channel) {
    events += Num(0) + B({0xB0 | channel, 0, channel == 9 ? 0x7D : 0x7C}) + Num(0) + B({0xB0 | channel, 32, 0}) +
              Num(0) + B({0xC0 | channel, channel == 9 ? 0 : channel});
  }
  for (int algorithm = 0; algorithm < 8; ++algorithm) {
    events += Note(algorithm == 0 ? 0 : 2000, algorithm, AlgorithmKey(algorithm), static_cast<uint32_t>(kHeld * 1000));
  }
  events += Note(2000, 8, 60, 500) + Note(1000, 8, 72, 500) + Note(2000, 9, 36, 500) + Note(1000, 9, 0, 500);
  events += Num(1000) + B({0xFF, 0x2F, 0x00});
  std::string status(16, '\x01');  // melody
  status[9] = 0x03;                // rhythm
  return File(Cnti() + Mtr(5, 2, 0x00, 0x00, status,
                           Chunk("Mtsu", setup) + Chunk("Mtsq", events) + Chunk("Mtsp", SineWaveChunk())));
}

class PreviewPlayVoices : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const test_support::TempDir dir;
    const auto played =
        test_support::RunChimekit({"play", dir.Write("song.mmf", Song()), dir.Path("song.wav"), "--mono"});
    ASSERT_EQ(played.exit_code, 0) << played.err;
    summary_ = new std::string(played.out);
    const std::string wav = test_support::ReadFileBytes(dir.Path("song.wav"));
    samples_ = new std::vector<float>;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) {
      samples_->push_back(static_cast<int16_t>(static_cast<uint8_t>(wav[i]) | static_cast<uint8_t>(wav[i + 1]) << 8) /
                          32768.0f);
    }
  }
  static void TearDownTestSuite() {
    delete samples_;
    delete summary_;
  }
  // The song's sound from `seconds` on for `length` seconds.
  static std::vector<float> From(double seconds, double length) {
    const auto begin = static_cast<size_t>(seconds * kRate);
    const size_t end = std::min(samples_->size(), begin + static_cast<size_t>(length * kRate));
    return begin < end ? std::vector<float>(samples_->begin() + static_cast<std::ptrdiff_t>(begin),
                                            samples_->begin() + static_cast<std::ptrdiff_t>(end))
                       : std::vector<float>();
  }
  static std::vector<float>* samples_;
  static std::string* summary_;
};

std::vector<float>* PreviewPlayVoices::samples_ = nullptr;
std::string* PreviewPlayVoices::summary_ = nullptr;

TEST_F(PreviewPlayVoices, WhatWasReadAndWhatPlayed) {
  EXPECT_TRUE(summary_->starts_with("input: SMAF file, score tracks: 1 (Mobile Standard), notes: 12, audio tracks: 0\n"
                                    "played: 12 notes (9 on the file's FM voices, 3 on its sampled voices and stream "
                                    "PCM)\nrendered: "))
      << *summary_;
}

TEST_F(PreviewPlayVoices, EveryAlgorithmAtItsPitchWithItsAttackAndRelease) {
  for (int algorithm = 0; algorithm < 8; ++algorithm) {
    const int key = AlgorithmKey(algorithm);
    SCOPED_TRACE("algorithm " + std::to_string(algorithm) + " key " + std::to_string(key));
    const std::vector<float> note = From(2.0 * algorithm, 2.0);
    ASSERT_EQ(note.size(), static_cast<size_t>(2.0 * kRate));
    test_support::ExpectPitchAttackRelease(note, key, kHeld, kAttackRate, kReleaseRate);
  }
}

TEST_F(PreviewPlayVoices, SampledAndDrumVoicesAtTheirPitch) {
  struct Case {
    const char* what;
    double at;  // seconds
    double hertz;
  };
  const Case cases[] = {
      {"the sampled voice at key 60 plays the wave at its rate", 16.0, 400.0},
      {"key 72, an octave up", 17.0, 800.0},
      {"the drum voice of key 36 sounds at its body's drum key 69", 19.0, 440.0},
      {"drum key 0 without a voice: stream PCM wave 1 at its rate", 20.0, 400.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(Fundamental(From(c.at, 0.5), 0.05), c.hertz, 0.01 * c.hertz) << c.what;
  }
  // The sampled voice loops the wave's last cycle for as long as the key is
  // held: at the same level after the wave's 0.25 s as before.
  const auto rms = [](const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples) sum += s * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
  };
  EXPECT_NEAR(rms(From(16.35, 0.1)) / rms(From(16.05, 0.1)), 1.0, 0.05);
}

}  // namespace
