// Tempo, tick duration and song length.
#include <gtest/gtest.h>

#include "midifile/midi_file.h"
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
