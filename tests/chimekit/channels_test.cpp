// The channel usage report built from a loaded file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chimekit/inspection/channels.h"
#include "support/smf_builder.h"

namespace {

using test_support::Smf;
using test_support::Track;

std::string Report(const std::vector<std::string>& tracks) {
  midifile::TMidiFile file;
  file.ReadBytes(Smf(1, 96, tracks));
  return chimekit::UsedChannelsReport(file);
}

TEST(UsedChannelsReport, MarksChannelsWithNoteOnsChannelZeroFirst) {
  Track track;
  track.NoteOn(0, 0, 60, 100).NoteOn(0, 9, 36, 100).NoteOff(10, 0, 60).NoteOff(0, 9, 36).EndOfTrack();
  EXPECT_EQ(Report({track}), "1000000001000000\r\n");

  Track last;
  last.NoteOn(0, 15, 60, 1).EndOfTrack();
  EXPECT_EQ(Report({last}), "0000000000000001\r\n");
}

TEST(UsedChannelsReport, OnlyNoteOnsCount) {
  // Note-offs, key pressure, controllers, programs, channel pressure and
  // pitch wheel on channels 1 to 6 leave every channel unused.
  Track track;
  track.NoteOff(0, 1, 60)
      .Raw(0, {0xA2, 60, 10})
      .Control(0, 3, 7, 100)
      .Program(0, 4, 5)
      .Raw(0, {0xD5, 20})
      .Raw(0, {0xE6, 0, 64})
      .Raw(0, {0xF0, 2, 0x7E, 0xF7})
      .EndOfTrack();
  EXPECT_EQ(Report({track}), "0000000000000000\r\n");
}

TEST(UsedChannelsReport, NoteOnOfVelocityZeroCounts) {
  Track track;
  track.NoteOn(0, 2, 60, 0).EndOfTrack();
  EXPECT_EQ(Report({track}), "0010000000000000\r\n");
}

TEST(UsedChannelsReport, EventsAfterEndOfTrackAreNotLookedAt) {
  Track first;
  first.NoteOn(0, 0, 60, 100).EndOfTrack(10).NoteOn(0, 3, 60, 100).NoteOn(0, 5, 60, 100);
  Track second;
  second.NoteOn(0, 5, 62, 100).EndOfTrack();
  // Channel 3 appears only after the end of track; channel 5 also before
  // the end of the second track.
  EXPECT_EQ(Report({first, second}), "1000010000000000\r\n");

  // A track without an end of track is looked at to its last event.
  Track open;
  open.NoteOn(0, 7, 60, 100);
  EXPECT_EQ(Report({open}), "0000000100000000\r\n");
}

TEST(UsedChannelsReport, EveryChannelUsedGivesSixteenOnes) {
  Track track;
  for (int channel = 15; channel >= 0; --channel) track.NoteOn(1, channel, 40 + channel, 90);
  track.EndOfTrack();
  std::string report = Report({track});
  EXPECT_EQ(report, "1111111111111111\r\n");
  EXPECT_EQ(report.size(), 18u);
}

TEST(UsedChannelsReport, FileWithoutTracksOrNotes) {
  midifile::TMidiFile empty;
  empty.ReadBytes("");
  EXPECT_EQ(chimekit::UsedChannelsReport(empty), "0000000000000000\r\n");

  Track quiet;
  quiet.Tempo(0, 500000).Meta(0, 0x03, "Name").EndOfTrack();
  EXPECT_EQ(Report({quiet}), "0000000000000000\r\n");
}

TEST(UsedChannelsReport, TakesEveryTrackBeyondTheLow8BitsOfTheCount) {
  // 300 tracks: only the 300th has a note; counting 300 as its low 8 bits
  // (44) would miss it.
  std::vector<std::string> tracks(299, Track().EndOfTrack());
  tracks.push_back(Track().NoteOn(0, 11, 60, 100).EndOfTrack());
  EXPECT_EQ(Report(tracks), "0000000000010000\r\n");
}

}  // namespace
