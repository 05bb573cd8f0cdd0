// Merging all tracks into one: time order, ties, End of Track handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "reshaper/channel_event.h"
#include "reshaper/merge_tracks.h"
#include "reshaper/midi_song.h"
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

TEST(ReshaperMerge, SingleTrackKeepsItsEvents) {
  std::string body = Track().Meta(0, 0x03, "name").NoteOn(0, 9, 36, 100).NoteOff(120, 9, 36).EndOfTrack(0);
  EXPECT_EQ(Merged({body}), Format0(480, body));
}

TEST(ReshaperMerge, RandomTracksMergeLikeAStableSortByTime) {
  std::mt19937 random(12345);
  for (int round = 0; round < 20; ++round) {
    // Reference: (time, track, index in track) of every program change.
    std::vector<std::tuple<uint32_t, int, int>> expected;
    std::vector<std::string> tracks;
    int trackCount = 1 + static_cast<int>(random() % 8);
    for (int t = 0; t < trackCount; ++t) {
      Track track;
      uint32_t time = 0;
      int events = static_cast<int>(random() % 30);
      for (int i = 0; i < events; ++i) {
        uint32_t delta = random() % 4 == 0 ? 0u : static_cast<uint32_t>(random() % 300);
        time += delta;
        track.Program(delta, t, i);
        expected.emplace_back(time, t, i);
      }
      tracks.push_back(track.EndOfTrack(static_cast<uint32_t>(random() % 50)));
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });

    StreamOver input(Smf(1, 96, tracks));
    MidiSong source, target;
    source.transfer(input.stream);
    target.setHeader(0, 1, source.getDivision());
    mergeTracks(source, target);
    source.tracks().resetCursor();
    while (MidiTrack* track = source.tracks().nextTrack()) EXPECT_EQ(track->firstEvent(), nullptr);

    target.tracks().resetCursor();
    MidiTrack* merged = target.tracks().nextTrack();
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(target.tracks().nextTrack(), nullptr);
    uint32_t time = 0;
    size_t index = 0;
    for (const MidiEvent* e = merged->firstEvent(); e != nullptr; e = e->next()) {
      time += e->delta();
      auto* program = dynamic_cast<const ChannelEvent*>(e);
      if (program == nullptr) {
        EXPECT_EQ(e->next(), nullptr) << "only the End of Track is no program change, and it comes last";
        continue;
      }
      ASSERT_LT(index, expected.size());
      EXPECT_EQ(time, std::get<0>(expected[index]));
      EXPECT_EQ(program->status() & 0x0F, std::get<1>(expected[index]));
      EXPECT_EQ(program->data1(), std::get<2>(expected[index]));
      ++index;
    }
    EXPECT_EQ(index, expected.size());
  }
}
