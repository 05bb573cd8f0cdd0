// trim, volume, set-volume, tags and set-tags, run as a user runs the tool.
#include <gtest/gtest.h>

#include "chimekit/editing/trim.h"
#include "chimekit/frame/frame.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::RunChimekit;
using test_support::Smf;
using test_support::Track;

// 1000 ms at division 100 and 1,000,000 us per quarter note.
std::string Song() {
  Track track;
  track.Tempo(0, 1000000).Meta(0, 3, "Tune").Control(0, 0, 7, 100).NoteOn(0, 0, 60, 90).NoteOff(50, 0, 60);
  track.NoteOn(0, 0, 61, 90).NoteOff(50, 0, 61).EndOfTrack();
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
      {{"volume", in}, 0, "max volume: 100\nmean volume: 100\nmean key: 60\n"},  // 60.5: halves to even
      {{"volume", silent}, 0, "max volume: 127\nmean volume: 127\nmean key: 60\n"},  // no channel volume
      {{"set-volume", in, out, "--volume", "40", "--key=-3"}, 0, "volume shift: +27\nkey shift: -3\n"},
      {{"trim", in, out, "--start", "600", "--end", "500"}, 2, "chimekit trim: bad range: the start"},
      {{"trim", in, out, "--end-percent", "101"}, 2, "chimekit trim: --end-percent must be a whole number from 0"},
      {{"trim", in, out, "--start", "1", "--end-percent", "50"}, 2, "chimekit trim: give the range in milliseconds"},
      {{"trim", silent, out}, 1, "chimekit trim: bad range: the song is 0 ms long"},
      {{"trim", in, "-", "--start-percent=25", "--end-percent=75"}, 0,
       *chimekit::TrimSong(chimekit::ParseForRewrite(Song()), {250, 750, true})},
      {{"tags", in}, 0, "\x03Tune\r\n"},
      {{"tags", in, "--list"}, 0, "name: Tune\n"},
      // The k-th option of a type tags track k (this file has one track).
      {{"set-tags", in, out, "--name", "New", "--copyright", "(c) me", "--name", "2"}, 0, ""},
      {{"tags", out, "-", "--list"}, 0, "copyright: (c) me\nname: New\n"},
      {{"set-tags", in, dir.Path("none.txt"), out}, 1, "chimekit set-tags: File not found: "},
      {{"set-tags", in, out, "--lyric", "a\nb"}, 2, "chimekit set-tags: --lyric cannot hold a line break"},
  };
  for (const auto& c : cases) {
    test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << result.err;
    const std::string& printed = c.exit_code == 0 ? result.out : result.err;
    EXPECT_EQ(c.exit_code == 0 ? printed : printed.substr(0, c.printed.size()), c.printed) << c.arguments[0];
  }
  for (const char* command : {"trim", "volume", "set-volume", "tags", "set-tags"}) {
    test_support::CommandResult help = RunChimekit({command, "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: chimekit ") + command, 0), 0u) << help.out;
  }
}

}  // namespace
