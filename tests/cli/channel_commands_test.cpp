// equalize, instruments, copy-channel, remove-channel, merge and combine,
// run as a user runs the tool.
#include <gtest/gtest.h>

#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/join.h"
#include "chimekit/frame/frame.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using chimekit::ParseForRewrite;
using test_support::RunChimekit;
using test_support::Smf;
using test_support::Track;

TEST(ChannelCommands, ArgumentsOutputsAndMessages) {
  Track track;
  track.Program(0, 0, 24).Program(0, 9, 0).Program(0, 0, 3).Program(0, 0, 24).NoteOn(0, 0, 60, 90);
  track.NoteOn(0, 9, 36, 90).NoteOff(96, 0, 60).NoteOff(0, 9, 36).EndOfTrack();
  // After an odd bank select every program change of the track is a drum one.
  std::string song = Smf(1, 96, {track, Track().Control(0, 2, 0, 1).Program(0, 2, 5).Program(0, 0, 3)});
  test_support::TempDir dir;
  std::string in = dir.Write("in.mid", song), out = dir.Path("out.mid");
  std::string map = dir.Write("map.txt", "# a map\n  melodic 24->25 # strings\ndrums 0 -> 8\n\nmelodic 3 -> 4\n");
  std::string bad_map = dir.Write("bad.txt", "melodic 24 -> 25\ndrums 0 -> 128\n");
  std::string mapped = dir.Path("mapped.mid");
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string printed;  // on standard output, or the start of standard error
  } cases[] = {
      {{"instruments", in}, 0, "channel 1: melodic 24, 3; drums 3\nchannel 3: drums 5\nchannel 10: drums 0\n"},
      {{"instruments", in, mapped, "--map", map}, 0, ""},
      {{"instruments", mapped}, 0, "channel 1: melodic 25, 4; drums 3\nchannel 3: drums 5\nchannel 10: drums 8\n"},
      {{"instruments", dir.Write("none.mid", Smf(0, 96, {Track().EndOfTrack()}))}, 0, "no program changes\n"},
      {{"instruments", in, out, "--map", bad_map}, 1, "chimekit instruments: " + bad_map + " line 2: expected"},
      {{"instruments", in, out}, 2, "chimekit instruments: too many arguments"},
      {{"equalize", in, "-", "--bands", "1,2,3,4,5,6,7,8", "--drums", "90"}, 0,
       chimekit::Equalize(ParseForRewrite(song), {{1, 2, 3, 4, 5, 6, 7, 8}, 90})},
      {{"equalize", in, out, "--bands", "1,2,3,4,5,6,7"}, 2, "chimekit equalize: --bands needs eight levels"},
      {{"equalize", in, out, "--bands", "1,2,3,4,5,6,7,128"}, 2, "chimekit equalize: each level of --bands must"},
      {{"equalize", in, out}, 2, "chimekit equalize: --bands is required"},
      // Channels as musicians count them: 1 is the core's 0, 10 its 9.
      {{"copy-channel", in, "-", "1", "10"}, 0, chimekit::CopyChannel(ParseForRewrite(song), 0, 9)},
      {{"remove-channel", in, "-", "16"}, 0, chimekit::RemoveChannel(ParseForRewrite(song), 15)},
      {{"copy-channel", in, out, "0", "10"}, 2, "chimekit copy-channel: FROM must be a whole number from 1 to 16"},
      {{"remove-channel", in, out, "17"}, 2, "chimekit remove-channel: CHANNEL must be a whole number from 1 to 16"},
      {{"merge", in, in, out}, 0,
       "tracks: 2 from the first file, 2 from the second\n"
       "second file: starts at tick 0, 1 of its ticks make one, tempos times 1\n"},
      {{"combine", in, dir.Write("slow.mid", Smf(1, 192, {Track().Tempo(0, 250000)})), out}, 0,
       "tracks: 2 from the first file, 1 from the second\n"
       "second file: starts at tick 96, 4 of its ticks make one, tempos times 2\n"},
      {{"combine", in, dir.Path("missing.mid"), out}, 1, "chimekit combine: File not found: "},
  };
  for (const auto& c : cases) {
    test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << result.err;
    const std::string& printed = c.exit_code == 0 ? result.out : result.err;
    EXPECT_EQ(c.exit_code == 0 ? printed : printed.substr(0, c.printed.size()), c.printed) << c.arguments[0];
  }
  for (const char* command : {"equalize", "instruments", "copy-channel", "remove-channel", "merge", "combine"}) {
    test_support::CommandResult help = RunChimekit({command, "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: chimekit ") + command, 0), 0u) << help.out;
  }
}

}  // namespace
