// Tempo, tick duration and song length.
#include <gtest/gtest.h>

#include "midifile/midi_file.h"
#include "midifile/tempo_map.h"
#include "support/load_midi.h"
#include "support/smf_builder.h"

using midifile::TMidiFile;
using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

namespace {

TMidiFile Load(const std::string& bytes) { return test_support::LoadMidi(bytes); }

}  // namespace

TEST(Timing, DefaultTempoAndSongLength) {
  TMidiFile file = Load(Smf(0, 96, {Track().NoteOn(0, 0, 60, 1).NoteOff(960, 0, 60)}));
  EXPECT_EQ(file.Bpm(), 120);
  EXPECT_DOUBLE_EQ(file.TickDuration(), 500000.0 / 96);
  EXPECT_EQ(file.SongLengthMs(), 5000);
}

TEST(Timing, LastTempoReadRulesTheWholeFile) {
  TMidiFile same_track = Load(Smf(0, 96, {Track().Tempo(0, 500000).Tempo(480, 250000).EndOfTrack(480)}));
  EXPECT_EQ(same_track.SongLengthMs(), 2500);
  TMidiFile two_tracks = Load(Smf(1, 96, {Track().Tempo(0, 600000), Track().Tempo(0, 400000)}));
  EXPECT_EQ(two_tracks.Bpm(), 150);
  EXPECT_EQ(Load(Smf(0, 96, {Track().Tempo(0, 700000)})).Bpm(), 85);
}

TEST(Timing, SongLengthRoundsHalvesToEven) {
  EXPECT_EQ(Load(Smf(0, 1000, {Track().Tempo(0, 5000).EndOfTrack(500)})).SongLengthMs(), 2);
  EXPECT_EQ(Load(Smf(0, 1000, {Track().Tempo(0, 5000).EndOfTrack(700)})).SongLengthMs(), 4);
}

TEST(Timing, LongestTrackDecides) {
  TMidiFile file = Load(Smf(1, 96, {Track().EndOfTrack(96), Track().EndOfTrack(192), Track()}));
  EXPECT_EQ(file.SongLengthMs(), 1000);
}

TEST(Timing, UnusableTempoAndDivisionNeverDivideByZero) {
  // A tempo of 0 and one with fewer than three bytes are ignored.
  TMidiFile zero = Load(Smf(0, 96, {Track().Tempo(0, 0).Meta(0, 0x51, Bytes({1, 2})).EndOfTrack(96)}));
  EXPECT_EQ(zero.Bpm(), 120);
  EXPECT_EQ(zero.SongLengthMs(), 500);
  // Division 0: every time is 0 ms, and the tempo is still read.
  TMidiFile no_division = Load(Smf(0, 0, {Track().Tempo(0, 1000000).EndOfTrack(96)}));
  EXPECT_EQ(no_division.TickDuration(), 0.0);
  EXPECT_EQ(no_division.SongLengthMs(), 0);
  EXPECT_EQ(no_division.Bpm(), 60);
  // No header at all.
  TMidiFile headerless = Load(test_support::Chunk("MTrk", Track().EndOfTrack(96)));
  EXPECT_EQ(headerless.TicksPerQuarter(), 0);
  EXPECT_EQ(headerless.SongLengthMs(), 0);
}

TEST(Timing, HugeLengthsSaturate) {
  // Ticks of 2^31 - 1 at one second each: far beyond 32-bit milliseconds.
  TMidiFile file = Load(Smf(0, 1, {Track().Tempo(0, 0xFFFFFF).Raw(0x7FFFFFFF, {0xC0, 0})}));
  EXPECT_EQ(file.SongLengthMs(), 2147483647);
}

TEST(Timing, WritingBpm) {
  TMidiFile file = Load(Smf(0, 96, {Track()}));
  file.SetBpm(40000000);
  EXPECT_EQ(file.Bpm(), 60000000);
  EXPECT_DOUBLE_EQ(file.TickDuration(), 1.0 / 96);
  file.SetBpm(7);
  EXPECT_EQ(file.Bpm(), 7);
  EXPECT_DOUBLE_EQ(file.TickDuration(), 8571428.0 / 96);
  file.SetBpm(0);
  file.SetBpm(60000001);
  EXPECT_EQ(file.Bpm(), 7);
}

// The tempo map: every tempo from its own tick on, exact to the microsecond
// over long spans, per track in format 2, none for a time-code division.
TEST(TempoMap, RealTimesAsTheSongPlays) {
  // 7 ticks of 1,000,000 / 3 us ticks at division 3, then 200,000 per quarter.
  const std::string thirds = Smf(0, 3, {Track().Tempo(0, 1000000).Tempo(7, 200000).NoteOn(3, 0, 1, 1)});
  const struct {
    const char* what;
    std::string song;
    int32_t track;
    uint64_t tick, unit_us, units;
  } cases[] = {
      {"whole quarters", thirds, 0, 6, 1000, 2000},
      {"a third of a us rounds down", thirds, 0, 7, 1, 2333333},
      {"after the change", thirds, 0, 10, 1000, 2533},  // 2333.3 + 200 ms
      {"4 ms steps", thirds, 0, 7, 4000, 583},  // 583.33 steps
      {"2.5 rounds to even", Smf(0, 3, {Track().Tempo(0, 1000000)}), 0, 3, 400000, 2},
      {"1.5 rounds to even", Smf(0, 3, {Track().Tempo(0, 1000000)}), 0, 9, 2000000, 2},
      {"far ticks stay exact", Smf(0, 3, {Track().Tempo(0, 1000000)}), 0, 3000000000ull, 1, 1000000000000000ull},
      {"later track wins at a tick", Smf(1, 10, {Track().Tempo(0, 100000), Track().Tempo(0, 200000)}), 0, 10, 1, 200000},
      {"format 2: each track its own", Smf(2, 10, {Track().Tempo(0, 100000), Track().NoteOn(0, 0, 1, 1)}), 1, 10, 1,
       500000},
      {"time code: 25 fps x 40", Smf(0, 0xE728, {Track().Tempo(0, 100000)}), 0, 1000, 1, 1000000},
      {"time code: 29.97 fps x 2", Smf(0, 0xE302, {Track()}), 0, 60, 1000, 1001},
      {"division 0", Smf(0, 0, {Track().Tempo(0, 100000)}), 0, 1000, 1, 0},
  };
  for (const auto& c : cases) {
    midifile::TTempoMap map(Load(c.song));
    EXPECT_EQ(map.Units(c.track, c.tick, c.unit_us), c.units) << c.what;
  }
  midifile::TTempoMap song(Load(thirds));
  EXPECT_EQ(song.TempoEvents(), 2u);
  EXPECT_EQ(song.PlayedMs(), 2533u);
}
