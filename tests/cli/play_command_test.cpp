// chimekit play run as a user: the WAV file it writes, read back by
// Python's wave module; MIDI and SMAF input, --mono, --seconds, standard
// output; and what it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::ReadFileBytes;
using test_support::RunChimekit;
using test_support::TempDir;

namespace {

// Eight notes of 250 ms at 96 ticks per quarter, 120 BPM: a 10 ms timebase.
std::string Tune() {
  test_support::Track track;
  for (int key : {60, 64, 67, 72, 67, 64, 60, 55}) track.NoteOn(0, 0, key, 100).NoteOff(48, 0, key);
  return test_support::Smf(0, 96, {track.EndOfTrack()});
}

// "channels sample-bytes rate frames" as Python's wave module reads them.
std::string WaveFormat(const std::string& path) {
  return test_support::RunProgram("/usr/bin/python3", {"-c",
                                                       "import sys, wave\n"
                                                       "w = wave.open(sys.argv[1])\n"
                                                       "print(w.getnchannels(), w.getsampwidth(), w.getframerate(),"
                                                       " w.getnframes())",
                                                       path})
      .out;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CliPlay, RendersMidiAndSmafInputAlike) {
  TempDir dir;
  const std::string midi = dir.Write("tune.mid", Tune());
  const auto played = RunChimekit({"play", midi, dir.Path("tune.wav")});
  ASSERT_EQ(played.exit_code, 0) << played.err;
  EXPECT_EQ(played.err, "");
  EXPECT_TRUE(played.out.starts_with(
      "input: MIDI file (re-timed at 120 BPM, 2.0 s as it plays), converted to SMAF (timebase 4 ms, 1 score "
          "track, 8 notes, 0 dropped for want of a free "
      "channel)\nrendered: "))
      << played.out;
  // The printed length is the length of the file; the last note rings on
  // after the tune's two seconds.
  const std::string format = WaveFormat(dir.Path("tune.wav"));
  const long frames = std::stol(format.substr(format.rfind(' ')));
  EXPECT_EQ(format, "2 2 44100 " + std::to_string(frames) + "\n");
  EXPECT_GT(frames, 2 * 44100);
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "rendered: %.3f s, stereo, 16-bit PCM, 44100 Hz\n", static_cast<double>(frames) / 44100.0);
  EXPECT_TRUE(played.out.ends_with(seconds)) << played.out;

  // The same through a SMAF file written by the smaf command, and to
  // standard output.
  ASSERT_EQ(RunChimekit({"smaf", midi, dir.Path("tune.mmf")}).exit_code, 0);
  const auto from_smaf = RunChimekit({"play", dir.Path("tune.mmf"), dir.Path("again.wav")});
  EXPECT_EQ(from_smaf.out,
            "input: SMAF file, score tracks: 1 (Handyphone Standard), notes: 8, audio tracks: 0\n"
            "played: 8 notes on the file's FM voices\n" + std::string(seconds));
  EXPECT_EQ(ReadFileBytes(dir.Path("again.wav")), ReadFileBytes(dir.Path("tune.wav")));
  const auto piped = RunChimekit({"play", dir.Path("tune.mmf"), "-"});
  EXPECT_EQ(piped.out, ReadFileBytes(dir.Path("tune.wav")));
  EXPECT_TRUE(Contains(piped.err, seconds)) << piped.err;

  // Only the start, in mono.
  const auto start = RunChimekit({"play", midi, dir.Path("start.wav"), "--mono", "--seconds=1"});
  EXPECT_EQ(start.exit_code, 0) << start.err;
  EXPECT_TRUE(Contains(start.out, "rendered: the first 1.000 s of 2.000 s, mono, 16-bit PCM, 44100 Hz\n"))
      << start.out;
  EXPECT_EQ(WaveFormat(dir.Path("start.wav")), "1 2 44100 44100\n");
}

TEST(CliPlay, RefusesWhatItCannotPlay) {
  TempDir dir;
  const std::string midi = dir.Write("tune.mid", Tune());
  ASSERT_EQ(RunChimekit({"smaf", midi, dir.Path("tune.mmf")}).exit_code, 0);
  const std::string ringtone = ReadFileBytes(dir.Path("tune.mmf"));
  const std::string cut = dir.Write("cut.mmf", ringtone.substr(0, ringtone.size() - 12));
  const std::string out = dir.Path("out.wav");
  struct Case {
    std::vector<std::string> arguments;
    int exit_code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"play", dir.Path("missing.mid"), out}, 1, "missing.mid: no such file"},
      {{"play", cut, out}, 1, "chimekit play: " + cut + ": damaged SMAF file: at 0x"},
      {{"play", dir.Write("empty.mid", ""), out}, 1, "empty.mid: neither a MIDI file nor a SMAF file"},
      {{"play", midi, out, "--seconds", "0"}, 2, "--seconds must be a number of seconds from 0.001 to 600"},
      {{"play", midi, midi}, 2, "is the input file: the WAV file would replace the song"},
      {{"play", midi, out, "--seconds", "601"}, 2, "--seconds must be"},
      {{"play", midi, out, "--seconds"}, 2, "needs a value"},
      {{"play", midi}, 2, "missing argument"},
      {{"play", midi, out, "--loud"}, 2, "unknown option --loud"},
  };
  for (const Case& c : cases) {
    const auto result = RunChimekit(c.arguments);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.message;
    EXPECT_TRUE(Contains(result.err, c.message)) << result.err;
    EXPECT_FALSE(test_support::FileExists(out)) << c.message;
  }
  const auto help = RunChimekit({"play", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: chimekit play IN.mmf OUT.wav")) << help.out;
}
