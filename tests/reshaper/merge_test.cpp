// Merging all tracks into one: time order, ties, End of Track handling.
#include <gtest/gtest.h>

#include <vector>

#include "reshaper/merge_tracks.h"
#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::Convert;
using reshaper_test::Format0;
using reshaper_test::StreamOver;
using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

namespace {

std::string Merged(const std::vector<std::string>& tracks) {
  auto result = Convert(Smf(1, 480, tracks));
  EXPECT_EQ(result.status, kConverted);
  return result.output;
}

}  // namespace

TEST(ReshaperMerge, TempoTrackAndNoteTrack) {
  std::string out = Merged({Track().Tempo(0, 500000).EndOfTrack(0),
                            Track().NoteOn(0, 0, 60, 64).NoteOn(480, 0, 62, 64).NoteOn(480, 0, 64, 64).EndOfTrack(0)});
  EXPECT_EQ(out, Format0(480, Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x40, 0x83, 0x60,
                                     0x3E, 0x40, 0x83, 0x60, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00})));
}

TEST(ReshaperMerge, LatestEndOfTrackEndsTheTrackAndRunningStatusSpansTracks) {
  std::string out = Merged({Track().NoteOn(0, 0, 60, 64).EndOfTrack(10), Track().NoteOn(20, 0, 62, 64).EndOfTrack(10)});
  EXPECT_EQ(out, Format0(480, Bytes({0x00, 0x90, 0x3C, 0x40, 0x14, 0x3E, 0x40, 0x0A, 0xFF, 0x2F, 0x00})));
}

TEST(ReshaperMerge, SameTickKeepsTrackOrderThenEventOrder) {
  std::string out = Merged({Track().Program(5, 0, 1).Program(0, 0, 2).EndOfTrack(0),
                            Track().Program(5, 1, 3).EndOfTrack(0), Track(), Track().Program(0, 2, 4).EndOfTrack(5)});
  EXPECT_EQ(out, Format0(480, Bytes({0x00, 0xC2, 0x04, 0x05, 0xC0, 0x01, 0x00, 0x02, 0x00, 0xC1, 0x03, 0x00, 0xFF,
                                     0x2F, 0x00})));
}

TEST(ReshaperMerge, EndOfTrackInsideATrackAndMissingEndOfTrack) {
  // Events after an End of Track still count; the merged track ends at the
  // last event when that is later than every End of Track.
  EXPECT_EQ(Merged({Track().NoteOn(0, 0, 60, 64).EndOfTrack(10).NoteOn(10, 0, 62, 64), Track().EndOfTrack(5)}),
            Format0(480, Bytes({0x00, 0x90, 0x3C, 0x40, 0x14, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00})));
  // No End of Track anywhere: one is added at the last event.
  EXPECT_EQ(Merged({Track().NoteOn(7, 0, 60, 64), Track()}),
            Format0(480, Bytes({0x07, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00})));
}

// From a Reshaper fuzzer input: a first data byte with its top bit set (a
// damaged input) keeps its status byte even behind an event of the same
// status, so that a reader does not take it for a status.
TEST(ReshaperMerge, HighDataByteKeepsItsStatusByte) {
  EXPECT_EQ(Merged({Track().Control(0, 1, 4, 0x74).Raw(0x65, {0xB1, 0xB1, 0x69}).EndOfTrack(0)}),
            Format0(480, Bytes({0x00, 0xB1, 0x04, 0x74, 0x65, 0xB1, 0xB1, 0x69, 0x00, 0xFF, 0x2F, 0x00})));
}

TEST(ReshaperMerge, SingleTrackKeepsItsEvents) {
  std::string body = Track().Meta(0, 0x03, "name").NoteOn(0, 9, 36, 100).NoteOff(120, 9, 36).EndOfTrack(0);
  EXPECT_EQ(Merged({body}), Format0(480, body));
}

TEST(ReshaperMerge, EndOfTrackTakesADeltaLongerThanTheOneItWasReadWith) {
  // Two tracks ending together at tick 200, and a track whose second End of
  // Track (delta 100) survives 200 ticks behind the last event: the delta
  // needs two bytes, and the track's length counts them.
  std::string expected = Format0(480, Bytes({0x00, 0x90, 0x3C, 0x40, 0x81, 0x48, 0xFF, 0x2F, 0x00}));
  EXPECT_EQ(Merged({Track().NoteOn(0, 0, 60, 64).EndOfTrack(200), Track().EndOfTrack(200)}), expected);
  EXPECT_EQ(Merged({Track().NoteOn(0, 0, 60, 64), Track().EndOfTrack(100).EndOfTrack(100)}), expected);

  std::string file = Smf(1, 480, {Track().NoteOn(0, 0, 60, 64), Track().EndOfTrack(100).EndOfTrack(100), Track()});
  StreamOver input(file);
  SourceSong source = readSource(input.stream);
  std::vector<uint8_t> output(mergedFileBound(source));
  MergedFile merged = mergeTracks(source, output.data());
  EXPECT_EQ(merged.tracks, 3u);
  EXPECT_EQ(merged.events, 2u);
  EXPECT_EQ(std::string(input.stream.data().begin(), input.stream.data().end()), file) << "read in place, not changed";
  EXPECT_EQ(std::string(output.begin(), output.begin() + static_cast<ptrdiff_t>(merged.size)), expected);
}
