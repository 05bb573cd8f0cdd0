// The length and first-note subcommands, and the tool's own help and errors.
#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::RunChimekit;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

TEST(CliInspection, LengthAndFirstNote) {
  TempDir dir;
  std::string song = dir.Write("song.mid", Smf(0, 96, {Track().NoteOn(48, 0, 60, 100).NoteOff(912, 0, 60)}));
  auto length = RunChimekit({"length", song});
  EXPECT_EQ(length.exit_code, 0);
  EXPECT_EQ(length.out, "5000\n");
  auto first = RunChimekit({"first-note", song});
  EXPECT_EQ(first.exit_code, 0);
  EXPECT_EQ(first.out, "48\n");
}

TEST(CliInspection, FailuresAreExplainedOnStandardError) {
  TempDir dir;
  auto missing = RunChimekit({"length", dir.Path("missing.mid")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("missing.mid: no such file"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  auto truncated = RunChimekit({"first-note", dir.Write("cut.mid", "MThd\x00")});
  EXPECT_EQ(truncated.exit_code, 1);
  EXPECT_NE(truncated.err.find("cut.mid: damaged MIDI file: Read beyond end of file"), std::string::npos) << truncated.err;
}

TEST(CliInspection, UsageAndHelp) {
  auto help = RunChimekit({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("length"), std::string::npos);
  EXPECT_NE(help.out.find("first-note"), std::string::npos);
  auto command_help = RunChimekit({"length", "--help"});
  EXPECT_EQ(command_help.exit_code, 0);
  EXPECT_NE(command_help.out.find("Usage: chimekit length"), std::string::npos);
  EXPECT_EQ(RunChimekit({}).exit_code, 2);
  auto unknown = RunChimekit({"frobnicate"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
  EXPECT_EQ(RunChimekit({"length"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"length", "a.mid", "b.mid"}).exit_code, 2);
  EXPECT_EQ(RunChimekit({"length", "--bogus", "a.mid"}).exit_code, 2);
}
