// Reading SMAF files written by others than the reader: Debian's ffmpeg
// (audio tracks at every rate it writes, their waves as ffprobe reports
// them) and the project's own converter (a song's notes read back as mido
// reads the song: key, onset and length within one timebase unit, octave
// settings included).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "chimekit/ringtone/ringtone.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using chimekit::smafread::EventKind;
using chimekit::smafread::SmafScore;
using test_support::RunProgram;

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
  return fields;
}

TEST(SmafReadFiles, FfmpegAudioTracksAtEveryRate) {
  test_support::TempDir dir;
  for (const char* rate : {"4000", "8000", "11025", "22050", "44100"}) {
    const std::string path = dir.Path(std::string("tone") + rate + ".mmf");
    const auto made = RunProgram("/usr/bin/ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.7",
                                                     "-ar", rate, "-ac", "1", "-f", "mmf", "-y", path});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const auto probe = RunProgram("/usr/bin/ffprobe", {"-v", "error", "-show_entries",
                                                       "stream=codec_name,sample_rate,channels,duration", "-of",
                                                       "csv=p=0", path});
    ASSERT_EQ(probe.exit_code, 0) << probe.err;
    const std::vector<std::string> facts = Fields(probe.out.substr(0, probe.out.find('\n')), ',');
    ASSERT_EQ(facts.size(), 4u) << probe.out;  // codec, rate, channels, duration
    EXPECT_EQ(facts[0].substr(0, 6), "adpcm_");

    const std::string bytes = test_support::ReadFileBytes(path);
    const SmafScore score = chimekit::smafread::ReadSmafScore(bytes);
    ASSERT_EQ(score.audio_tracks.size(), 1u) << rate;
    EXPECT_TRUE(score.score_tracks.empty());
    const auto& track = score.audio_tracks[0];
    EXPECT_EQ(track.format, chimekit::smafread::WaveFormat::kAdpcm);
    EXPECT_EQ(std::to_string(track.rate_hz), facts[1]);
    EXPECT_EQ(std::to_string(track.channels), facts[2]);
    ASSERT_EQ(track.waves.size(), 1u);
    const auto& wave = track.waves[0];
    EXPECT_EQ(wave.number, 1);
    const uint64_t samples = uint64_t{wave.data.size} * 2;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(samples) / wave.rate_hz);
    EXPECT_EQ(seconds, facts[3]) << rate;
    // The wave plays from 0 for its length, within one timebase unit.
    ASSERT_FALSE(track.events.empty());
    EXPECT_EQ(track.events[0].kind, EventKind::kWave);
    EXPECT_EQ(track.events[0].key, 1);
    EXPECT_NEAR(static_cast<double>(track.events[0].gate_ms), 1000.0 * static_cast<double>(samples) / wave.rate_hz, track.gate_ms);
    // No score track: a MIDI file of the conductor track alone, and a
    // summary that says so.
    SmafScore streamed;
    EXPECT_EQ(chimekit::smafread::ReadSmafToMidi(bytes, streamed).summary.Text(),
              "score tracks: 0, notes: 0, audio tracks: 1");
    // ffmpeg writes no CRC and an option text where the OPDA's Dch chunks
    // belong: facts the listing names, no problem.
    const auto listing = chimekit::smafread::ListSmaf(bytes, score);
    EXPECT_TRUE(listing.ok) << listing.problems.front();
    for (const char* fact : {"no CRC: the chunks fill the MMMD chunk", "  vendor: \"Lavf"}) {
      EXPECT_TRUE(std::any_of(listing.lines.begin(), listing.lines.end(),
                              [&](const std::string& line) { return line.starts_with(fact); }))
          << fact;
    }
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(samples) / wave.rate_hz);
    const std::string line = "  Awa wave 1, " + std::to_string(wave.data.size) + " bytes: ADPCM, mono, 4 bits, " +
                             facts[1] + " Hz, " + std::to_string(samples) + " samples (" + seconds + " s)";
    EXPECT_NE(std::find(listing.lines.begin(), listing.lines.end(), line), listing.lines.end()) << line;
  }
}

struct SongNote {
  int key;
  double onset;
  double length;
};

// The song's notes as mido plays them.
std::vector<SongNote> SongNotes(const std::string& path) {
  const auto result = RunProgram("/usr/bin/python3", {CHIMEKIT_TESTS_DIR "/support/mido_notes.py", path});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::vector<SongNote> notes;
  std::stringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> fields = Fields(line, ' ');
    notes.push_back({std::stoi(fields[1]), std::stod(fields[2]), std::stod(fields[3])});
  }
  return notes;
}

// How many of `song`'s notes have a note of `other` (each used once) with
// the same key and with onset and length within one 4 ms unit.
size_t Matched(const std::vector<SongNote>& song, const std::vector<SongNote>& other) {
  constexpr double kUnit = 4.0;
  std::map<int, std::vector<SongNote>> by_key;
  for (const SongNote& note : other) by_key[note.key].push_back(note);
  size_t matched = 0;
  for (const SongNote& note : song) {
    auto& candidates = by_key[note.key];
    for (auto it = candidates.begin(); it != candidates.end(); ++it) {
      if (std::fabs(it->onset - note.onset) <= kUnit && std::fabs(it->length - note.length) <= kUnit) {
        candidates.erase(it);
        ++matched;
        break;
      }
    }
  }
  return matched;
}

// Every note of the song is read back from the converter's ringtone with
// its key, onset and length within one 4 ms unit, and nothing else; and so
// does mido from the MIDI file written of what was read.
void ExpectRoundTrip(const std::string& path) {
  const chimekit::RingtoneJob job = chimekit::MakeRingtone(test_support::ReadFileBytes(path), {});
  const SmafScore score = chimekit::smafread::ReadSmafScore(job.smaf.bytes);
  ASSERT_TRUE(score.problems.empty()) << path << ": " << score.problems.front().text;
  std::vector<SongNote> read;
  bool octave_settings = false;
  for (const auto& track : score.score_tracks) {
    for (const auto& event : track.events) {
      octave_settings = octave_settings || event.kind == EventKind::kOctaveSetting;
      if (event.kind != EventKind::kNote) continue;
      read.push_back({event.key, static_cast<double>(event.time_ms), static_cast<double>(event.gate_ms)});
    }
  }
  EXPECT_TRUE(octave_settings) << path;
  // These songs fit the sixteen slots: every note of the song is there.
  EXPECT_EQ(job.smaf.summary.notes_without_slot, 0) << path;
  const std::vector<SongNote> song = SongNotes(path);
  EXPECT_EQ(read.size(), song.size()) << path;
  EXPECT_EQ(Matched(song, read), song.size()) << path;

  test_support::TempDir dir;
  const std::string midi = dir.Write("back.mid", chimekit::smafread::SmafToMidi(job.smaf.bytes, score).bytes);
  const std::vector<SongNote> back = SongNotes(midi);
  EXPECT_EQ(back.size(), song.size()) << path;
  EXPECT_EQ(Matched(song, back), song.size()) << path;
}

TEST(SmafReadFiles, TheConvertersOutputGivesTheSongsNotes) {
  ExpectRoundTrip(CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid");
  test_support::TempDir dir;
  const auto made = RunProgram("/usr/bin/python3", {CHIMEKIT_TESTS_DIR "/../tools/make_tempo_songs.py", dir.Path("")});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  ExpectRoundTrip(dir.Path("tempo_map.mid"));
}

}  // namespace
