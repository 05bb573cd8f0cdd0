// Merge and combine on hand-made files, byte for byte: absolute times
// rounded halves to even, deltas of unwritten events passed on, tempo
// values scaled, division 0, tempo 0, and inputs without tracks.
#include <gtest/gtest.h>

#include "chimekit/editing/join.h"
#include "support/smf_builder.h"

using test_support::Header;
using test_support::Smf;
using test_support::Track;

static std::string Join(const std::string& first, const std::string& second, bool sequential) {
  return chimekit::JoinInputs(chimekit::ParseForRewrite(first), chimekit::ParseForRewrite(second), sequential).bytes;
}

TEST(Join, TracksOfBothFiles) {
  // The first file, 96 ticks per quarter at 500000: its longest track is
  // 30 ticks; its own tracks keep every byte the rewrite walk gives them.
  std::string first = Smf(0, 96, {Track().Tempo(0, 500000).NoteOn(10, 0, 60, 1).EndOfTrack(), Track().EndOfTrack(30)});
  std::string first_out = Track().Tempo(0, 500000).NoteOn(10, 0, 60, 1).EndOfTrack();
  const struct {
    const char* what;
    std::string second;
    bool sequential;
    std::vector<std::string> second_out;
  } cases[] = {
      // Division 192: times 1, 3, 5, 6 become 0.5, 1.5, 2.5, 3, rounded
      // halves to even, the first delta included (rounding each delta on
      // its own would give 1, 1, 1, 0).
      {"halves", Smf(1, 192, {Track().NoteOn(1, 0, 1, 1).NoteOn(2, 0, 2, 1).NoteOn(2, 0, 3, 1).EndOfTrack(1)}), false,
       {Track().NoteOn(0, 0, 1, 1).NoteOn(2, 0, 2, 1).NoteOn(0, 0, 3, 1).EndOfTrack(1)}},
      // Combined, every track starts at tick 30; a leading system exclusive
      // passes its delta and the offset on; a track with nothing written
      // is an end of track at its time; an empty track one at 0.
      {"offset", Smf(1, 96, {Track().Raw(4, {0xF0, 1, 0x7E}).NoteOn(0, 0, 1, 1), Track().Raw(6, {0xF0, 1, 0x7E}), ""}),
       true, {Track().NoteOn(34, 0, 1, 1).EndOfTrack(), Track().EndOfTrack(36), Track().EndOfTrack()}},
      // First tempo 250000 (a tempo of 0 does not count): tempos times 2,
      // ticks at 48 per quarter divided by 0.5 x 2 = 1; the tempo of 0
      // stays 0.
      {"tempo", Smf(1, 48, {Track().Tempo(0, 0).Tempo(3, 250000).NoteOn(5, 0, 1, 1).Tempo(1, 300000)}), false,
       {Track().Tempo(0, 0).Tempo(3, 500000).NoteOn(5, 0, 1, 1).Tempo(1, 600000).EndOfTrack()}},
      // Division 0: ticks stay ticks; tempos are still scaled.
      {"division 0", Smf(1, 0, {Track().Tempo(0, 1000000).NoteOn(7, 0, 1, 1).EndOfTrack(1)}), true,
       {Track().Tempo(30, 500000).NoteOn(7, 0, 1, 1).EndOfTrack(1)}},
      {"no tracks", Header(1, 0, 96), true, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> tracks = {first_out, Track().EndOfTrack(30)};
    tracks.insert(tracks.end(), c.second_out.begin(), c.second_out.end());
    EXPECT_EQ(Join(first, c.second, c.sequential), Smf(1, 96, tracks)) << c.what;
  }
  // Without tracks in the first file its division still heads the file
  // (here 480: the second file's ticks are multiplied by 5); without any
  // track at all the format is 0.
  EXPECT_EQ(Join(Header(1, 0, 480), first, true),
            Smf(1, 480, {Track().Tempo(0, 500000).NoteOn(50, 0, 60, 1).EndOfTrack(), Track().EndOfTrack(150)}));
  EXPECT_EQ(Join(Header(0, 0, 480), Header(1, 0, 96), false), Header(0, 0, 480));
}
