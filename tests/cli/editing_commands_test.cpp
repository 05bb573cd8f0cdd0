// The editing subcommands (trim, volume, set-volume, tags, set-tags,
// equalize, instruments, copy-channel, remove-channel, merge, combine), run
// as a user runs the tool.
#include <gtest/gtest.h>

#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/trim.h"
#include "chimekit/frame/frame.h"
#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using chimekit::ParseForRewrite;
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
  // Program changes; after an odd bank select every one of its track is a drum one.
  Track track;
  track.Program(0, 0, 24).Program(0, 9, 0).Program(0, 0, 3).Program(0, 0, 24).NoteOn(0, 0, 60, 90);
  track.NoteOn(0, 9, 36, 90).NoteOff(96, 0, 60).NoteOff(0, 9, 36).EndOfTrack();
  std::string song = Smf(1, 96, {track, Track().Control(0, 2, 0, 1).Program(0, 2, 5).Program(0, 0, 3)});
  std::string programs = dir.Write("programs.mid", song), mapped = dir.Path("mapped.mid");
  std::string map = dir.Write("map.txt", "# a map\n  melodic 24->25 # strings\ndrums 0 -> 8\n\nmelodic 3 -> 4\n");
  std::string bad_map = dir.Write("bad.txt", "melodic 24 -> 25\ndrums 0 -> 128\n");
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string printed;  // on standard output, or the start of standard error
  } cases[] = {
      {{"volume", in}, 0, "max volume: 100\nmean volume: 100\nmean key: 60\n"},  // 60.5: halves to even
      {{"volume", silent}, 0, "max volume: 127\nmean volume: 127\nmean key: 60\n"},  // no channel volume
      {{"set-volume", in, out, "--volume", "40", "--key=-3"}, 0, "volume shift: +27\nkey shift: -3\n"},
      {{"trim", in, out, "--start", "0.6", "--end", "0.5"}, 2, "chimekit trim: bad range: the start"},
      {{"trim", in, out, "--end-percent", "101"}, 2, "chimekit trim: --end-percent must be a whole number from 0"},
      {{"trim", in, out, "--start", "1", "--end-percent", "50"}, 2, "chimekit trim: give the range in seconds"},
      {{"trim", in, out, "--start", "500"}, 1, "chimekit trim: no note: the trimmed song would be silent"},
      {{"trim", silent, out}, 1, "chimekit trim: " + silent + ": the song is 0 ms long"},
      {{"trim", in, "-", "--start-percent=25", "--end-percent=75", "--library-timing"}, 0,
       *chimekit::TrimSong(chimekit::ParseForRewrite(Song()), {250, 750, true})},
      {{"tags", in}, 0, "\x03Tune\r\n"},
      {{"tags", in, "--list"}, 0, "name: Tune\n"},
      // The k-th option of a type tags track k (this file has one track).
      {{"set-tags", in, out, "--name", "New", "--copyright", "(c) me", "--name", "2"}, 0, ""},
      {{"tags", out, "-", "--list"}, 0, "copyright: (c) me\nname: New\n"},
      {{"set-tags", in, dir.Path("none.txt"), out}, 1, "chimekit set-tags: " + dir.Path("none.txt") + ": no such file"},
      {{"set-tags", in, out, "--lyric", "a\nb"}, 2, "chimekit set-tags: --lyric cannot hold a line break"},
      {{"instruments", programs}, 0, "channel 1: melodic 24, 3; drums 3\nchannel 3: drums 5\nchannel 10: drums 0\n"},
      {{"instruments", programs, mapped, "--map", map}, 0, ""},
      {{"instruments", mapped}, 0, "channel 1: melodic 25, 4; drums 3\nchannel 3: drums 5\nchannel 10: drums 8\n"},
      {{"instruments", programs, out, "--map", bad_map}, 1, "chimekit instruments: " + bad_map + " line 2: expected"},
      {{"equalize", programs, "-", "--bands", "1,2,3,4,5,6,7,8", "--drums", "90"}, 0,
       chimekit::Equalize(ParseForRewrite(song), {{1, 2, 3, 4, 5, 6, 7, 8}, 90})},
      {{"equalize", in, out, "--bands", "1,2,3,4,5,6,7"}, 2, "chimekit equalize: --bands needs eight levels"},
      // Channels as musicians count them: 1 is the core's 0, 10 its 9.
      {{"copy-channel", programs, "-", "1", "10"}, 0, chimekit::CopyChannel(ParseForRewrite(song), 0, 9)},
      {{"remove-channel", programs, "-", "16"}, 0, chimekit::RemoveChannel(ParseForRewrite(song), 15)},
      {{"copy-channel", in, out, "0", "10"}, 2, "chimekit copy-channel: FROM must be a whole number from 1 to 16"},
      {{"combine", programs, dir.Write("slow.mid", Smf(1, 192, {Track().Tempo(0, 250000)})), out}, 0,
       "tracks: 2 from the first file, 1 from the second\n"
       "second file: starts at tick 96, 4 of its ticks make one, tempos times 2\n"},
      {{"combine", in, dir.Path("missing.mid"), out}, 1, "chimekit combine: " + dir.Path("missing.mid") + ": no such file"},
  };
  for (const auto& c : cases) {
    test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << result.err;
    const std::string& printed = c.exit_code == 0 ? result.out : result.err;
    EXPECT_EQ(c.exit_code == 0 ? printed : printed.substr(0, c.printed.size()), c.printed) << c.arguments[0];
  }
  for (const char* command : {"trim", "volume", "set-volume", "tags", "set-tags", "equalize", "instruments",
                              "copy-channel", "remove-channel", "merge", "combine"}) {
    test_support::CommandResult help = RunChimekit({command, "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: chimekit ") + command, 0), 0u) << help.out;
  }
}

}  // namespace
