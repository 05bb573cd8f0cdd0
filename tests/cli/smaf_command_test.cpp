// The smaf subcommand: conversion, summary, failures and help.
#include <gtest/gtest.h>

#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

namespace {

// Seventeen notes at once on one channel, 10 ms per tick.
std::string Crowded() {
  Track track;
  for (int i = 0; i < 17; ++i) track.NoteOn(0, 0, 50 + i, 100);
  for (int i = 0; i < 17; ++i) track.NoteOff(i == 0 ? 100 : 0, 0, 50 + i);
  return Smf(0, 50, {track});
}

}  // namespace

TEST(CliSmaf, ConvertsAndSummarises) {
  TempDir dir;
  std::string input = dir.Write("song.mid", Crowded());
  std::string output = dir.Path("song.mmf");
  // With the library's timing and no title a one-track song without texts
  // gives the export's bytes.
  auto result = RunChimekit({"smaf", input, output, "--library-timing", "--title", ""});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            "timing: the library's, one tempo for the whole song: 120 BPM (1.0 s; 1.0 s as it plays)\n"
            "no title, no copyright\n"
            "timebase: 10 ms (code 0x10)\n"
            "score tracks: 4\n"
            "voices: 1\n"
            "notes converted: 16\n"
            "notes dropped (no free slot): 1\n");
  EXPECT_EQ(result.err, "");
  midifile::TMidiFile file;
  file.ReadBytes(Crowded());
  const std::string expected = chimekit::smaf::ConvertToSmaf(file).bytes;
  EXPECT_EQ(ReadFileBytes(output), expected);

  // "-" sends the ringtone to standard output and the summary to standard error.
  auto piped = RunChimekit({"smaf", input, "-", "--library-timing", "--title="});
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out, expected);
  EXPECT_NE(piped.err.find("score tracks: 4\n"), std::string::npos) << piped.err;
}

TEST(CliSmaf, FailuresWriteNothing) {
  TempDir dir;
  std::string output = dir.Path("out.mmf");
  auto missing = RunChimekit({"smaf", dir.Path("missing.mid"), output});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "chimekit smaf: " + dir.Path("missing.mid") + ": no such file\n");

  std::string no_division = dir.Write("zero.mid", Smf(0, 0, {Track().NoteOn(0, 0, 60, 9).NoteOff(9, 0, 60)}));
  auto refused = RunChimekit({"smaf", no_division, output});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("no time base"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");

  auto no_track = RunChimekit({"smaf", dir.Write("empty.mid", test_support::Header(0, 0, 96)), output});
  EXPECT_EQ(no_track.exit_code, 1);
  EXPECT_NE(no_track.err.find("empty.mid: The file holds no track"), std::string::npos) << no_track.err;
  EXPECT_FALSE(test_support::FileExists(output));
}

TEST(CliSmaf, UsageAndHelp) {
  auto help = RunChimekit({"smaf", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Usage: chimekit smaf IN.mid OUT.mmf"), std::string::npos) << help.out;
  EXPECT_NE(RunChimekit({"--help"}).out.find("smaf"), std::string::npos);
  EXPECT_EQ(RunChimekit({"smaf", "in.mid"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"smaf", "in.mid", "out.mmf", "more"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"smaf", "--bogus", "in.mid", "out.mmf"}).exit_code, 2);
}
