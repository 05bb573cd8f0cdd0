#include "audio_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include <gtest/gtest.h>

#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"

namespace test_support {
namespace {

// Iterative radix-2 FFT in place.
void Fft(std::vector<std::complex<double>>& data) {
  const size_t n = data.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(length));
    for (size_t start = 0; start < n; start += length) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < length / 2; ++k, w *= step) {
        const std::complex<double> even = data[start + k];
        const std::complex<double> odd = data[start + k + length / 2] * w;
        data[start + k] = even + odd;
        data[start + k + length / 2] = even - odd;
      }
    }
  }
}

}  // namespace

std::vector<float> RenderSmaf(const std::string& smaf) {
  const chimekit::preview::PreviewScore score = chimekit::preview::ReadPreviewScore(smaf);
  chimekit::preview::PreviewOptions options;
  options.output_channels = 1;
  std::vector<float> samples;
  chimekit::preview::RenderPreview(score, options, [&](const int16_t* pcm, size_t count) {
    for (size_t i = 0; i < count; ++i) samples.push_back(static_cast<float>(pcm[i]) / 32768.0f);
  });
  return samples;
}

std::vector<float> RenderMidi(const std::string& midi) {
  midifile::TMidiFile file;
  file.ReadBytes(midi);
  return RenderSmaf(chimekit::smaf::ConvertToSmaf(file).bytes);
}

std::vector<double> Spectrum(const std::vector<float>& samples, size_t begin, size_t length, size_t size) {
  std::vector<std::complex<double>> data(size);
  length = std::min({length, size, samples.size() - std::min(begin, samples.size())});
  for (size_t i = 0; i < length; ++i) {
    const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length));
    data[i] = samples[begin + i] * window;
  }
  Fft(data);
  std::vector<double> magnitude(size / 2);
  for (size_t i = 0; i < magnitude.size(); ++i) magnitude[i] = std::abs(data[i]);
  return magnitude;
}

std::vector<double> PeakFrequencies(const std::vector<double>& spectrum, size_t size, double share) {
  const double largest = *std::max_element(spectrum.begin(), spectrum.end());
  std::vector<double> peaks;
  for (size_t i = 1; i + 1 < spectrum.size(); ++i) {
    const double a = spectrum[i - 1], b = spectrum[i], c = spectrum[i + 1];
    if (b < share * largest || b < a || b <= c) continue;
    const double shift = 0.5 * (a - c) / (a - 2 * b + c);  // parabola through three bins
    peaks.push_back((static_cast<double>(i) + shift) * kRate / static_cast<double>(size));
  }
  return peaks;
}

std::vector<double> Onsets(const std::vector<float>& sound) {
  constexpr size_t kWindow = 512;
  // Silence before the start, so that a note at time 0 has a rise too.
  std::vector<float> samples(kWindow, 0.0f);
  samples.insert(samples.end(), sound.begin(), sound.end());
  constexpr size_t kHop = 110;  // 2.5 ms
  std::vector<double> flux;
  constexpr double kFloor = -2.0;  // log level of silence
  std::vector<double> previous(kWindow / 2, kFloor);
  for (size_t begin = 0; begin + kWindow <= samples.size(); begin += kHop) {
    const bool silent = std::all_of(samples.begin() + begin, samples.begin() + begin + kWindow,
                                    [](float s) { return s == 0.0f; });
    std::vector<double> level(kWindow / 2, kFloor);
    if (!silent) {
      const std::vector<double> spectrum = Spectrum(samples, begin, kWindow, kWindow);
      for (size_t i = 0; i < level.size(); ++i) level[i] = std::log10(1e-2 + spectrum[i]);
    }
    double rise = 0.0;
    for (size_t i = 0; i < level.size(); ++i) rise += std::max(0.0, level[i] - previous[i]);
    flux.push_back(rise);
    previous = level;
  }
  // The largest rise within 20 ms either side, if it is large enough. The
  // rise peaks when the onset lies in the last part of the window.
  constexpr double kLeast = 15.0;
  constexpr size_t kAround = 8;
  std::vector<double> onsets;
  for (size_t i = 0; i < flux.size(); ++i) {
    if (flux[i] < kLeast) continue;
    const size_t from = i >= kAround ? i - kAround : 0;
    const size_t to = std::min(flux.size(), i + kAround + 1);
    const auto largest = std::max_element(flux.begin() + static_cast<std::ptrdiff_t>(from),
                                          flux.begin() + static_cast<std::ptrdiff_t>(to));
    if (largest != flux.begin() + static_cast<std::ptrdiff_t>(i)) continue;
    onsets.push_back((static_cast<double>(i * kHop + kWindow * 7 / 8) - kWindow) / kRate);
  }
  return onsets;
}

std::vector<double> Levels(const std::vector<float>& samples, int key) {
  const auto window = static_cast<size_t>(std::lround(4 * kRate / KeyHertz(key)));
  std::vector<double> levels;
  for (size_t center = window / 2; center + window / 2 < samples.size(); center += 22) {
    double sum = 0.0;
    for (size_t i = center - window / 2; i < center + window / 2; ++i) sum += samples[i] * samples[i];
    levels.push_back(10.0 * std::log10(sum / static_cast<double>(window) + 1e-30));
  }
  return levels;
}

double Fundamental(const std::vector<float>& samples, double from) {
  constexpr size_t kSize = 32768;
  const std::vector<double> spectrum =
      Spectrum(samples, static_cast<size_t>(from * kRate), static_cast<size_t>(0.4 * kRate), kSize);
  std::vector<double> peaks = PeakFrequencies(spectrum, kSize, 0.25);
  std::erase_if(peaks, [](double hertz) { return hertz < 20.0; });
  if (peaks.empty()) return 0.0;
  const auto level = [&](double hertz) { return spectrum[static_cast<size_t>(std::lround(hertz * kSize / kRate))]; };
  double fundamental = peaks.front();
  for (double hertz : peaks) {
    if (hertz < peaks.front() * 1.06 && level(hertz) > level(fundamental)) fundamental = hertz;
  }
  return fundamental;
}

double AttackSeconds(int rate, int key) { return 2.826 * std::exp2(-(4 * rate + key / 32 - 4) / 4.0); }
double ReleaseDbPerSecond(int rate, int key) { return 96.0 / (39.28 * std::exp2(-(4 * rate + key / 32 - 4) / 4.0)); }

double Semitones(double from_hertz, double to_hertz) { return 12.0 * std::log2(to_hertz / from_hertz); }
double KeyHertz(int key) { return 440.0 * std::exp2((key - 69) / 12.0); }

void ExpectPitchAttackRelease(const std::vector<float>& note, int key, double held, int attack_rate,
                              int release_rate) {
  const double expected = KeyHertz(key);
  EXPECT_NEAR(Fundamental(note, 0.15), expected, 0.01 * expected);

  const std::vector<double> levels = Levels(note, key);
  const double window = 2 / KeyHertz(key);  // the first level's time
  const auto at = [&](double seconds) { return levels[static_cast<size_t>((seconds - window) * kRate / 22)]; };
  const double level = at(0.4);
  // The attack reaches the held level (within 1 dB) after two thirds of its
  // time from silence to the peak (96 dB to 1 dB of a fall in dB that slows
  // as it nears the peak, 96 dB to 0.1 dB in the whole time).
  const auto first = std::find_if(levels.begin(), levels.end(), [&](double l) { return l > level - 1.0; });
  const double reached = window + static_cast<double>(first - levels.begin()) * 22 / kRate;
  const double attack = AttackSeconds(attack_rate, key);
  EXPECT_NEAR(reached, std::log(96.0) / std::log(960.0) * attack, 0.1 * attack);
  // From the key-off on, the level falls in a straight line in dB.
  EXPECT_NEAR(at(held - 0.02), level, 0.5);
  const double slope = (at(held + 0.05) - at(held + 0.2)) / 0.15;
  EXPECT_NEAR(slope, ReleaseDbPerSecond(release_rate, key), 0.1 * ReleaseDbPerSecond(release_rate, key));
}

}  // namespace test_support
