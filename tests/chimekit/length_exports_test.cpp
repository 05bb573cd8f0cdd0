// MIDIGetLengthMs and MIDIFirstNoteTimeMs called as a host calls them.
#include <gtest/gtest.h>

#include "chimekit.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using test_support::Bytes;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

TEST(LengthExports, SongLength) {
  TempDir dir;
  int32_t length = -1;
  EXPECT_EQ(MIDIGetLengthMs(dir.Write("a.mid", Smf(0, 96, {Track().Tempo(0, 500000).EndOfTrack(960)})).c_str(),
                            &length),
            0);
  EXPECT_EQ(length, 5000);
  // A truncated file is the library's error, and the value stays 0.
  length = 77;
  EXPECT_EQ(MIDIGetLengthMs(dir.Write("cut.mid", Smf(0, 96, {Track().EndOfTrack(960)}).substr(0, 20)).c_str(), &length),
            1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(MIDIGetLengthMs(dir.Write("b.mid", Smf(0, 96, {})).c_str(), nullptr), 0);
}

TEST(LengthExports, FirstNoteTime) {
  TempDir dir;
  int32_t first = 0;
  // Earliest note-on over all tracks, velocity 0 included; events after the
  // end of their track are not looked at.
  std::string file = Smf(1, 96,
                         {Track().NoteOn(960, 0, 60, 100).EndOfTrack(),
                          Track().EndOfTrack(0).NoteOn(10, 1, 60, 100),
                          Track().NoteOn(480, 2, 60, 0)});
  EXPECT_EQ(MIDIFirstNoteTimeMs(dir.Write("a.mid", file).c_str(), &first), 0);
  EXPECT_EQ(first, 480);
  EXPECT_EQ(MIDIFirstNoteTimeMs(dir.Write("b.mid", Smf(0, 96, {Track().Program(0, 0, 1)})).c_str(), &first), 0);
  EXPECT_EQ(first, 2147483647);
  first = 33;
  EXPECT_EQ(MIDIFirstNoteTimeMs(dir.Write("cut.mid", "MThd").c_str(), &first), 1);
  EXPECT_EQ(first, 33);
}

TEST(LengthExports, EveryLoadedTrackIsScanned) {
  // 257 tracks: a count taken by its low 8 bits (1) would scan track 0
  // only; the earliest note-on stands in the last track.
  std::vector<std::string> tracks(257, Track().EndOfTrack());
  tracks[0] = Track().NoteOn(900, 0, 60, 100);
  tracks[256] = Track().NoteOn(5, 0, 60, 100);
  TempDir dir;
  int32_t first = 0;
  EXPECT_EQ(MIDIFirstNoteTimeMs(dir.Write("many.mid", Smf(1, 96, tracks)).c_str(), &first), 0);
  EXPECT_EQ(first, 5);
}
