// sp, smaf on format 1 files, and ringtone, run as a user runs the tool;
// the ringtones' notes read back with chimekit inspect.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "chimekit.h"
#include "support/run_command.h"
#include "support/shared_library.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::Track;

// Seven tracks, 2000 ms at 96 ticks per quarter and 120 BPM: a conductor
// track with the title, then six of eight notes of 250 ms; key 100 sounds
// over the first. `keys` gets the keys of the notes up to `last_ms`.
std::string SevenTracks(std::vector<int>& keys, int last_ms) {
  std::vector<std::string> tracks = {Track().Tempo(0, 500000).Meta(0, 3, "Seven").EndOfTrack()};
  for (int t = 0; t < 6; ++t) {
    Track notes;
    for (int n = 0, key = 40 + 8 * t; n < 8; ++n, ++key) {
      notes.NoteOn(0, t, key, 100);
      if (t + n == 0) notes.NoteOn(0, t, 100, 100).NoteOff(48, t, 100).NoteOff(0, t, key);
      if (t + n != 0) notes.NoteOff(48, t, key);
      if (n * 250 <= last_ms) keys.push_back(key);
    }
    tracks.push_back(notes.EndOfTrack());
  }
  std::sort(keys.begin(), keys.end());
  return test_support::Smf(1, 96, tracks);
}

// The keys of the notes of a sound ringtone as chimekit inspect lists them.
std::vector<int> RingtoneKeys(const std::string& path) {
  test_support::CommandResult inspect = RunChimekit({"inspect", path});
  EXPECT_EQ(inspect.exit_code, 0) << inspect.err;
  std::vector<int> keys;
  std::regex key(R"(= key (\d+)\))");
  for (std::sregex_iterator it(inspect.out.begin(), inspect.out.end(), key), end; it != end; ++it) {
    keys.push_back(std::stoi((*it)[1]));
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

std::string Le32(size_t n) { return test_support::Bytes({int(n), int(n >> 8), int(n >> 16), int(n >> 24)}); }

TEST(RingtoneCommands, SmafMergesFormat1AndRingtoneCutsAndLimits) {
  test_support::TempDir dir;
  std::vector<int> all = {100}, first_second;
  const std::string song = SevenTracks(all, 2000), form = "RMIDdata" + Le32(song.size()) + song;
  SevenTracks(first_second, 999);
  std::string in = dir.Write("seven.mid", song), mmf = dir.Path("seven.mmf"), first = dir.Path("first.mmf");
  std::string rmid = dir.Write("seven.rmi", "RIFF" + Le32(form.size()) + form);

  test_support::CommandResult merged = RunChimekit({"smaf", in, mmf});
  ASSERT_EQ(merged.exit_code, 0) << merged.err;
  EXPECT_EQ(merged.out.rfind("merged: format 1, 7 tracks merged into one of 101 events\n"
                             "timing: 1 tempo, re-timed to the 4 ms grid (2.0 s as it plays)\n"
                             "title: \"Seven\" (the song's name), no copyright\ntimebase: 4 ms",
                             0),
            0u)
      << merged.out;
  EXPECT_EQ(RingtoneKeys(mmf), all);
  EXPECT_EQ(RunChimekit({"smaf", rmid, first}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(mmf));  // the RMID form alike
  EXPECT_NE(RunChimekit({"play", in, dir.Path("seven.wav"), "--seconds", "1"})
                .out.find("input: MIDI file (format 1, 7 tracks merged into one of 101 events; re-timed from 1 tempo, "
                          "2.0 s as it plays), converted to SMAF"),
            std::string::npos);

  // The first track alone holds no note: refused unless --allow-empty, and
  // then the export's ringtone.
  std::remove(first.c_str());
  test_support::CommandResult empty = RunChimekit({"smaf", in, first, "--first-track"});
  EXPECT_EQ(empty.exit_code, 1);
  EXPECT_EQ(empty.err.rfind("chimekit smaf: no note: the ringtone would be silent", 0), 0u) << empty.err;
  EXPECT_FALSE(test_support::FileExists(first));
  EXPECT_EQ(RunChimekit({"smaf", in, first, "--first-track", "--allow-empty"}).exit_code, 0);
  test_support::SharedLibrary library(CHIMEKIT_LIBRARY_PATH);
  std::string exported = dir.Path("exported.mmf");
  ASSERT_EQ(library.Export<decltype(&MIDI2SMAF)>("MIDI2SMAF")(in.c_str(), exported.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(exported));

  // The first second (the notes that start at 1000 ms have no time left
  // to sound), one note at once per channel, the title kept.
  test_support::CommandResult ringtone = RunChimekit({"ringtone", in, mmf, "--length", "1", "--limit", "1"});
  ASSERT_EQ(ringtone.exit_code, 0) << ringtone.err;
  EXPECT_NE(ringtone.out.find("\ncut: the first 1000 ms of 2000 ms\nnote limit: 1, note-ons dropped: 1 (channel 1: 1)\n"
                              "title: \"Seven\" (the song's name), no copyright\ntimebase: 4 ms (code 0x02)\n"),
            std::string::npos)
      << ringtone.out;
  EXPECT_EQ(RingtoneKeys(mmf), first_second);
  EXPECT_NE(RunChimekit({"inspect", mmf}).out.find("title: \"Seven\""), std::string::npos);
  // Short enough to keep whole, no limit: the smaf command's ringtone.
  EXPECT_EQ(RunChimekit({"ringtone", in, first}).exit_code, 0);
  EXPECT_EQ(RunChimekit({"smaf", in, "-"}).out, ReadFileBytes(first));
}

// Division 100, 5 ms a tick until tick 200 (1 s), then 2.5 ms: a note of 75
// ms every 250 ms, then every 125 ms; 7950 ms as it plays, 7450 ms at the
// last tempo.
std::string TwoTempos() {
  Track notes;
  for (int i = 0; i < 60; ++i) notes.NoteOn(i == 0 ? 0 : 20, 0, 40 + i, 100).NoteOff(30, 0, 40 + i);
  return test_support::Smf(1, 100, {Track().Tempo(0, 500000).Tempo(200, 250000).EndOfTrack(), notes.EndOfTrack()});
}

// The song's times in ms from `chimekit inspect` ("+UNITS ... = key K)"
// lines of one score track) or from mido, and a ringtone's length.
std::vector<double> InspectedOnsets(const std::string& listing) {
  std::vector<double> times;
  double now = 0;
  std::regex line(R"(\n    \+(\d+) ch\d ([^\n]*))");
  for (std::sregex_iterator it(listing.begin(), listing.end(), line), end; it != end; ++it) {
    now += 4 * std::stod((*it)[1]);
    if ((*it)[2].str().find("= key") != std::string::npos) times.push_back(now);
  }
  return times;
}

TEST(RingtoneCommands, RealTimeAsTheSongPlays) {
  test_support::TempDir dir;
  const std::string in = dir.Write("two.mid", TwoTempos()), cut = dir.Path("cut.mid"), mmf = dir.Path("two.mmf");
  // The tool times every song as it plays; --library-timing gives the
  // export's figure, and each figure's note the other.
  test_support::CommandResult length = RunChimekit({"length", in});
  EXPECT_EQ(length.out, "7950\n");
  EXPECT_EQ(length.err, "the song changes tempo: 7450 ms at its last tempo, as MIDIGetLengthMs times it "
                        "(--library-timing)\n");
  test_support::CommandResult library = RunChimekit({"length", in, "--library-timing"});
  EXPECT_EQ(library.out, "7450\n");
  EXPECT_EQ(library.err, "the song changes tempo: 7950 ms as it plays (without --library-timing)\n");

  // 0.5 to 1.5 s as it plays: the notes at 500, 750, 1000, 1125 ... 1500
  // ms. At the last tempo (2.5 ms a tick) the same range is ticks 200 to
  // 600, which play from 1 s to 2 s: nine notes 125 ms apart.
  const auto note_times = [](const std::string& file) {
    return test_support::RunProgram("/usr/bin/python3",
                                    {CHIMEKIT_TESTS_DIR "/support/mido_summary.py", "--note-times", file}).out;
  };
  ASSERT_EQ(RunChimekit({"trim", in, cut, "--start", "0.5", "--end", "1.5"}).exit_code, 0);
  std::string times = note_times(cut);
  EXPECT_NE(times.find(" 0.000 250.000 500.000 625.000 750.000 875.000 1000.000\n"), std::string::npos) << times;
  ASSERT_EQ(RunChimekit({"trim", in, cut, "--start", "0.5", "--end", "1.5", "--library-timing"}).exit_code, 0);
  times = note_times(cut);
  EXPECT_NE(times.find(" 0.000 125.000 250.000 375.000 500.000 625.000 750.000 875.000 1000.000\n"), std::string::npos) << times;

  // 1 s to 3 s: 16 notes 125 ms apart (the one at 3 s has no time left to
  // sound), each within half a 4 ms unit of its time; the window's closing
  // rest is kept.
  test_support::CommandResult made = RunChimekit({"ringtone", in, mmf, "--start", "1", "--length", "2", "--volume", "-10"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_NE(made.out.find("\ntiming: 2 tempos, re-timed to the 4 ms grid (8.0 s as it plays)\n"
                          "cut: 1000 to 3000 ms of 7950 ms\nvolume: channel volumes shifted by -10\n"),
            std::string::npos)
      << made.out;
  const std::string listing = RunChimekit({"inspect", mmf}).out;
  std::vector<double> onsets = InspectedOnsets(listing);
  ASSERT_EQ(onsets.size(), 16u) << listing;
  for (size_t k = 0; k < onsets.size(); ++k) EXPECT_NEAR(onsets[k], 125.0 * static_cast<double>(k), 2.0) << k;
  EXPECT_NE(listing.find("(2000 ms)"), std::string::npos) << listing;
}

TEST(RingtoneCommands, SpPrintsTheDroppedNoteOns) {
  test_support::TempDir dir;
  Track chords;
  for (int channel : {0, 9}) chords.NoteOn(0, channel, 60, 9).NoteOn(0, channel, 64, 9).NoteOn(0, channel, 67, 9);
  std::string in = dir.Write("in.mid", test_support::Smf(0, 96, {chords})), out = dir.Path("out.mid");
  EXPECT_EQ(RunChimekit({"sp", in, out, "--order", "1", "--limit", "2"}).out,
            "channel order: 1023456789ABCDEF\nnote limit: 2\nnote-ons dropped: 2 (channel 2: 1, channel 10: 1)\n");
  EXPECT_EQ(RunChimekit({"sp", in, "-", "--order=9", "--drums"}).err,
            "channel order: 9012345678ABCDEF\nnote limit: 255\nnote-ons dropped: 0\n");
  test_support::CommandResult bad = RunChimekit({"sp", in, out, "--order", "1x"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_EQ(bad.err.rfind("chimekit sp: bad channel order: 'x' is not a hexadecimal digit\n", 0), 0u) << bad.err;
}

}  // namespace
