// ConvertMidi as a whole: statuses, the file container, the header, and the
// format 0 file it writes.
#include <unistd.h>

#include <gtest/gtest.h>

#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::Convert;
using reshaper_test::Format0;
using test_support::Bytes;
using test_support::Chunk;
using test_support::Track;

namespace {

std::string Le32(uint32_t n) {
  return Bytes({static_cast<int>(n), static_cast<int>(n >> 8), static_cast<int>(n >> 16), static_cast<int>(n >> 24)});
}

// Three tracks: tempo; a note on channel 0; a program change on channel 1.
std::string ThreeTracks(int division = 96) {
  return test_support::Smf(1, division,
                           {Track().Tempo(0, 500000).EndOfTrack(0),
                            Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).EndOfTrack(0),
                            Track().Program(48, 1, 5).EndOfTrack(48)});
}

std::string ThreeTracksMerged(int division = 96) {
  return Format0(division, Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                                  0x00, 0x90, 0x3C, 0x64,                    // note on
                                  0x30, 0xC1, 0x05,                          // program at 48
                                  0x30, 0x80, 0x3C, 0x00,                    // note off at 96
                                  0x00, 0xFF, 0x2F, 0x00}));
}

std::string Rmid(const std::string& smf, const std::string& after = "") {
  std::string form = "RMID" + std::string("data") + Le32(static_cast<uint32_t>(smf.size())) + smf + after;
  return "RIFF" + Le32(static_cast<uint32_t>(form.size())) + form;
}

}  // namespace

TEST(ReshaperConvertMidi, FormatOneFileBecomesOneTrackFormatZeroFile) {
  auto result = Convert(ThreeTracks());
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.output, ThreeTracksMerged());
  EXPECT_EQ(result.output.substr(0, 14), Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}));
}

TEST(ReshaperConvertMidi, RiffRmidFormIsUnwrapped) {
  EXPECT_EQ(Convert(Rmid(ThreeTracks())).output, ThreeTracksMerged());
  // Odd-sized data chunk with its pad byte, then an INFO list.
  // A header one byte longer than usual makes the data chunk odd-sized.
  std::string smf = Chunk("MThd", Bytes({0, 1, 0, 3, 0, 96, 0xEE})) + ThreeTracks().substr(14);
  ASSERT_EQ(smf.size() % 2, 1u);
  std::string info = std::string(1, '\0') + "LIST" + Le32(8) + "INFOabcd";
  auto result = Convert(Rmid(smf, info));
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.output, ThreeTracksMerged());
}

TEST(ReshaperConvertMidi, LongHeaderAndSmpteDivisionAreHandled) {
  std::string longHeader = Chunk("MThd", Bytes({0, 1, 0, 1, 0, 96, 0xAA, 0xBB})) +
                           Chunk("MTrk", Track().NoteOn(0, 0, 60, 100).EndOfTrack(10));
  EXPECT_EQ(Convert(longHeader).output, Format0(96, Bytes({0x00, 0x90, 0x3C, 0x64, 0x0A, 0xFF, 0x2F, 0x00})));
  auto smpte = Convert(ThreeTracks(0xE728));
  EXPECT_EQ(smpte.status, kConverted);
  EXPECT_EQ(smpte.output, ThreeTracksMerged(0xE728));
}

TEST(ReshaperConvertMidi, NotFormatOneLeavesAnEmptyOutput) {
  std::string track = Track().EndOfTrack(0);
  for (const std::string& input :
       {test_support::Smf(0, 96, {track}), test_support::Smf(2, 96, {track, track}), std::string("just some text\r\n"),
        std::string(), "RIFF" + Le32(4) + "WAVE", "RIFF" + Le32(12) + "RMIDjunk" + Le32(0),
        std::string("MThd\0\0\0\6\0", 9)}) {
    auto result = Convert(input);
    EXPECT_EQ(result.status, kNotFormat1);
    EXPECT_TRUE(result.outputExists);
    EXPECT_EQ(result.output, "");
  }
}

TEST(ReshaperConvertMidi, HeaderCutAfterTheFormatStillConverts) {
  // The format alone decides; nothing else was read, so the song is empty.
  auto result = Convert(Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}));
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.output, Format0(0, Bytes({0x00, 0xFF, 0x2F, 0x00})));
}

TEST(ReshaperConvertMidi, FilesThatCannotBeOpened) {
  test_support::TempDir dir;
  std::string input = dir.Write("in.mid", ThreeTracks());
  std::string output = dir.Path("out.mid");
  EXPECT_EQ(convertMidi(dir.Path("missing.mid").c_str(), output.c_str()), kFileFailure);
  EXPECT_EQ(convertMidi(dir.Path("").c_str(), output.c_str()), kFileFailure);  // a folder as input
  EXPECT_EQ(convertMidi(input.c_str(), dir.Path("no/such/folder/out.mid").c_str()), kFileFailure);
  EXPECT_EQ(convertMidi(input.c_str(), dir.Path("").c_str()), kFileFailure);  // the folder itself
  EXPECT_EQ(convertMidi(nullptr, output.c_str()), kFileFailure);
  EXPECT_EQ(convertMidi("", output.c_str()), kFileFailure);
  EXPECT_EQ(convertMidi(input.c_str(), nullptr), kFileFailure);
  EXPECT_EQ(convertMidi(input.c_str(), ""), kFileFailure);
  EXPECT_EQ(convertMidi(nullptr, nullptr), kFileFailure);
  EXPECT_EQ(test_support::ListFolder(dir.Path("")), "in.mid\n") << "no output, no temporary file";
  // Which of the two failed, for the command-line tool's message.
  EXPECT_EQ(convertFile(dir.Path("missing.mid").c_str(), output.c_str()).failedFile, FailedFile::Input);
  EXPECT_EQ(convertFile(input.c_str(), dir.Path("").c_str()).failedFile, FailedFile::Output);
}

TEST(ReshaperConvertMidi, InputAndOutputMayBeTheSameFile) {
  test_support::TempDir dir;
  std::string file = dir.Write("song.mid", ThreeTracks());
  ConversionResult result = convertFile(file.c_str(), file.c_str());
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.tracksMerged, 3u);
  EXPECT_EQ(result.eventsWritten, 5u);
  EXPECT_EQ(test_support::ReadFileBytes(file), ThreeTracksMerged());
  // Now format 0: refused, and the file, however the output spells it, is
  // left as it was (another output of a refused file is emptied).
  const std::string link = dir.Path("link.mid");
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  for (const std::string& output : {file, dir.Path(".") + "/song.mid", link}) {
    EXPECT_EQ(convertMidi(file.c_str(), output.c_str()), kNotFormat1) << output;
    EXPECT_EQ(test_support::ReadFileBytes(file), ThreeTracksMerged()) << output;
  }
  EXPECT_EQ(test_support::ListTree(dir.Path("")), "link.mid\nsong.mid\n");
}

TEST(ReshaperConvertMidi, ExistingOutputIsReplaced) {
  test_support::TempDir dir;
  std::string output = dir.Write("out.mid", std::string(1000, 'x'));
  EXPECT_EQ(convertMidi(dir.Write("in.mid", ThreeTracks()).c_str(), output.c_str()), kConverted);
  EXPECT_EQ(test_support::ReadFileBytes(output), ThreeTracksMerged());
}

TEST(ReshaperConvertMidi, FailedWriteIsReportedAndLeavesNoPartialOutput) {
  test_support::TempDir dir;
  Track notes;
  for (int i = 0; i < 2000; ++i) notes.NoteOn(1, 0, 60, i % 2 == 0 ? 64 : 0);
  std::string input = dir.Write("in.mid", test_support::Smf(1, 96, {notes.EndOfTrack(0)}));
  std::string output = dir.Write("out.mid", "old content");
  std::string fresh = dir.Path("fresh.mid");
  {
    reshaper_test::FileSizeLimit limit(1000);
    EXPECT_EQ(convertMidi(input.c_str(), output.c_str()), kWriteFailure);
    EXPECT_EQ(convertMidi(input.c_str(), fresh.c_str()), kWriteFailure);
  }
  EXPECT_EQ(test_support::ReadFileBytes(output), "old content");
  EXPECT_EQ(test_support::ListFolder(dir.Path("")), "in.mid\nout.mid\n");
  if (test_support::FileExists("/dev/full")) {
    EXPECT_EQ(convertMidi(input.c_str(), "/dev/full"), kWriteFailure);
  }
}

TEST(ReshaperConvertMidi, InMemoryConversionGivesTheSameFileAndCounts) {
  std::vector<uint8_t> output;
  ConversionResult result = convertBytes(reshaper_test::AsBytes(Rmid(ThreeTracks())), output);
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.tracksMerged, 3u);
  EXPECT_EQ(result.eventsWritten, 5u);
  EXPECT_EQ(std::string(output.begin(), output.end()), ThreeTracksMerged());
  output.assign(10, 0);
  EXPECT_EQ(convertBytes(reshaper_test::AsBytes("MThd"), output).status, kNotFormat1);
  EXPECT_TRUE(output.empty());
}

TEST(ReshaperConvertMidi, TrackCutOffByTheEndOfTheFileConvertsAsFarAsItWasRead) {
  // The second track ends inside a text event: its note before it stays.
  std::string file = test_support::Smf(
      1, 96, {Track().NoteOn(0, 0, 60, 64).EndOfTrack(20), Track().NoteOn(10, 1, 62, 64).Meta(0, 0x01, "lyric")});
  file.resize(file.size() - 2);
  auto result = Convert(file);
  EXPECT_EQ(result.status, kConverted);
  EXPECT_EQ(result.output, Format0(96, Bytes({0x00, 0x90, 0x3C, 0x40, 0x0A, 0x91, 0x3E, 0x40, 0x0A, 0xFF, 0x2F, 0x00})));
}

TEST(ReshaperConvertMidi, LargeTrackWithRunningStatusRoundTrips) {
  // A long run of notes in running status, shifted by a text event of 0 to
  // 2 bytes so that the notes fall at every offset.
  for (int pad = 0; pad < 3; ++pad) {
    std::string body = Track().Meta(0, 0x01, std::string(static_cast<size_t>(pad), 't')).NoteOn(0, 0, 60, 64);
    for (int i = 0; i < 30000; ++i) body += Bytes({0x01, 0x3C, i % 2 == 0 ? 0 : 64});
    body += Track().EndOfTrack(0).bytes();
    auto result = Convert(test_support::Smf(1, 96, {body}));
    EXPECT_EQ(result.status, kConverted);
    EXPECT_TRUE(result.output == Format0(96, body)) << "pad " << pad;
  }
}
