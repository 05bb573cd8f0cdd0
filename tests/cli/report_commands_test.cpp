// The channels and dump subcommands, run as a user runs the tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::FileExists;
using test_support::ListFolder;
using test_support::ReadFileBytes;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

std::string TwoChannels() {
  Track track;
  track.Control(0, 9, 0, 1).NoteOn(0, 9, 36, 110).NoteOff(24, 9, 36).NoteOn(0, 1, 72, 90).NoteOff(48, 1, 72);
  track.EndOfTrack();
  return Smf(0, 96, {track});
}

TEST(ReportCommands, ChannelsToStandardOutputOrFile) {
  TempDir dir;
  std::string in = dir.Write("in.mid", TwoChannels());
  auto printed = test_support::RunChimekit({"channels", in});
  EXPECT_EQ(printed.exit_code, 0) << printed.err;
  EXPECT_EQ(printed.out, "0100000001000000\r\n");
  EXPECT_EQ(printed.err, "");

  auto dashed = test_support::RunChimekit({"channels", in, "-"});
  EXPECT_EQ(dashed.exit_code, 0) << dashed.err;
  EXPECT_EQ(dashed.out, "0100000001000000\r\n");

  auto saved = test_support::RunChimekit({"channels", in, dir.Path("channels.txt")});
  EXPECT_EQ(saved.exit_code, 0) << saved.err;
  EXPECT_EQ(saved.out, "");
  EXPECT_EQ(ReadFileBytes(dir.Path("channels.txt")), "0100000001000000\r\n");
}

TEST(ReportCommands, DumpFullByDefaultAndNoteListOnRequest) {
  TempDir dir;
  std::string in = dir.Write("in.mid", TwoChannels());
  auto full = test_support::RunChimekit({"dump", in});
  EXPECT_EQ(full.exit_code, 0) << full.err;
  EXPECT_EQ(full.out,
            "0:   Control change for controller \"Bank Select (MSB)\" [0] with value 1 at channel 10\r\n"
            "0:   Note C2 [36] on with velocity 110 for time 24mS at channel 10\r\n"
            "24:   Note C2 [36] off with velocity 0 at channel 10\r\n"
            "24:   Note C5 [72] on with velocity 90 for time 48mS at channel 2\r\n"
            "72:   Note C5 [72] off with velocity 0 at channel 2\r\n"
            "72:   SYSTEM REAL-TIME MESSAGE: Reset: End Of Sequence\r\n");

  // Channels 1 to 16 in the tool's listing, on the screen and in a file
  // alike; 0 to 15, byte for byte as MIDIDump writes, on request.
  const std::string notes = "10,C2 [36],110,0,24,0 [1]\r\n2,C5 [72],90,24,72,0 [0]\r\n";
  auto library = test_support::RunChimekit({"dump", "--notes", in, "--library-channels"});
  EXPECT_EQ(library.out, "9,C2 [36],110,0,24,0 [1]\r\n1,C5 [72],90,24,72,0 [0]\r\n");
  auto listed = test_support::RunChimekit({"dump", "--notes", in, "-"});
  EXPECT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_EQ(listed.out, notes);

  auto saved = test_support::RunChimekit({"dump", in, dir.Path("notes.txt"), "--notes"});
  EXPECT_EQ(saved.exit_code, 0) << saved.err;
  EXPECT_EQ(saved.out, "");
  EXPECT_EQ(ReadFileBytes(dir.Path("notes.txt")), notes);
}

TEST(ReportCommands, HelpSaysWhatIsPrinted) {
  TempDir dir;
  auto channels = test_support::RunChimekit({"channels", "--help"});
  EXPECT_EQ(channels.exit_code, 0);
  EXPECT_NE(channels.out.find("Usage: chimekit channels IN.mid [OUT]"), std::string::npos) << channels.out;
  EXPECT_NE(channels.out.find("sixteen 0/1 characters"), std::string::npos) << channels.out;

  auto dump = test_support::RunChimekit({"dump", "--help"});
  EXPECT_EQ(dump.exit_code, 0);
  EXPECT_NE(dump.out.find("Usage: chimekit dump IN.mid [OUT] [--notes]"), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("--notes"), std::string::npos);

  auto tool = test_support::RunChimekit({"--help"});
  EXPECT_NE(tool.out.find("  channels "), std::string::npos) << tool.out;
  EXPECT_NE(tool.out.find("  dump "), std::string::npos) << tool.out;
}

TEST(ReportCommands, FailuresAreReportedOnStandardError) {
  TempDir dir;
  std::string missing = dir.Path("missing.mid");
  for (const char* command : {"channels", "dump"}) {
    auto run = test_support::RunChimekit({command, missing, dir.Path("out.txt")});
    EXPECT_NE(run.exit_code, 0) << command;
    EXPECT_NE(run.err.find("missing.mid: no such file"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }

  std::string whole = TwoChannels();
  std::string cut = dir.Write("cut.mid", whole.substr(0, whole.size() - 3));
  auto unreadable = test_support::RunChimekit({"dump", cut, dir.Path("out.txt")});
  EXPECT_EQ(unreadable.exit_code, 1);
  EXPECT_NE(unreadable.err.find("Read beyond end of file"), std::string::npos) << unreadable.err;
  EXPECT_FALSE(FileExists(dir.Path("out.txt")));

  std::string in = dir.Write("in.mid", whole);
  auto unknown = test_support::RunChimekit({"dump", in, "--everything"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.err.find("unknown option --everything"), std::string::npos) << unknown.err;
  auto too_many = test_support::RunChimekit({"channels", in, "a.txt", "b.txt"});
  EXPECT_EQ(too_many.exit_code, 2);
  EXPECT_EQ(ListFolder(dir.Path("")), "cut.mid\nin.mid\n");
}

}  // namespace
