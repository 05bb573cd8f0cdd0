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
                             "timing: 1 tempo, re-timed to the 4 ms grid (2.0 s as it plays)\ntimebase: 4 ms",
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
  EXPECT_NE(ringtone.out.find("\ncut: the first 1000 ms of 2000 ms\nnote limit: 1, note-ons dropped: 1 (channel 0: 1)\n"
                              "timebase: 4 ms (code 0x02)\n"),
            std::string::npos)
      << ringtone.out;
  EXPECT_EQ(RingtoneKeys(mmf), first_second);
  EXPECT_NE(RunChimekit({"inspect", mmf}).out.find("title: \"Seven\""), std::string::npos);
  // Short enough to keep whole, no limit: the smaf command's ringtone.
  EXPECT_EQ(RunChimekit({"ringtone", in, first}).exit_code, 0);
  EXPECT_EQ(RunChimekit({"smaf", in, "-"}).out, ReadFileBytes(first));
}

TEST(RingtoneCommands, SpPrintsTheDroppedNoteOns) {
  test_support::TempDir dir;
  Track chords;
  for (int channel : {0, 9}) chords.NoteOn(0, channel, 60, 9).NoteOn(0, channel, 64, 9).NoteOn(0, channel, 67, 9);
  std::string in = dir.Write("in.mid", test_support::Smf(0, 96, {chords})), out = dir.Path("out.mid");
  EXPECT_EQ(RunChimekit({"sp", in, out, "--order", "1", "--limit", "2"}).out,
            "channel order: 1023456789ABCDEF\nnote limit: 2\nnote-ons dropped: 2 (channel 1: 1, channel 9: 1)\n");
  EXPECT_EQ(RunChimekit({"sp", in, "-", "--order=9", "--drums"}).err,
            "channel order: 9012345678ABCDEF\nnote limit: 255\nnote-ons dropped: 0\n");
  test_support::CommandResult bad = RunChimekit({"sp", in, out, "--order", "1x"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_EQ(bad.err.rfind("chimekit sp: bad channel order: 'x' is not a hexadecimal digit\n", 0), 0u) << bad.err;
}

}  // namespace
