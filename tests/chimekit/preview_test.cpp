// The preview renderer heard through an FFT: single notes sound at their
// pitch and for their length, rests are silent, programs of different
// families sound different, the file's own voice messages and the pan,
// volume and expression controls are followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "audio_analysis.h"
#include "chimekit/preview/preview.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "chimekit/smaf/convert.h"
#include "chimekit/smaf/instr.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"
#include "support/smf_builder.h"

namespace {

using test_support::kRate;
using test_support::Smf;
using test_support::Track;

// 96 ticks per quarter at 120 BPM: a 10 ms timebase, 96 ticks = 500 ms.
constexpr int kDivision = 96;
constexpr double kTimebase = 0.010;

std::string SingleNote(int program, int key, const Track& controls = Track()) {
  Track track = controls;
  track.Program(0, 0, program).NoteOn(0, 0, key, 100).NoteOff(96, 0, key);
  return Smf(0, kDivision, {track.EndOfTrack()});
}

std::string Converted(const std::string& midi) {
  midifile::TMidiFile file;
  file.ReadBytes(midi);
  return chimekit::smaf::ConvertToSmaf(file).bytes;
}

// The levels of the first 12 harmonics in dB below the strongest bin
// (floored at -60), measured over the held part of a note: a timbre that
// does not depend on the pitch.
std::vector<double> Harmonics(const std::vector<float>& samples, int key) {
  constexpr size_t kSize = 32768;
  const std::vector<double> spectrum = test_support::Spectrum(samples, 2205, 17640, kSize);
  const double top = *std::max_element(spectrum.begin(), spectrum.end());
  std::vector<double> levels;
  for (int harmonic = 1; harmonic <= 12; ++harmonic) {
    const auto bin = static_cast<size_t>(std::lround(test_support::KeyHertz(key) * harmonic * kSize / kRate));
    const double peak = *std::max_element(spectrum.begin() + static_cast<std::ptrdiff_t>(bin - 3),
                                          spectrum.begin() + static_cast<std::ptrdiff_t>(bin + 4));
    levels.push_back(std::max(-60.0, 20.0 * std::log10(peak / top)));
  }
  return levels;
}

// Root mean square difference of two harmonic profiles, in dB.
double Distance(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum / static_cast<double>(a.size()));
}

double Rms(const std::vector<float>& samples, size_t begin, size_t end) {
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) sum += samples[i] * samples[i];
  return std::sqrt(sum / static_cast<double>(end - begin));
}

TEST(Preview, SingleNotesSoundAtTheirPitch) {
  // Piano, mallet, organ, guitar, bass, strings, brass, reed, pipe, lead, pad.
  for (int program : {0, 11, 16, 24, 33, 40, 56, 65, 73, 80, 89}) {
    for (int key : {45, 57, 69, 81}) {
      const std::vector<float> samples = test_support::RenderMidi(SingleNote(program, key));
      const std::vector<double> spectrum = test_support::Spectrum(samples, 2205, 17640, 32768);
      std::vector<double> peaks = test_support::PeakFrequencies(spectrum, 32768, 0.25);
      std::erase_if(peaks, [](double hertz) { return hertz < 20.0; });
      ASSERT_FALSE(peaks.empty());
      // The lowest partial: its strongest line, the lines of vibrato beside it
      // being weaker.
      const auto level = [&](double hertz) { return spectrum[static_cast<size_t>(std::lround(hertz * 32768 / kRate))]; };
      double fundamental = peaks.front();
      for (double hertz : peaks) {
        if (hertz < peaks.front() * 1.06 && level(hertz) > level(fundamental)) fundamental = hertz;
      }
      const double expected = test_support::KeyHertz(key);
      EXPECT_NEAR(fundamental, expected, 0.01 * expected) << "program " << program << " key " << key;
    }
  }
}

TEST(Preview, AHeldNoteOf500MsLasts500Ms) {
  // Voices that hold their level while the key is down: the sound is
  // within 3 dB of that level for as long as the key is held.
  for (int program : {16, 21, 29, 38}) {
    const std::vector<float> samples = test_support::RenderMidi(SingleNote(program, 69));
    constexpr size_t kStep = 44;  // 1 ms
    std::vector<double> levels;
    for (size_t at = 0; at + kStep <= samples.size(); at += kStep) levels.push_back(Rms(samples, at, at + kStep));
    std::vector<double> held(levels.begin() + 100, levels.begin() + 400);
    std::nth_element(held.begin(), held.begin() + 150, held.end());
    const auto loud = [&](double level) { return level >= held[150] / std::sqrt(2.0); };
    const auto first = std::find_if(levels.begin(), levels.end(), loud);
    const auto last = std::find_if(levels.rbegin(), levels.rend(), loud);
    const double seconds = static_cast<double>((levels.rend() - last) - (first - levels.begin())) * kStep / kRate;
    EXPECT_NEAR(seconds, 0.5, kTimebase) << "program " << program;
  }
}

TEST(Preview, RestsAreSilent) {
  // A note, a rest of three seconds, a note: once the first has died away
  // every sample is 0 until the second. A drum key outside 35 to 81 is
  // converted to a rest of its own length: all silence.
  Track track;
  track.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).NoteOn(576, 0, 64, 100).NoteOff(96, 0, 64);
  const std::vector<float> samples = test_support::RenderMidi(Smf(0, kDivision, {track.EndOfTrack()}));
  ASSERT_GT(samples.size(), static_cast<size_t>(3.6 * kRate));
  EXPECT_GT(Rms(samples, 0, static_cast<size_t>(0.5 * kRate)), 0.01);
  EXPECT_TRUE(std::all_of(samples.begin() + static_cast<std::ptrdiff_t>(2.5 * kRate),
                          samples.begin() + static_cast<std::ptrdiff_t>(3.5 * kRate), [](float s) { return s == 0; }));
  EXPECT_GT(Rms(samples, static_cast<size_t>(3.5 * kRate), static_cast<size_t>(3.6 * kRate)), 0.01);

  Track drum;
  drum.NoteOn(0, 9, 30, 100).NoteOff(192, 9, 30);
  const std::vector<float> quiet = test_support::RenderMidi(Smf(0, kDivision, {drum.EndOfTrack()}));
  EXPECT_EQ(quiet.size(), static_cast<size_t>(kRate));
  EXPECT_TRUE(std::all_of(quiet.begin(), quiet.end(), [](float s) { return s == 0; }));
}

TEST(Preview, ProgramsOfDifferentFamiliesSoundDifferent) {
  const auto profile = [](int program, int key) {
    return Harmonics(test_support::RenderMidi(SingleNote(program, key)), key);
  };
  // piano and flute, organ and violin, guitar and trumpet, vibraphone and
  // saxophone, synth lead and bass
  for (auto [a, b] : {std::pair{0, 73}, {16, 40}, {24, 56}, {11, 65}, {80, 33}}) {
    EXPECT_GT(Distance(profile(a, 69), profile(b, 69)), 6.0) << a << " and " << b;
    // The measure is one of timbre: a semitone higher the voice is the same.
    EXPECT_LT(Distance(profile(a, 69), profile(a, 70)), 1.0) << a;
  }
}

TEST(Preview, TheFilesOwnVoiceMessagesArePlayed) {
  // A piano note whose voice message carries the flute's parameters sounds
  // like the flute.
  std::string smaf = Converted(SingleNote(0, 69));
  const std::string piano = std::string(chimekit::smaf::InstrRecord(0));
  const std::string flute = std::string(chimekit::smaf::InstrRecord(73));
  const size_t at = smaf.find("\x43\x03\x00\x00\x00", 0, 5) + 5;
  for (size_t i = 0; i < 12; ++i) smaf[at + i] = static_cast<char>(std::stoi(flute.substr(4 + 2 * i, 2), nullptr, 16));
  ASSERT_NE(piano, flute);
  const std::vector<double> played = Harmonics(test_support::RenderSmaf(smaf), 69);
  EXPECT_LT(Distance(played, Harmonics(test_support::RenderMidi(SingleNote(73, 69)), 69)), 0.5);
  EXPECT_GT(Distance(played, Harmonics(test_support::RenderMidi(SingleNote(0, 69)), 69)), 6.0);

  // A file the reader cannot read whole is not played.
  EXPECT_THROW(chimekit::preview::ReadPreviewScore(std::string_view(smaf).substr(0, smaf.size() - 9)),
               midifile::ConversionError);
}

TEST(Preview, PanVolumeAndExpressionSetTheLevels) {
  struct Case {
    const char* what;
    Track controls;
    double left;  // RMS relative to a note with no controls, in the middle
    double right;
  };
  const std::vector<Case> cases = {
      {"pan right", Track().Control(0, 0, 10, 127), 0.0, 1.0},  // the far side fades out
      {"pan left", Track().Control(0, 0, 10, 1), 1.0, 0.0},
      {"half volume", Track().Control(0, 0, 7, 64), 0.25, 0.25},  // level follows the square
      {"pressure 64", Track().Raw(0, {0xD0, 64}), 0.25, 0.25},    // channel pressure: expression
  };
  const auto stereo = [](const std::string& midi) {
    const chimekit::preview::PreviewScore score =
        chimekit::preview::ReadPreviewScore(Converted(midi));
    std::vector<float> left, right;
    chimekit::preview::RenderPreview(score, {}, [&](const int16_t* pcm, size_t count) {
      for (size_t i = 0; i + 1 < count; i += 2) {
        left.push_back(pcm[i] / 32768.0f);
        right.push_back(pcm[i + 1] / 32768.0f);
      }
    });
    const size_t end = static_cast<size_t>(0.4 * kRate);
    return std::pair{Rms(left, 4410, end), Rms(right, 4410, end)};
  };
  const auto [middle_left, middle_right] = stereo(SingleNote(80, 69, Track().Control(0, 0, 7, 127)));
  EXPECT_NEAR(middle_left, middle_right, 1e-3);
  for (const Case& c : cases) {
    Track controls = c.controls;
    if (std::string(c.what).find("volume") == std::string::npos) controls.Control(0, 0, 7, 127);
    const auto [left, right] = stereo(SingleNote(80, 69, controls));
    EXPECT_NEAR(left / middle_left, c.left, 0.05) << c.what;
    EXPECT_NEAR(right / middle_right, c.right, 0.05) << c.what;
  }
}

TEST(Preview, DamagedRingtonesAreRefusedOrPlayedWithinTheLimit) {
  // A few bytes of a sound ringtone overwritten: it is refused as damaged,
  // or it plays, no longer than the limit.
  Track song;
  song.Control(0, 1, 10, 20).NoteOn(0, 1, 70, 100).NoteOn(0, 0, 30, 100).NoteOff(48, 0, 30).NoteOff(0, 1, 70);
  const std::string ringtone = Converted(SingleNote(40, 100, song));
  chimekit::preview::PreviewOptions options;
  options.length_ms = 1000;
  options.allow_empty = true;  // a change that leaves no note is not the damage looked for
  std::mt19937 random(20240611);
  for (int round = 0; round < 100; ++round) {
    std::string changed = ringtone;
    for (auto n = 1 + random() % 3; n > 0; --n) changed[random() % changed.size()] = static_cast<char>(random());
    try {
      EXPECT_LE(chimekit::preview::PreviewRingtone(changed, options).frames, static_cast<uint64_t>(kRate));
    } catch (const midifile::ConversionError& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with("damaged SMAF file: at 0x")) << error.what();
    }
  }
}

}  // namespace
