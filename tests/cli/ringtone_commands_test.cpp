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
using test_support::Smf;
using test_support::Track;

// Seven tracks at 96 ticks per quarter, 120 BPM (2000 ms): a conductor
// track with the title, then six tracks of eight notes of 250 ms each, the
// first with a second note (key 100) over its first.
std::string SevenTracks(std::vector<int>& keys, int last_ms) {
  std::vector<std::string> tracks = {Track().Tempo(0, 500000).Meta(0, 3, "Seven").EndOfTrack()};
  for (int t = 0; t < 6; ++t) {
    Track track;
    for (int n = 0; n < 8; ++n) {
      int key = 40 + 8 * t + n;
      track.NoteOn(0, t, key, 100);
      if (t == 0 && n == 0) track.NoteOn(0, t, 100, 100).NoteOff(48, t, 100).NoteOff(0, t, key);
      if (t != 0 || n != 0) track.NoteOff(48, t, key);
      if (n * 250 <= last_ms) keys.push_back(key);
    }
    tracks.push_back(track.EndOfTrack());
  }
  std::sort(keys.begin(), keys.end());
  return Smf(1, 96, tracks);
}

// The keys of the notes that chimekit inspect lists, sorted.
std::vector<int> RingtoneKeys(const std::string& path) {
  test_support::CommandResult inspect = RunChimekit({"inspect", path, "--quiet"});
  EXPECT_EQ(inspect.exit_code, 0) << inspect.out;
  std::string listing = RunChimekit({"inspect", path}).out;
  std::vector<int> keys;
  std::regex key(R"(= key (\d+)\))");
  for (std::sregex_iterator it(listing.begin(), listing.end(), key), end; it != end; ++it) {
    keys.push_back(std::stoi((*it)[1]));
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

TEST(RingtoneCommands, SmafMergesFormat1AndRingtoneCutsAndLimits) {
  test_support::TempDir dir;
  std::vector<int> all, first_second;
  std::string song = SevenTracks(all, 2000);
  SevenTracks(first_second, 1000);
  all.insert(std::lower_bound(all.begin(), all.end(), 100), 100);
  std::string in = dir.Write("seven.mid", song), mmf = dir.Path("seven.mmf"), first = dir.Path("first.mmf");
  std::string riff = "RMIDdata" +
                     test_support::Bytes({static_cast<int>(song.size()), static_cast<int>(song.size() >> 8), 0, 0}) +
                     song;
  std::string rmid = dir.Write(
      "seven.rmi",
      "RIFF" + test_support::Bytes({static_cast<int>(riff.size()), static_cast<int>(riff.size() >> 8), 0, 0}) + riff);

  test_support::CommandResult merged = RunChimekit({"smaf", in, mmf});
  ASSERT_EQ(merged.exit_code, 0) << merged.err;
  EXPECT_EQ(merged.out.rfind("merged: format 1, 7 tracks merged into one of "
                             "101 events\ntimebase: ",
                             0),
            0u)
      << merged.out;
  EXPECT_EQ(RingtoneKeys(mmf), all);
  EXPECT_EQ(RunChimekit({"smaf", rmid, first}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(mmf));  // the RMID form alike

  // The first track alone, as the export converts it: no note, refused
  // unless --allow-empty.
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

  // The first second (ends included: a note starts at 1000 ms and keeps
  // its length), at most one note at once per channel, the title kept.
  test_support::CommandResult ringtone = RunChimekit({"ringtone", in, mmf, "--length", "1", "--limit", "1"});
  ASSERT_EQ(ringtone.exit_code, 0) << ringtone.err;
  EXPECT_NE(ringtone.out.find("\ncut: the first 1000 ms of 2000 ms\nnote "
                              "limit: 1, note-ons dropped: 1 (channel 0: 1)\n"
                              "timebase: 10 ms (code 0x10)\n"),
            std::string::npos)
      << ringtone.out;
  EXPECT_EQ(RingtoneKeys(mmf), first_second);
  EXPECT_NE(RunChimekit({"inspect", mmf}).out.find("title: \"Seven\""), std::string::npos);
  // Short enough to keep whole and without a limit: the smaf command's
  // ringtone.
  EXPECT_EQ(RunChimekit({"ringtone", in, first}).exit_code, 0);
  EXPECT_EQ(RunChimekit({"smaf", in, "-"}).out, ReadFileBytes(first));
}

TEST(RingtoneCommands, SpPrintsTheDroppedNoteOns) {
  test_support::TempDir dir;
  Track chords;
  for (int channel : {0, 9}) chords.NoteOn(0, channel, 60, 9).NoteOn(0, channel, 64, 9).NoteOn(0, channel, 67, 9);
  std::string in = dir.Write("in.mid", Smf(0, 96, {chords}));
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string printed;  // standard output, or the start of standard error
  } cases[] = {
      {{"sp", in, dir.Path("a.mid"), "--order", "1", "--limit", "2"},
       0,
       "channel order: 1023456789ABCDEF\nnote limit: 2\nnote-ons dropped: 2 "
       "(channel 1: 1, channel 9: 1)\n"},
      {{"sp", in, dir.Path("b.mid"), "--order=9", "--drums"},
       0,
       "channel order: 9012345678ABCDEF\nnote limit: 255\nnote-ons dropped: "
       "0\n"},
      {{"sp", in, dir.Path("c.mid"), "--order", "1x"}, 2, "chimekit sp: bad channel order: 'x' is not a hexadecimal"},
      {{"sp", in, dir.Path("c.mid"), "--limit", "256"}, 2, "chimekit sp: --limit must be a whole number from 0 to 255"},
      {{"ringtone", in, dir.Path("c.mmf"), "--length", "0"}, 2, "chimekit ringtone: --length must be a whole number"},
  };
  for (const auto& c : cases) {
    test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
    const std::string& printed = c.exit_code == 0 ? result.out : result.err;
    EXPECT_EQ(c.exit_code == 0 ? printed : printed.substr(0, c.printed.size()), c.printed);
  }
  EXPECT_FALSE(test_support::FileExists(dir.Path("c.mid")));
}

}  // namespace
