// trim, volume, set-volume, tags and set-tags, run as a user runs the tool.
#include <gtest/gtest.h>

#include "chimekit/editing/trim.h"
#include "chimekit/frame/frame.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::Smf;
using test_support::Track;

// 1000 ms at division 100 and 1,000,000 us per quarter note.
std::string Song() {
  Track track;
  track.Tempo(0, 1000000).Meta(0, 3, "Tune").Control(0, 0, 7, 100).NoteOn(0, 0, 60, 90).NoteOff(50, 0, 60);
  track.NoteOn(0, 0, 64, 90).NoteOff(50, 0, 64).EndOfTrack();
  return Smf(0, 100, {track});
}

TEST(EditingCommands, ExitCodesAndMessages) {
  test_support::TempDir dir;
  std::string in = dir.Write("in.mid", Song()), out = dir.Path("out.mid");
  std::string silent = dir.Write("silent.mid", Smf(0, 96, {Track().NoteOn(0, 0, 60, 1)}));
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string printed;  // on standard output, or the start of standard error
  } cases[] = {
      {{"volume", in}, 0, "max volume: 100\nmean volume: 100\nmean key: 62\n"},
      {{"set-volume", in, out, "--volume", "40", "--key=-3"}, 0, "volume shift: +27\nkey shift: -3\n"},
      {{"set-volume", in, out, "--volume", "-129"}, 2, "chimekit set-volume: --volume must be a whole number"},
      {{"trim", in, out, "--start", "600", "--end", "500"}, 2, "chimekit trim: bad range: the start"},
      {{"trim", in, out, "--end-percent", "101"}, 2, "chimekit trim: --end-percent must be a whole number from 0"},
      {{"trim", in, out, "--start", "1", "--end-percent", "50"}, 2, "chimekit trim: give the range in milliseconds"},
      {{"trim", silent, out}, 1, "chimekit trim: bad range: the song is 0 ms long"},
      {{"tags", in}, 0, "\x03Tune\r\n"},
      {{"tags", in, "--list"}, 0, "name: Tune\n"},
      {{"set-tags", in, dir.Path("none.txt"), out}, 1, "chimekit set-tags: File not found: "},
      {{"set-tags", in, out, "--lyric", "a\nb"}, 2, "chimekit set-tags: --lyric cannot hold a line break"},
  };
  for (const auto& c : cases) {
    test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << result.err;
    EXPECT_EQ((c.exit_code == 0 ? result.out : result.err).substr(0, c.printed.size()), c.printed) << c.arguments[0];
  }
  for (const char* command : {"trim", "volume", "set-volume", "tags", "set-tags"}) {
    test_support::CommandResult help = RunChimekit({command, "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: chimekit ") + command, 0), 0u) << help.out;
  }
}

TEST(EditingCommands, OutputsMatchTheLibrary) {
  test_support::TempDir dir;
  std::string in = dir.Write("in.mid", Song());
  chimekit::LoadedInput input = chimekit::ParseForRewrite(Song());
  // Trim in milliseconds and in percent, to a file and to standard output.
  ASSERT_EQ(RunChimekit({"trim", in, dir.Path("ms.mid"), "--start", "250", "--end", "750"}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(dir.Path("ms.mid")), chimekit::TrimSong(input, {250, 750, true}));
  test_support::CommandResult percent = RunChimekit({"trim", in, "-", "--start-percent=25", "--end-percent=75"});
  EXPECT_EQ(percent.out, ReadFileBytes(dir.Path("ms.mid")));

  // Tags from the command line, one option per track and type, then from a
  // tag file.
  ASSERT_EQ(RunChimekit({"set-tags", in, dir.Path("t.mid"), "--name", "New", "--copyright", "(c) me"}).exit_code, 0);
  EXPECT_EQ(RunChimekit({"tags", dir.Path("t.mid"), "-", "--list"}).out, "copyright: (c) me\nname: New\n");
  ASSERT_EQ(RunChimekit({"tags", dir.Path("t.mid"), dir.Path("t.txt")}).exit_code, 0);
  ASSERT_EQ(RunChimekit({"set-tags", in, dir.Path("t.txt"), dir.Path("again.mid")}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(dir.Path("again.mid")), ReadFileBytes(dir.Path("t.mid")));
}

}  // namespace
