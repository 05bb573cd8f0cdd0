// Loads libchimekit with dlopen and calls the exports as a host program
// does: symbols looked up by name, C calling convention, paths as C strings.
#include <gtest/gtest.h>

#include <cstdint>

#include "support/shared_library.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

namespace {

using LengthFn = uint8_t (*)(const char*, int32_t*);
using ReportFn = uint8_t (*)(const char*, const char*);
using DumpFn = uint8_t (*)(const char*, const char*, uint32_t);

class Host : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.Loaded()) << test_support::SharedLibrary::LastError(); }

  test_support::SharedLibrary library_{CHIMEKIT_LIBRARY_PATH};
  TempDir dir_;
  std::string song_ = dir_.Write("song.mid", Smf(1, 96,
                                                 {Track().Tempo(0, 500000).EndOfTrack(),
                                                  Track().NoteOn(480, 9, 36, 100).NoteOff(480, 9, 36).EndOfTrack()}));
};

}  // namespace

TEST_F(Host, CallsEveryInspectionExport) {
  auto get_length = library_.Export<LengthFn>("MIDIGetLengthMs");
  auto first_note = library_.Export<LengthFn>("MIDIFirstNoteTimeMs");
  auto used_channels = library_.Export<ReportFn>("MIDIUsedChannels");
  auto dump = library_.Export<DumpFn>("MIDIDump");
  ASSERT_TRUE(get_length && first_note && used_channels && dump);

  int32_t value = 0;
  EXPECT_EQ(get_length(song_.c_str(), &value), 0);
  EXPECT_EQ(value, 5000);  // 960 ticks at 96 per quarter and 120 BPM
  EXPECT_EQ(first_note(song_.c_str(), &value), 0);
  EXPECT_EQ(value, 480);

  std::string report = dir_.Path("channels.txt");
  EXPECT_EQ(used_channels(song_.c_str(), report.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(report), "0000000001000000\r\n");

  std::string listing = dir_.Path("notes.txt");
  EXPECT_EQ(dump(song_.c_str(), listing.c_str(), 0x100), 0);  // low byte 0: note list
  EXPECT_EQ(ReadFileBytes(listing), "9,C2 [36],100,480,960,0 [0]\r\n");
}

TEST_F(Host, ConvertsToSmaf) {
  auto to_smaf = library_.Export<ReportFn>("MIDI2SMAF");
  ASSERT_TRUE(to_smaf);
  std::string ring = dir_.Path("ring.mmf");
  // The first track holds no note: a ringtone without score tracks.
  EXPECT_EQ(to_smaf(song_.c_str(), ring.c_str()), 0);
  std::string bytes = ReadFileBytes(ring);
  ASSERT_GE(bytes.size(), 10u);
  EXPECT_EQ(bytes.substr(0, 4), "MMMD");
  EXPECT_EQ(bytes.find("MTR"), std::string::npos);
  std::string melody = dir_.Write("melody.mid", Smf(0, 96, {Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)}));
  EXPECT_EQ(to_smaf(melody.c_str(), ring.c_str()), 0);
  EXPECT_NE(ReadFileBytes(ring).find("MTR\x01"), std::string::npos);
  std::string no_division = dir_.Write("zero.mid", Smf(0, 0, {Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60)}));
  EXPECT_EQ(to_smaf(no_division.c_str(), dir_.Path("zero.mmf").c_str()), 1);
  EXPECT_FALSE(FileExists(dir_.Path("zero.mmf")));
}

TEST_F(Host, StatusesForTruncatedInputs) {
  auto get_length = library_.Export<LengthFn>("MIDIGetLengthMs");
  auto used_channels = library_.Export<ReportFn>("MIDIUsedChannels");
  auto dump = library_.Export<DumpFn>("MIDIDump");
  ASSERT_TRUE(get_length && used_channels && dump);
  std::string out = dir_.Path("out.txt");
  int32_t value = 5;

  std::string truncated = dir_.Write("cut.mid", ReadFileBytes(song_).substr(0, 30));
  EXPECT_EQ(get_length(truncated.c_str(), &value), 1);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(used_channels(truncated.c_str(), out.c_str()), 1);
  EXPECT_EQ(dump(truncated.c_str(), out.c_str(), 1), 1);
  EXPECT_FALSE(FileExists(out));

  // A failed call leaves an existing output as it was.
  std::string kept = dir_.Write("kept.txt", "keep me");
  EXPECT_EQ(dump(truncated.c_str(), kept.c_str(), 1), 1);
  EXPECT_EQ(ReadFileBytes(kept), "keep me");
  // An output that cannot be created is the library's error too.
  EXPECT_EQ(used_channels(song_.c_str(), dir_.Path("no/such/folder.txt").c_str()), 1);
}

TEST_F(Host, OutputPathEqualToInputPath) {
  auto used_channels = library_.Export<ReportFn>("MIDIUsedChannels");
  auto dump = library_.Export<DumpFn>("MIDIDump");
  ASSERT_TRUE(used_channels && dump);
  std::string copy = dir_.Write("copy.mid", ReadFileBytes(song_));
  EXPECT_EQ(dump(copy.c_str(), copy.c_str(), 1), 0);
  EXPECT_NE(ReadFileBytes(copy).find("Note C2 [36] on with velocity 100 for time 480mS at channel 9"),
            std::string::npos);
  std::string again = dir_.Write("again.mid", ReadFileBytes(song_));
  EXPECT_EQ(used_channels(again.c_str(), again.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(again), "0000000001000000\r\n");
}
