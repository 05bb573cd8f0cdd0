// chimekit inspect, run as a user runs it: the listing of a sound ringtone,
// and the exit status and messages for damaged, missing and foreign files.
#include <gtest/gtest.h>

#include <string>

#include "support/run_command.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::Bytes;
using test_support::Chunk;
using test_support::RunProgram;
using test_support::TempDir;

namespace {

test_support::CommandResult Inspect(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "inspect");
  return test_support::RunChimekit(arguments);
}

// A one-note ringtone titled "Bells": volume 107, key 60 for 100 units, a
// rest of 100 units; sealed with its CRC-16/GENIBUS worked out bit by bit.
std::string Ringtone() {
  const std::string voice = Bytes({0xFF, 0xF0, 0x12, 0x43, 0x03, 0, 0, 0}) + std::string(12, '\x11') + "\xF7";
  const std::string events = Bytes({0, 0, 0xF7, 0x6B, 0, 0xDC, 0x64, 0x64, 0xFF, 0, 0, 0, 0, 0});
  const std::string body =
      Chunk("CNTI", Bytes({0, 0, 1, 0, 0}) + "ST:Bells,") +
      Chunk("MTR\x01", Bytes({0, 0, 0x10, 0x10, 0x80, 0x80}) + Chunk("Mtsu", voice) + Chunk("Mtsq", events));
  const std::string file = "MMMD" + Bytes({0, 0, 0, static_cast<int>(body.size() + 2)}) + body;
  uint32_t crc = 0xFFFF;
  for (unsigned char byte : file) {
    crc ^= static_cast<uint32_t>(byte) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = ((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1) & 0xFFFF;
  }
  crc ^= 0xFFFF;
  return file + Bytes({static_cast<int>(crc >> 8), static_cast<int>(crc & 0xFF)});
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CliInspect, ListsASoundRingtoneAndExitsZero) {
  TempDir dir;
  const std::string path = dir.Write("bells.mmf", Ringtone());
  const std::string summary = "summary: timebase 10 ms, 1 score track, 1 voice, 1 note, 0 problems\n";
  auto full = Inspect({path});
  EXPECT_EQ(full.exit_code, 0) << full.err;
  EXPECT_EQ(full.err, "");
  EXPECT_TRUE(Contains(full.out, "\n    title: \"Bells\"\n")) << full.out;
  EXPECT_TRUE(Contains(full.out,
                       "\n    +0 ch3 volume 107\n    +0 ch3 note octave 1 note 12 (base+24 = key 60) gate 100\n"
                       "    +100 nop\n"))
      << full.out;
  EXPECT_TRUE(full.out.ends_with("\n" + summary));
  auto quiet = Inspect({path, "--quiet"});
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.out, summary);
}

TEST(CliInspect, DamagedFileExitsOneAndSaysWhy) {
  TempDir dir;
  std::string damaged = Ringtone();
  damaged[damaged.find("\xF7")] = 0;  // a byte changed: the CRC and the voice message both broken
  const std::string path = dir.Write("damaged.mmf", damaged);
  auto full = Inspect({path});
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_TRUE(Contains(full.err, "damaged SMAF file: at 0x")) << full.err;
  EXPECT_TRUE(Contains(full.err, "CRC"));
  EXPECT_TRUE(Contains(full.err, "voice message does not end with F7"));
  EXPECT_TRUE(Contains(full.out, "+0 ch3 volume 107"));  // the rest is still listed
  EXPECT_TRUE(Contains(full.out, "problem: at 0x"));
  auto quiet = Inspect({"--quiet", path});
  EXPECT_EQ(quiet.exit_code, 1);
  EXPECT_FALSE(Contains(quiet.out, "volume"));
  EXPECT_TRUE(quiet.out.starts_with("problem: at 0x")) << quiet.out;
  EXPECT_TRUE(Contains(quiet.out, "\nsummary: "));
}

TEST(CliInspect, MissingAndForeignFilesFail) {
  TempDir dir;
  auto missing = Inspect({dir.Path("none.mmf")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_TRUE(Contains(missing.err, "none.mmf: no such file")) << missing.err;
  EXPECT_EQ(missing.out, "");
  const std::string midi = test_support::Smf(0, 96, {test_support::Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)});
  auto foreign = Inspect({dir.Write("song.mid", midi)});
  EXPECT_EQ(foreign.exit_code, 1);
  EXPECT_TRUE(Contains(foreign.err, "song.mid: a MIDI file; this command takes a SMAF file")) << foreign.err;
  auto words = Inspect({dir.Write("words.mmf", "not a ringtone")});
  EXPECT_EQ(words.exit_code, 1);
  EXPECT_TRUE(Contains(words.err, "words.mmf: neither a MIDI file nor a SMAF file")) << words.err;
  auto empty = Inspect({dir.Write("empty.mmf", "")});
  EXPECT_EQ(empty.exit_code, 1);
  // Named SMAF by its first bytes, but cut short: listed, and damaged.
  auto cut = Inspect({dir.Write("cut.mmf", "MMMD")});
  EXPECT_EQ(cut.exit_code, 1);
  EXPECT_TRUE(Contains(cut.err, "damaged SMAF file: at 0x0000: not a SMAF file")) << cut.err;
}

TEST(CliInspect, HelpAndUsage) {
  auto help = Inspect({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: chimekit inspect RING.mmf [--quiet]"));
  EXPECT_TRUE(Contains(test_support::RunChimekit({"--help"}).out, "inspect"));
  EXPECT_EQ(Inspect({}).exit_code, 2);
  EXPECT_EQ(Inspect({"a.mmf", "b.mmf"}).exit_code, 2);
  EXPECT_EQ(Inspect({"--loud", "a.mmf"}).exit_code, 2);
}
