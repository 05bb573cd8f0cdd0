// What the preview tests find in rendered sound: spectra (an FFT of their
// own), spectral peaks and note onsets.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace test_support {

inline constexpr double kRate = 44100.0;

// A MIDI file converted to SMAF as `chimekit smaf` does, then rendered in
// mono; samples scaled to -1..1.
std::vector<float> RenderMidi(const std::string& midi);
std::vector<float> RenderSmaf(const std::string& smaf);

// Magnitude spectrum of samples [begin, begin + length) under a Hann
// window, zero-padded to `size` (a power of two): size / 2 bins.
std::vector<double> Spectrum(const std::vector<float>& samples, size_t begin, size_t length, size_t size);

// Frequencies of the local maxima of at least `share` of the largest,
// refined between bins, lowest first.
std::vector<double> PeakFrequencies(const std::vector<double>& spectrum, size_t size, double share);

// Onset times in seconds: peaks of the rise of the log spectrum (spectral
// flux) every 2.5 ms.
std::vector<double> Onsets(const std::vector<float>& samples);

// The level in dB every half millisecond (22 samples): RMS over four
// periods of the key around each point, the first centred two periods in.
std::vector<double> Levels(const std::vector<float>& samples, int key);

// The strongest line near the lowest partial of at least a quarter of the
// strongest, over 0.4 s from `from` seconds; 0 when there is none.
double Fundamental(const std::vector<float>& samples, double from);

// The envelope's figures for a rate at a key without key scale rate: the
// attack from silence to the peak in seconds, the release's fall in dB per
// second.
double AttackSeconds(int rate, int key);
double ReleaseDbPerSecond(int rate, int key);

// Checks a note of one held key, started at the samples' beginning and let
// go after `held` seconds, under an envelope of those rates on every
// carrier: its pitch within 1%, its attack and its release where the rates
// put them.
void ExpectPitchAttackRelease(const std::vector<float>& note, int key, double held, int attack_rate,
                              int release_rate);

// Semitones from one frequency to another.
double Semitones(double from_hertz, double to_hertz);
double KeyHertz(int key);

}  // namespace test_support
