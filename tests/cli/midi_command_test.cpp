// chimekit midi and chimekit inspect on SMAF files made by others than the
// reader, run as a user runs them: the converter's ringtones of two songs
// back to MIDI (read by mido), a Mobile Standard file built byte by byte in
// both forms, and ffmpeg's audio-track files as ffprobe reports them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/smaf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::RunChimekit;
using test_support::RunProgram;
using test_support::TempDir;

struct PlayedNote {
  int channel;
  int key;
  double onset;   // ms
  double length;  // ms
};

// A MIDI file's notes as mido plays them.
std::vector<PlayedNote> MidoNotes(const std::string& path) {
  const auto result = RunProgram("/usr/bin/python3", {CHIMEKIT_TESTS_DIR "/support/mido_notes.py", path});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::vector<PlayedNote> notes;
  std::istringstream lines(result.out);
  PlayedNote note{};
  while (lines >> note.channel >> note.key >> note.onset >> note.length) notes.push_back(note);
  return notes;
}

// How many of `song`'s notes have one of `back` (each taken once) of the
// same key, its onset and length within `unit` ms.
size_t Matched(const std::vector<PlayedNote>& song, std::vector<PlayedNote> back, double unit) {
  size_t matched = 0;
  for (const PlayedNote& note : song) {
    for (auto it = back.begin(); it != back.end(); ++it) {
      if (it->key == note.key && std::fabs(it->onset - note.onset) <= unit &&
          std::fabs(it->length - note.length) <= unit) {
        back.erase(it);
        ++matched;
        break;
      }
    }
  }
  return matched;
}

TEST(CliMidi, TheConvertersRingtonesGiveTheSongsNotesBack) {
  TempDir dir;
  const auto made = RunProgram("/usr/bin/python3", {CHIMEKIT_TESTS_DIR "/../tools/make_tempo_songs.py", dir.Path("")});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  // The example, and a format 1 song of four parts and five tempos.
  for (const std::string& song : {std::string(CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid"), dir.Path("tempo_map.mid")}) {
    const std::string ring = dir.Path("ring.mmf");
    const std::string back = dir.Path("back.mid");
    ASSERT_EQ(RunChimekit({"smaf", song, ring}).exit_code, 0);
    const auto midi = RunChimekit({"midi", ring, back});
    ASSERT_EQ(midi.exit_code, 0) << midi.err;
    EXPECT_EQ(midi.err, "");
    const std::vector<PlayedNote> expected = MidoNotes(song);
    const std::vector<PlayedNote> got = MidoNotes(back);
    EXPECT_NE(midi.out.find(" (Handyphone Standard), notes: " + std::to_string(expected.size()) + ", audio tracks: 0\n"),
              std::string::npos)
        << midi.out;
    // Every note: its key, onset and length within one 4 ms unit. The
    // converter spreads a channel's notes over the free SMAF channels, and
    // its files mark none as rhythm: no note plays on channel 10.
    EXPECT_EQ(got.size(), expected.size()) << song;
    EXPECT_EQ(Matched(expected, got, 4.0), expected.size()) << song;
    for (const PlayedNote& note : got) EXPECT_NE(note.channel, 9) << song;
  }
}

TEST(CliMidi, MobileStandardCompressedOrNotGivesOneMidiFile) {
  using namespace test_support::smaf_bytes;
  // Durations of 1 ms, gates of 2 ms: channel 0 melody, channel 3 rhythm,
  // channel 9 melody (which may not play on MIDI channel 10); a note of
  // gate 0 too.
  const std::string events = Num(0) + B({0x90, 60, 100}) + Num(100) +  // 0 ms, 200 ms long
                             Num(50) + B({0x93, 36, 90}) + Num(10) +    // 50 ms, 20 ms long
                             Num(25) + B({0x99, 72, 80}) + Num(1000) +  // 75 ms, 2000 ms long
                             Num(5) + B({0x89, 74}) + Num(5) +          // 80 ms, 10 ms long, velocity 80
                             Num(0) + B({0x80, 67}) + Num(0) +          // 80 ms, gate 0: off after on
                             Num(500) + B({0xFF, 0x2F, 0x00});
  std::string status(16, '\0');
  status[3] = 0x03;
  status[9] = 0x01;
  TempDir dir;
  std::string outputs[2];
  for (int compressed = 0; compressed < 2; ++compressed) {
    const std::string track = Mtr(5, compressed ? 1 : 2, 0x00, 0x01, status,
                                  Chunk("Mtsq", compressed ? Compress(events) : events));
    const std::string ring = dir.Write("mobile.mmf", File(Cnti("ST:Built,") + track));
    const auto midi = RunChimekit({"midi", ring, dir.Path("mobile.mid")});
    ASSERT_EQ(midi.exit_code, 0) << midi.err;
    EXPECT_EQ(midi.out, "score tracks: 1 (Mobile Standard), notes: 5, audio tracks: 0\n");
    outputs[compressed] = test_support::ReadFileBytes(dir.Path("mobile.mid"));
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  const std::vector<PlayedNote> notes = MidoNotes(dir.Path("mobile.mid"));
  ASSERT_EQ(notes.size(), 5u);
  const int expected[5][4] = {{0, 60, 0, 200}, {9, 36, 50, 20}, {1, 72, 75, 2000}, {0, 67, 80, 0}, {1, 74, 80, 10}};
  for (size_t i = 0; i < 5; ++i) {
    const PlayedNote& note = notes[i];
    EXPECT_EQ((std::vector<double>{double(note.channel), double(note.key), note.onset, note.length}),
              (std::vector<double>{double(expected[i][0]), double(expected[i][1]), double(expected[i][2]),
                                   double(expected[i][3])}))
        << i;
  }
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
  return fields;
}

TEST(CliMidi, FfmpegAudioTracksAreListedAndHaveNoMidiForm) {
  TempDir dir;
  for (const char* rate : {"4000", "8000", "11025", "22050", "44100"}) {
    const std::string ring = dir.Path(std::string("tone ") + rate + ".mmf");
    const auto made = RunProgram("/usr/bin/ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1.3",
                                                     "-ar", rate, "-ac", "1", "-f", "mmf", "-y", ring});
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const auto probe = RunProgram("/usr/bin/ffprobe", {"-v", "error", "-show_entries", "stream=sample_rate,duration",
                                                       "-of", "csv=p=0", ring});
    const std::vector<std::string> facts = Fields(probe.out.substr(0, probe.out.find('\n')));
    ASSERT_EQ(facts.size(), 2u) << probe.out;  // rate, duration in seconds
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", std::stod(facts[1]));

    // Listed as the file is, without a problem: no CRC and the option text
    // in the OPDA chunk are how ffmpeg writes its files.
    const auto listed = RunChimekit({"inspect", ring});
    EXPECT_EQ(listed.exit_code, 0) << listed.err;
    EXPECT_EQ(listed.err, "");
    const std::string wave = ": ADPCM, mono, 4 bits, " + facts[0] + " Hz, ";
    const size_t at = listed.out.find("\n  Awa wave 1, ");
    ASSERT_NE(at, std::string::npos) << listed.out;
    const std::string line = listed.out.substr(at + 1, listed.out.find('\n', at + 1) - at - 1);
    EXPECT_NE(line.find(wave), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with(std::string(" samples (") + seconds + " s)")) << line << " / " << facts[1];
    EXPECT_TRUE(listed.out.ends_with(", 1 audio track, 0 problems\n")) << listed.out;

    // No score track: refused, nothing written, unless --allow-empty.
    const std::string out = dir.Path("tone.mid");
    const auto refused = RunChimekit({"midi", ring, out});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(refused.err, "chimekit midi: " + ring +
                               ": no score track, only 1 audio track (recorded sound, which MIDI cannot hold): the "
                               "MIDI file would hold no note, so nothing was written (--allow-empty writes it anyway)\n");
    EXPECT_FALSE(test_support::FileExists(out));
    const auto allowed = RunChimekit({"midi", ring, out, "--allow-empty"});
    EXPECT_EQ(allowed.exit_code, 0) << allowed.err;
    EXPECT_EQ(allowed.out, "score tracks: 0, notes: 0, audio tracks: 1\n");
    EXPECT_TRUE(test_support::ReadFileBytes(out).starts_with("MThd"));
    std::remove(out.c_str());
  }
}

TEST(CliMidi, DamageIsNamedAndTheOutputIsNeverTheInput) {
  TempDir dir;
  const std::string ring = dir.Path("ring.mmf");
  ASSERT_EQ(RunChimekit({"smaf", CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid", ring}).exit_code, 0);
  const std::string bytes = test_support::ReadFileBytes(ring);
  const auto over = RunChimekit({"midi", ring, dir.Path("./ring.mmf")});
  EXPECT_EQ(over.exit_code, 2);
  EXPECT_TRUE(over.err.starts_with("chimekit midi: " + dir.Path("./ring.mmf") +
                                   " is the input file: the MIDI file would replace the SMAF file"))
      << over.err;
  EXPECT_EQ(test_support::ReadFileBytes(ring), bytes);

  // A CRC that does not match: the notes are converted, the problem named.
  std::string damaged = bytes;
  damaged.back() = static_cast<char>(damaged.back() ^ 1);
  const auto converted = RunChimekit({"midi", dir.Write("damaged.mmf", damaged), "-"});
  EXPECT_EQ(converted.exit_code, 0);
  EXPECT_TRUE(converted.out.starts_with("MThd"));
  EXPECT_TRUE(converted.err.starts_with("score tracks: 2 (Handyphone Standard), notes: 79, audio tracks: 0\n"
                                        "chimekit midi: " + dir.Path("damaged.mmf") + ": 1 problem in the SMAF file: "
                                        "at 0x"))
      << converted.err;
}

}  // namespace
