// The reshape subcommand: conversion, summary, failures in words, usage.
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::Bytes;
using test_support::Chunk;
using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

namespace {

// A tempo track and two note tracks; merged, the notes of both channels
// interleave and the later End of Track (tick 100) ends the one track.
std::string Song() {
  return Smf(1, 96,
             {Track().Tempo(0, 500000).EndOfTrack(0), Track().NoteOn(0, 0, 60, 64).NoteOff(50, 0, 60).EndOfTrack(50),
              Track().NoteOn(25, 1, 64, 64).NoteOff(50, 1, 64).EndOfTrack(0)});
}

std::string SongMerged() {
  return test_support::Header(0, 1, 96) +
         Chunk("MTrk", Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x40, 0x19, 0x91, 0x40, 0x40,
                              0x19, 0x80, 0x3C, 0x00, 0x19, 0x81, 0x40, 0x00, 0x19, 0xFF, 0x2F, 0x00}));
}

const char kSummary[] = "tracks merged: 3\nevents written: 6\n";

}  // namespace

TEST(CliReshape, ConvertsAndReports) {
  TempDir dir;
  std::string input = dir.Write("song.mid", Song());
  std::string output = dir.Path("merged.mid");
  auto result = RunChimekit({"reshape", input, output});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, kSummary);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(output), SongMerged());

  // "-" sends the file to standard output and the summary to standard error.
  auto piped = RunChimekit({"reshape", input, "-"});
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out, SongMerged());
  EXPECT_EQ(piped.err, kSummary);

  // In place.
  auto inPlace = RunChimekit({"reshape", input, input});
  EXPECT_EQ(inPlace.exit_code, 0) << inPlace.err;
  EXPECT_EQ(ReadFileBytes(input), SongMerged());
}

TEST(CliReshape, FailuresAreExplained) {
  TempDir dir;
  std::string output = dir.Write("out.mid", "old");
  auto missing = RunChimekit({"reshape", dir.Path("missing.mid"), output});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "chimekit reshape: " + dir.Path("missing.mid") + ": no such file\n");

  std::string song = dir.Write("song.mid", Song());
  auto noFolder = RunChimekit({"reshape", song, dir.Path("none/out.mid")});
  EXPECT_EQ(noFolder.exit_code, 1);
  EXPECT_EQ(noFolder.err, "chimekit reshape: " + dir.Path("none/out.mid") + ": the folder " + dir.Path("none/") + " does not exist\n");
  EXPECT_EQ(ReadFileBytes(output), "old");

  {
    // Files may not grow past 1000 bytes: the output cannot be written.
    Track notes;
    for (int i = 0; i < 1000; ++i) notes.NoteOn(1, 0, 60, i % 2 == 0 ? 64 : 0);
    std::string big = dir.Write("big.mid", Smf(1, 96, {notes.EndOfTrack(0)}));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 1000;
    auto savedSignal = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    auto full = RunChimekit({"reshape", big, output});
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedSignal);
    EXPECT_EQ(full.exit_code, 1);
    EXPECT_NE(full.err.find(output + ": the file would be larger than the system allows (" + output + " was left as it was)"), std::string::npos) << full.err;
    EXPECT_EQ(ReadFileBytes(output), "old");
  }

  auto format0 = RunChimekit({"reshape", dir.Write("zero.mid", Smf(0, 96, {Track().EndOfTrack(0)})), output});
  EXPECT_EQ(format0.exit_code, 1);
  EXPECT_NE(format0.err.find("zero.mid: not a format 1 MIDI file: it is format 0"), std::string::npos) << format0.err;
  EXPECT_EQ(format0.out, "");
  EXPECT_EQ(ReadFileBytes(output), "old");  // unlike ConvertMidi's, the tool's output of a refused file is never made
}

TEST(CliReshape, UsageAndHelp) {
  auto help = RunChimekit({"reshape", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("Usage: chimekit reshape IN.mid OUT.mid"), std::string::npos) << help.out;
  EXPECT_NE(RunChimekit({"--help"}).out.find("reshape"), std::string::npos);
  EXPECT_EQ(RunChimekit({"reshape"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"reshape", "in.mid"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"reshape", "a.mid", "b.mid", "c.mid"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"reshape", "--bogus", "a.mid", "b.mid"}).exit_code, 2);
}
