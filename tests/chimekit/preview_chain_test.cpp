// The whole chain, MIDI to SMAF to sound: in generated songs, the note
// onsets and pitches found in the rendered sound are those of the MIDI
// source, within one timebase unit and one semitone. The sequence encoding's
// octave shifts, chords spread over channels, drum parts and long rests
// (durations written with fillers) are what could go wrong on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "audio_analysis.h"
#include "support/smf_builder.h"

namespace {

using test_support::KeyHertz;
using test_support::kRate;

struct Note {
  uint32_t start;   // ticks
  uint32_t length;  // ticks
  int channel;
  int key;
};

struct Song {
  const char* name;
  int division;
  uint32_t tempo;       // microseconds per quarter note
  double timebase_ms;   // what the converter chooses for that tick
  std::vector<Note> notes;
};

// A format 0 file of the notes, each channel on its program; at one tick,
// releases come before new notes.
std::string MidiOf(const Song& song, const std::map<int, int>& programs) {
  struct Event {
    uint32_t tick;
    bool on;
    const Note* note;
  };
  std::vector<Event> events;
  for (const Note& note : song.notes) {
    events.push_back({note.start, true, &note});
    events.push_back({note.start + note.length, false, &note});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
  });
  test_support::Track track;
  track.Tempo(0, song.tempo);
  for (const auto& [channel, program] : programs) track.Program(0, channel, program);
  uint32_t now = 0;
  for (const Event& event : events) {
    if (event.on) track.NoteOn(event.tick - now, event.note->channel, event.note->key, 100);
    if (!event.on) track.NoteOff(event.tick - now, event.note->channel, event.note->key);
    now = event.tick;
  }
  return test_support::Smf(0, song.division, {track.EndOfTrack()});
}

std::vector<Song> Songs() {
  std::vector<Song> songs;
  // 96 ticks per quarter at 120 BPM: 5.2 ms per tick, a 10 ms timebase.
  Song melody{"melody", 96, 500000, 10, {}};
  const int tune[] = {60, 62, 64, 65, 67, 65, 64, 62, 60, 67, 72, 71, 69, 67};
  for (int i = 0; i < 14; ++i) melody.notes.push_back({static_cast<uint32_t>(48 * i), i % 3 == 2 ? 24u : 48u, 0, tune[i]});
  songs.push_back(melody);

  Song chords{"chords", 96, 500000, 10, {}};
  const int roots[] = {48, 53, 55, 50, 52, 57};
  for (int i = 0; i < 6; ++i) {
    for (int interval : {0, 4, 7}) chords.notes.push_back({static_cast<uint32_t>(96 * i), 90, 1, roots[i] + interval});
  }
  songs.push_back(chords);

  // Drums on MIDI channel 10 (keys 35 to 81 sound), a bass under them.
  Song drums{"drums", 96, 500000, 10, {}};
  const int kit[] = {36, 49, 42, 38, 45, 56, 50, 40};
  for (int i = 0; i < 8; ++i) {
    drums.notes.push_back({static_cast<uint32_t>(48 * i), 12, 9, kit[i]});
    if (i % 2 == 1) drums.notes.push_back({static_cast<uint32_t>(48 * i), 40, 2, 64 + i});
  }
  songs.push_back(drums);

  // Leaps of more than an octave, up to 4 octaves and back, and to both
  // ends of the keyboard the sequence's octave shifts must reach.
  Song leaps{"octave jumps", 96, 500000, 10, {}};
  const int keys[] = {60, 79, 43, 91, 40, 88, 60, 30, 84, 100, 52, 110, 36};
  for (int i = 0; i < 13; ++i) leaps.notes.push_back({static_cast<uint32_t>(48 * i), 40, 3, keys[i]});
  songs.push_back(leaps);

  // 480 ticks per quarter: a 4 ms timebase, so a rest of 70 s needs more
  // than the 16511 units one duration holds.
  Song rests{"long rests", 480, 500000, 4, {}};
  rests.notes = {{0, 240, 4, 67}, {960, 240, 4, 62}, {960 + 960 * 70, 480, 4, 70}, {960 * 72, 240, 4, 58}};
  songs.push_back(rests);
  return songs;
}

// The spectrum of what starts at `at` seconds: the level just after it
// minus the level just before it, so that notes still ringing drop out.
std::vector<double> NewSound(const std::vector<float>& samples, double at) {
  constexpr size_t kLength = 4096;
  constexpr size_t kSize = 16384;
  const auto onset = static_cast<size_t>(at * kRate);
  const size_t gap = static_cast<size_t>(0.01 * kRate);
  std::vector<double> after = test_support::Spectrum(samples, onset + gap, kLength, kSize);
  const size_t before_end = onset > gap ? onset - gap : 0;
  const size_t before_begin = before_end > kLength ? before_end - kLength : 0;
  const std::vector<double> before =
      test_support::Spectrum(samples, before_begin, before_end - before_begin, kSize);
  for (size_t i = 0; i < after.size(); ++i) after[i] = std::max(0.0, after[i] - before[i]);
  return after;
}

TEST(PreviewChain, OnsetsAndPitchesOfGeneratedSongsFollowTheMidiSource) {
  for (const Song& song : Songs()) {
    SCOPED_TRACE(song.name);
    std::map<int, int> programs;
    for (const Note& note : song.notes) programs[note.channel] = note.channel == 9 ? 0 : 8 * note.channel;
    const std::vector<float> samples = test_support::RenderMidi(MidiOf(song, programs));

    // Keys starting at each onset, in seconds.
    std::map<double, std::vector<int>> expected;
    const double seconds_per_tick = song.tempo / 1e6 / song.division;
    for (const Note& note : song.notes) expected[note.start * seconds_per_tick].push_back(note.key);
    const std::vector<double> found = test_support::Onsets(samples);
    ASSERT_EQ(found.size(), expected.size());

    const double tolerance = song.timebase_ms / 1000.0;
    size_t index = 0;
    for (const auto& [time, keys] : expected) {
      const double onset = found[index++];
      EXPECT_NEAR(onset, time, tolerance) << "keys from " << keys.front();
      const std::vector<double> peaks = test_support::PeakFrequencies(NewSound(samples, onset), 16384, 0.2);
      ASSERT_FALSE(peaks.empty()) << time;
      const int lowest = *std::min_element(keys.begin(), keys.end());
      EXPECT_LE(std::abs(test_support::Semitones(KeyHertz(lowest), peaks.front())), 1.0)
          << "at " << time << " s key " << lowest << " sounds at " << peaks.front() << " Hz";
      for (int key : keys) {
        const bool heard = std::any_of(peaks.begin(), peaks.end(), [&](double hertz) {
          return std::abs(test_support::Semitones(KeyHertz(key), hertz)) <= 1.0;
        });
        EXPECT_TRUE(heard) << "at " << time << " s key " << key;
      }
    }
  }
}

}  // namespace
