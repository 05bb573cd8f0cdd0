// MIDIUsedChannels and MIDIDump called as a host calls them: through the
// shared library, with the signatures of chimekit.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "chimekit.h"
#include "support/shared_library.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::FileExists;
using test_support::ListFolder;
using test_support::ReadFileBytes;
using test_support::SharedLibrary;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

class ReportExports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.Loaded()) << SharedLibrary::LastError();
    used_channels_ = library_.Symbol<decltype(&MIDIUsedChannels)>("MIDIUsedChannels");
    dump_ = library_.Symbol<decltype(&MIDIDump)>("MIDIDump");
    ASSERT_NE(used_channels_, nullptr);
    ASSERT_NE(dump_, nullptr);
  }

  // One note C4 of 480 ticks on channel 3, velocity 100, after a program
  // change to 7.
  static std::string OneNote() {
    Track track;
    track.Program(0, 3, 7).NoteOn(0, 3, 60, 100).NoteOff(480, 3, 60).EndOfTrack();
    return Smf(0, 96, {track});
  }
  static constexpr const char* kOneNoteFull =
      "0:   Set intrument 7 for channel 3\r\n"
      "0:   Note C4 [60] on with velocity 100 for time 480mS at channel 3\r\n"
      "480:   Note C4 [60] off with velocity 0 at channel 3\r\n"
      "480:   SYSTEM REAL-TIME MESSAGE: Reset: End Of Sequence\r\n";
  static constexpr const char* kOneNoteList = "3,C4 [60],100,0,480,7 [0]\r\n";

  SharedLibrary library_{CHIMEKIT_LIBRARY_PATH};
  decltype(&MIDIUsedChannels) used_channels_ = nullptr;
  decltype(&MIDIDump) dump_ = nullptr;
  TempDir dir_;
};

TEST_F(ReportExports, WriteTheirReports) {
  std::string in = dir_.Write("in.mid", OneNote());
  EXPECT_EQ(used_channels_(in.c_str(), dir_.Path("channels.txt").c_str()), 0);
  EXPECT_EQ(ReadFileBytes(dir_.Path("channels.txt")), "0001000000000000\r\n");

  EXPECT_EQ(dump_(in.c_str(), dir_.Path("full.txt").c_str(), 1), 0);
  EXPECT_EQ(ReadFileBytes(dir_.Path("full.txt")), kOneNoteFull);
  EXPECT_EQ(dump_(in.c_str(), dir_.Path("notes.txt").c_str(), 0), 0);
  EXPECT_EQ(ReadFileBytes(dir_.Path("notes.txt")), kOneNoteList);

  // An existing output is replaced.
  std::string out = dir_.Write("old.txt", std::string(100, 'x'));
  EXPECT_EQ(used_channels_(in.c_str(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), "0001000000000000\r\n");
}

TEST_F(ReportExports, OnlyTheLowByteOfVerboseCounts) {
  std::string in = dir_.Write("in.mid", OneNote());
  std::string out = dir_.Path("out.txt");
  EXPECT_EQ(dump_(in.c_str(), out.c_str(), 0x100), 0);
  EXPECT_EQ(ReadFileBytes(out), kOneNoteList);
  EXPECT_EQ(dump_(in.c_str(), out.c_str(), 0xFFFFFF80u), 0);
  EXPECT_EQ(ReadFileBytes(out), kOneNoteFull);
}

TEST_F(ReportExports, UnreadableInputIsStatus1AndLeavesOutputsAlone) {
  std::string whole = OneNote();
  std::string in = dir_.Write("cut.mid", whole.substr(0, whole.size() - 1));
  std::string fresh = dir_.Path("fresh.txt");
  EXPECT_EQ(used_channels_(in.c_str(), fresh.c_str()), 1);
  EXPECT_EQ(dump_(in.c_str(), fresh.c_str(), 1), 1);
  EXPECT_FALSE(FileExists(fresh));

  std::string kept = dir_.Write("kept.txt", "earlier contents\r\n");
  EXPECT_EQ(used_channels_(in.c_str(), kept.c_str()), 1);
  EXPECT_EQ(dump_(in.c_str(), kept.c_str(), 0), 1);
  EXPECT_EQ(ReadFileBytes(kept), "earlier contents\r\n");
  // No temporary file is left behind either.
  EXPECT_EQ(ListFolder(dir_.Path("")), "cut.mid\nkept.txt\n");
}

TEST_F(ReportExports, UnwritableOutputIsStatus1) {
  std::string in = dir_.Write("in.mid", OneNote());
  std::string nowhere = dir_.Path("no-such-folder/out.txt");
  EXPECT_EQ(used_channels_(in.c_str(), nowhere.c_str()), 1);
  EXPECT_EQ(dump_(in.c_str(), nowhere.c_str(), 1), 1);
  EXPECT_EQ(used_channels_(in.c_str(), nullptr), 1);
  EXPECT_EQ(dump_(in.c_str(), nullptr, 1), 1);
  // A folder in the way of the output.
  std::filesystem::create_directory(dir_.Path("taken"));
  EXPECT_EQ(dump_(in.c_str(), dir_.Path("taken").c_str(), 1), 1);
  EXPECT_EQ(ListFolder(dir_.Path("")), "in.mid\ntaken\n");
}

TEST_F(ReportExports, OutputMayReplaceTheInput) {
  std::string in = dir_.Write("song.mid", OneNote());
  EXPECT_EQ(dump_(in.c_str(), in.c_str(), 1), 0);
  EXPECT_EQ(ReadFileBytes(in), kOneNoteFull);

  std::string other = dir_.Write("other.mid", OneNote());
  EXPECT_EQ(used_channels_(other.c_str(), other.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(other), "0001000000000000\r\n");
}

TEST_F(ReportExports, FileWithoutTracks) {
  std::string in = dir_.Write("empty.mid", "");
  EXPECT_EQ(dump_(in.c_str(), dir_.Path("dump.txt").c_str(), 1), 0);
  EXPECT_TRUE(FileExists(dir_.Path("dump.txt")));
  EXPECT_EQ(ReadFileBytes(dir_.Path("dump.txt")), "");
  EXPECT_EQ(used_channels_(in.c_str(), dir_.Path("channels.txt").c_str()), 0);
  EXPECT_EQ(ReadFileBytes(dir_.Path("channels.txt")), "0000000000000000\r\n");
}

}  // namespace
