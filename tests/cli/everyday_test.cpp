// The tool as a person meets it: channels counted 1 to 16 wherever they are
// read or typed, no command that loses a file, failures that name the file
// and the fault, standard input, the version.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

// A melody on channel 2 and a two-note chord of drums on channel 10 (the
// core's 1 and 9), 1 s long at 120 BPM.
std::string DrumsAndMelody() {
  Track track;
  track.Program(0, 9, 16).Program(0, 1, 40).NoteOn(0, 1, 72, 90).NoteOn(0, 9, 36, 100).NoteOn(0, 9, 38, 100);
  track.NoteOff(192, 1, 72).NoteOff(0, 9, 36).NoteOff(0, 9, 38).EndOfTrack();
  return Smf(0, 96, {track});
}

// The lines of a text, and whether one of them starts with a prefix.
bool HasLineStarting(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0 || text.find("\n" + prefix) != std::string::npos;
}

}  // namespace

TEST(CliEveryday, ChannelsAreCountedOneToSixteen) {
  TempDir dir;
  const std::string song = dir.Write("song.mid", DrumsAndMelody()), out = dir.Path("out.mid");
  const struct {
    std::vector<std::string> arguments;
    std::string line;  // a line (or the start of one) of what the command prints
  } cases[] = {
      {{"channels", song}, "0100000001000000\r"},
      {{"dump", song, "--notes"}, "10,C2 [36],100,0,192,16 [0]\r"},
      {{"dump", song, "--notes"}, "2,C5 [72],90,0,192,40 [0]\r"},
      {{"dump", song}, "0:   Note C2 [36] on with velocity 100 for time 192mS at channel 10\r"},
      {{"dump", song, "--notes", "--library-channels"}, "9,C2 [36],100,0,192,16 [0]\r"},
      {{"instruments", song}, "channel 10: drums 16"},
      {{"sp", song, out, "--limit", "1"}, "note-ons dropped: 1 (channel 10: 1)"},
      {{"ringtone", song, dir.Path("ring.mmf"), "--limit", "1"}, "note limit: 1, note-ons dropped: 1 (channel 10: 1)"},
      // What a person reads as channel 10, remove-channel 10 removes.
      {{"remove-channel", song, out, "10"}, ""},
      {{"channels", out}, "0100000000000000\r"},
      {{"copy-channel", song, out, "2", "16"}, ""},
      {{"channels", out}, "0100000001000001\r"},
  };
  for (const auto& c : cases) {
    const test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, 0) << c.arguments[0] << ": " << result.err;
    EXPECT_TRUE(HasLineStarting(result.out, c.line)) << c.arguments[0] << " printed:\n" << result.out;
  }
}

TEST(CliEveryday, NoCommandLosesAFile) {
  TempDir dir;
  const std::string song = dir.Write("song.mid", DrumsAndMelody());
  const std::string format0 = dir.Write("format0.mid", DrumsAndMelody());
  const std::string existing = dir.Write("existing.mid", "kept");
  const std::string tags = dir.Write("tags.txt", "\x03Name\r\n");
  const std::string link = dir.Path("link.mid");
  ASSERT_EQ(symlink(song.c_str(), link.c_str()), 0);
  const std::string spelt = dir.Path(".") + "/song.mid";
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string kept;  // the file that must stay as it was
  } cases[] = {
      // Reshape refuses a format 0 file and writes nothing, wherever OUT is.
      {{"reshape", format0, format0}, 1, format0},
      {{"reshape", format0, existing}, 1, existing},
      // Outputs of another kind than the input never replace it, however
      // the output spells it.
      {{"ringtone", song, song}, 2, song},
      {{"smaf", song, spelt}, 2, song},
      {{"play", song, link}, 2, song},
      {{"dump", song, song}, 2, song},
      {{"channels", song, spelt}, 2, song},
      {{"tags", song, link}, 2, song},
      {{"set-tags", song, tags, tags}, 2, tags},
      {{"instruments", song, tags, "--map", tags}, 2, tags},
      // A trim that keeps no note writes nothing.
      {{"trim", song, existing, "--start", "5"}, 1, existing},
  };
  for (const auto& c : cases) {
    const std::string before = ReadFileBytes(c.kept);
    const test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << ": " << result.err;
    EXPECT_EQ(ReadFileBytes(c.kept), before) << c.arguments[0];
  }
  EXPECT_EQ(test_support::ListFolder(dir.Path("")), "existing.mid\nformat0.mid\nlink.mid\nsong.mid\ntags.txt\n");

  // A MIDI file may replace its own input, and keeps the file's mode.
  ASSERT_EQ(chmod(song.c_str(), 0640), 0);
  EXPECT_EQ(RunChimekit({"set-volume", song, song, "--volume", "-10"}).exit_code, 0);
  struct stat info {};
  ASSERT_EQ(stat(song.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_NE(ReadFileBytes(song), DrumsAndMelody());
}

TEST(CliEveryday, FailuresNameTheFileAndTheFault) {
  TempDir dir;
  const std::string song = dir.Write("song.mid", DrumsAndMelody());
  const std::string notes = dir.Write("notes.txt", "a list of notes, not a song\n");
  const std::string ring = dir.Path("ring.mmf");
  ASSERT_EQ(RunChimekit({"smaf", song, ring}).exit_code, 0);
  const std::string cut = dir.Write("cut.mid", DrumsAndMelody().substr(0, 30));
  const std::string folder = dir.Path("");
  const struct {
    std::vector<std::string> arguments;
    int exit_code;
    std::string err;  // all of standard error
  } cases[] = {
      {{"length", notes}, 1, "chimekit length: " + notes + ": neither a MIDI file nor a SMAF file\n"},
      {{"smaf", ring, dir.Path("out.mmf")}, 1,
       "chimekit smaf: " + ring + ": a SMAF file; this command takes a MIDI file, see 'chimekit midi'\n"},
      {{"reshape", ring, dir.Path("out.mid")}, 1,
       "chimekit reshape: " + ring + ": a SMAF file; this command takes a MIDI file, see 'chimekit midi'\n"},
      {{"inspect", song}, 1,
       "chimekit inspect: " + song + ": a MIDI file; this command takes a SMAF file, see 'chimekit smaf'\n"},
      {{"midi", song, dir.Path("out.mid")}, 1,
       "chimekit midi: " + song + ": a MIDI file; this command takes a SMAF file, see 'chimekit smaf'\n"},
      {{"inspect", notes}, 1, "chimekit inspect: " + notes + ": neither a MIDI file nor a SMAF file\n"},
      {{"midi", notes, dir.Path("out.mid")}, 1, "chimekit midi: " + notes + ": neither a MIDI file nor a SMAF file\n"},
      {{"play", notes, dir.Path("out.wav")}, 1, "chimekit play: " + notes + ": neither a MIDI file nor a SMAF file\n"},
      {{"first-note", cut}, 1, "chimekit first-note: " + cut + ": damaged MIDI file: Read beyond end of file\n"},
      {{"dump", folder}, 1, "chimekit dump: " + folder + ": a folder, not a file\n"},
      {{"ringtone", song, dir.Path("out/ring.mmf")}, 1,
       "chimekit ringtone: " + dir.Path("out/ring.mmf") + ": the folder " + dir.Path("out/") + " does not exist\n"},
      {{"trim", song, folder}, 1, "chimekit trim: " + folder + ": a folder; name a file to write\n"},
      {{"trim", song, dir.Path("out.mid"), "--start", "2,5"}, 2,
       "chimekit trim: --start must be a number of seconds from 0 to 4294967.295 (up to three decimals), not '2,5'\n"
       "see 'chimekit trim --help'\n"},
      {{"copy-channel", song, dir.Path("out.mid"), "1"}, 2, "chimekit copy-channel: missing argument\n"
                                                            "see 'chimekit copy-channel --help'\n"},
      {{"frobnicate"}, 2, "chimekit: unknown command 'frobnicate'\nsee 'chimekit --help'\n"},
  };
  for (const auto& c : cases) {
    const test_support::CommandResult result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0];
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out, "") << c.arguments[0];
  }
  EXPECT_FALSE(test_support::FileExists(dir.Path("out.mid")));
  EXPECT_FALSE(test_support::FileExists(dir.Path("out.wav")));
}

TEST(CliEveryday, StandardInputAndVersion) {
  TempDir dir;
  const std::string song = dir.Write("song.mid", DrumsAndMelody());
  const std::string notes = dir.Write("notes.txt", "not a song");
  const auto piped = [](const std::string& arguments, const std::string& input) {
    return test_support::RunProgram("/bin/sh", {"-c", CHIMEKIT_CLI_PATH " " + arguments + " < '" + input + "'"});
  };
  EXPECT_EQ(piped("length -", song).out, "1000\n");
  EXPECT_EQ(piped("dump - --notes", song).out, RunChimekit({"dump", song, "--notes"}).out);
  EXPECT_EQ(piped("reshape - " + dir.Path("one.mid"), song).exit_code, 1);  // format 0: refused
  EXPECT_EQ(piped("length -", notes).err, "chimekit length: standard input: neither a MIDI file nor a SMAF file\n");

  const std::string version = ReadFileBytes(CHIMEKIT_TESTS_DIR "/../VERSION");
  const test_support::CommandResult printed = RunChimekit({"--version"});
  EXPECT_EQ(printed.exit_code, 0);
  EXPECT_EQ(printed.out, "chimekit " + version);
  EXPECT_EQ(RunChimekit({"--help"}).out.rfind("chimekit " + version.substr(0, version.size() - 1) + ": ", 0), 0u);
}
