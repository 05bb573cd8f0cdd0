// The editing core on hand-made files: the rewrite walk's event rule, the
// trim, the volume shift and the tag placement, byte for byte.
#include <gtest/gtest.h>

#include "chimekit/editing/tags.h"
#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "support/smf_builder.h"

using chimekit::ParseForRewrite;
using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

namespace {

// The output expected from tracks: format 1, division 100 unless told.
std::string Out(const std::vector<std::string>& tracks, int division = 100) { return Smf(1, division, tracks); }

std::string Rewrite(const std::string& input) { return chimekit::PlaceTags(ParseForRewrite(input), ""); }

}  // namespace

// Events the walk does not write (system exclusive, F1-FE, an event before
// any status byte) pass their delta on; an appended end of track carries
// the rest; meta events other than tempo and end of track are blanked;
// events after the end of track are not looked at.
TEST(RewriteWalk, EventRuleAndCarriedDelta) {
  std::string sysex = Track().Raw(5, {0xF0, 0x01, 0x7E}).Meta(7, 0x03, "nm").NoteOn(3, 0, 60, 100).Raw(4, {0xF1});
  sysex += Track().Tempo(2, 0x07A120).Raw(6, {0xF7, 0x01, 0x00}).bytes();
  std::string before_status = Bytes({0x05, 0x3C, 0x90, 0x3C, 0x64});
  before_status += Track().Program(1, 2, 9).EndOfTrack(0).NoteOn(0, 0, 1, 1).bytes();
  EXPECT_EQ(Rewrite(Smf(1, 100, {sysex, before_status})),
            Out({Track().Meta(12, 0x01, "").NoteOn(3, 0, 60, 100).Tempo(6, 0x07A120).EndOfTrack(6),
                 Track().NoteOn(65, 0, 60, 100).Program(1, 2, 9).EndOfTrack()}));
}

// Division 100 at 1,000,000 us per quarter: a tick is 10 ms, the song
// (last tick 100) 1000 ms.
std::string TrimSong() {
  Track conductor;
  conductor.Tempo(0, 1000000).Meta(0, 0x03, "x").Tempo(50, 1000000).EndOfTrack(50);
  Track notes;
  notes.Control(0, 0, 7, 90).Control(0, 0, 10, 30).Control(0, 0, 74, 1).Control(0, 0, 7, 91).Program(0, 1, 5);
  notes.Raw(10, {0xE0, 0x00, 0x50}).NoteOn(10, 0, 60, 100).NoteOff(20, 0, 60).NoteOn(0, 0, 62, 100);
  notes.NoteOn(0, 0, 63, 0).NoteOn(20, 1, 64, 100).Raw(0, {0xF0, 0x01, 0x7E}).NoteOff(10, 0, 62).EndOfTrack(30);
  return Smf(1, 100, {conductor, notes});
}

// Volume 100, restored on every channel from `first` on that set none.
std::string Volumes(int first) {
  Track state;
  for (int channel = first; channel < 16; ++channel) state.Control(0, channel, 7, 100);
  return state;
}

// The restored state at tick 30: channel 0 volume 91, pan 30, bend
// 50; channel 1 program 5; every other channel volume 100.
std::string Restored() {
  return Track().Control(0, 0, 7, 91).Control(0, 0, 10, 30).Raw(0, {0xE0, 0x7F, 0x50}).Control(0, 1, 7, 100)
             .Program(0, 1, 5).bytes() + Volumes(2);
}

TEST(Trim, RangesByteForByte) {
  const std::string tempo = Track().Tempo(0, 1000000).Tempo(0, 1000000);
  const struct {
    chimekit::TrimRange range;
    std::vector<std::string> tracks;
  } cases[] = {
      // 300..650 ms = ticks 30..65: tempo events at the cut, running status
      // after the restored block, All Notes Off after the overshoot (5).
      {{300, 650, true},
       {tempo + Track().EndOfTrack().bytes(),
        Restored() + Bytes({0x0A, 0x80, 60, 0, 0x00, 0x90, 62, 100, 0x00, 63, 0, 0x14, 0x91, 64, 100}) +
            Bytes({0x05, 0xB0, 123, 0, 0x00, 0xB1, 123, 0}) + Track().EndOfTrack().bytes()}},
      // The whole song (ends included): every channel event at its time,
      // after 16 volumes; All Notes Off at the end of track.
      {{0, 100, false},
       {tempo + Track().EndOfTrack().bytes(),
        Volumes(0) + Bytes({0x00, 0xB0, 7, 90, 0x00, 10, 30, 0x00, 74, 1, 0x00, 7, 91, 0x00, 0xC1, 5}) +
            Bytes({0x0A, 0xE0, 0, 0x50}) +
            Bytes({0x0A, 0x90, 60, 100, 0x14, 0x80, 60, 0, 0x00, 0x90, 62, 100, 0x00, 63, 0, 0x14, 0x91, 64, 100}) +
            Bytes({0x0A, 0x80, 62, 0, 0x00, 0xB0, 123, 0, 0x00, 0xB1, 123, 0}) + Track().EndOfTrack().bytes()}},
      // Nothing in range (start and end beyond the song, without overflow):
      // tempo events only, no restored block.
      {{0xFFFFFFFF, 0xFFFFFFFF, true},
       {tempo + Track().EndOfTrack().bytes(), Track().EndOfTrack()}},
  };
  for (const auto& c : cases) {
    std::optional<std::string> trimmed = chimekit::TrimSong(ParseForRewrite(TrimSong()), c.range);
    ASSERT_TRUE(trimmed.has_value());
    EXPECT_EQ(*trimmed, Out(c.tracks)) << c.range.start << ".." << c.range.end;
  }
}

// From a trim fuzzer input: a first data byte with its top bit set (a
// damaged input) behind an event of the same status keeps its status byte,
// so that a reader does not take it for a status.
TEST(Trim, HighDataByteKeepsItsStatusByte) {
  std::string song = Smf(1, 100, {Track().NoteOff(0, 0, 0x41, 0x41).Raw(100, {0x80, 0x90, 0x28}).EndOfTrack()});
  std::optional<std::string> trimmed = chimekit::TrimSong(ParseForRewrite(song), {0, 0xFFFFFFFF, true});
  ASSERT_TRUE(trimmed.has_value());
  EXPECT_EQ(*trimmed, Out({Volumes(0) + Bytes({0x00, 0x80, 0x41, 0x41, 0x64, 0x80, 0x90, 0x28}) +
                           Track().EndOfTrack().bytes()}));
}

// The ratio of milliseconds to ticks is a double: 3 ticks over 1500 ms
// puts 50% (750 ms) at 1.50000000000000003 ticks, which rounds to tick 2.
TEST(Trim, TickRatioIsADouble) {
  std::string song = Smf(0, 1, {Track().NoteOn(0, 0, 60, 1).NoteOn(1, 0, 61, 1).NoteOn(1, 0, 62, 1).NoteOn(1, 0, 63, 1)});
  std::optional<std::string> trimmed = chimekit::TrimSong(ParseForRewrite(song), {0, 50, false});
  ASSERT_TRUE(trimmed.has_value());
  EXPECT_EQ(*trimmed, Smf(0, 1, {Volumes(0) + Bytes({0x00, 0x90, 60, 1, 0x01, 61, 1, 0x01, 62, 1}) +
                                 Bytes({0x01, 0xB0, 123, 0}) + Track().EndOfTrack().bytes()}));
}

TEST(Volume, ShiftsAreReducedToFit) {
  std::string volumes = Smf(0, 96, {Track().Control(0, 0, 7, 100).Control(0, 0, 7, 120).NoteOn(0, 0, 120, 1)});
  const struct {
    int32_t volume, key, applied_volume, applied_key;
  } cases[] = {{20, 10, 7, 7}, {-110, -128, -100, -120}, {-128, 0, -100, 0}, {0, 0, 0, 0}};
  for (const auto& c : cases) {
    chimekit::ShiftedFile shifted = chimekit::ShiftVolume(ParseForRewrite(volumes), {c.volume, c.key, false});
    EXPECT_EQ(shifted.applied.volume, c.applied_volume);
    EXPECT_EQ(shifted.applied.key, c.applied_key);
    uint8_t v = static_cast<uint8_t>(c.applied_volume), k = static_cast<uint8_t>(c.applied_key);
    Track want;
    want.Control(0, 0, 7, 100 + v).Control(0, 0, 7, 120 + v).NoteOn(0, 0, 120 + k, 1).EndOfTrack();
    EXPECT_EQ(shifted.bytes, Smf(0, 96, {want}));
  }
}

// Note-offs and key pressure move with their note-ons and count for the
// key range; drums (channels 9 and 15, after an odd bank select) stay; a
// file without channel volume gets one before the first shifted note-on of
// each track, and its keys are still kept within 0 to 127.
TEST(Volume, KeysOfEveryNoteEventAndTheInsertedVolume) {
  Track first;
  first.NoteOn(0, 9, 36, 1).NoteOn(4, 0, 60, 1).Raw(0, {0xA0, 60, 9}).NoteOff(5, 0, 60).NoteOff(0, 1, 125);
  first.Control(0, 2, 0, 1).NoteOn(0, 2, 70, 1).Control(0, 2, 0, 2).NoteOn(0, 2, 70, 1).NoteOn(0, 15, 70, 1);
  Track second;
  second.NoteOn(7, 3, 50, 1);
  std::string input = Smf(1, 96, {first, second, Track().EndOfTrack()});
  chimekit::ShiftedFile shifted = chimekit::ShiftVolume(ParseForRewrite(input), {-20, 5, false});
  EXPECT_EQ(shifted.applied.key, 2);  // the note-off at key 125 bounds the shift
  Track want_first;
  want_first.NoteOn(0, 9, 36, 1).Control(0, 0, 7, 107).NoteOn(4, 0, 62, 1).Raw(0, {0xA0, 62, 9}).NoteOff(5, 0, 62);
  want_first.NoteOff(0, 1, 127).Control(0, 2, 0, 1).NoteOn(0, 2, 70, 1).Control(0, 2, 0, 2).NoteOn(0, 2, 72, 1);
  want_first.NoteOn(0, 15, 70, 1).EndOfTrack();
  EXPECT_EQ(shifted.bytes, Out({want_first, Track().Control(0, 3, 7, 107).NoteOn(7, 3, 52, 1).EndOfTrack(),
                                Track().EndOfTrack()},
                               96));
  // With drums too, the drum notes move as well.
  chimekit::ShiftedFile drums = chimekit::ShiftVolume(ParseForRewrite(input), {0, 5, true});
  EXPECT_EQ(midifile::ByteView(drums.bytes).substr(22, 9), Bytes({0x00, 0xB9, 7, 127, 0x00, 0x99, 38, 1, 0x04}));
}

// The inserted channel volume stands at delta 0, where the last written
// event stands; the note-on keeps its own time, with the deltas of the
// events left out before it.
TEST(Volume, InsertedVolumeTakesNoCarriedDelta) {
  const struct {
    std::string track;
    int note_delta;
  } cases[] = {
      {Bytes({0x00, 0x3C, 0x40, 0x00, 0x90, 0x3C, 0x40}), 124},  // three events before any status byte
      {Track().Raw(40, {0xF0, 0x01, 0x7E}).NoteOn(887, 0, 60, 64), 927},
  };
  for (const auto& c : cases) {
    chimekit::ShiftedFile shifted = chimekit::ShiftVolume(ParseForRewrite(Smf(0, 96, {c.track})), {0, 0, false});
    EXPECT_EQ(shifted.bytes, Smf(0, 96, {Track().Control(0, 0, 7, 127).NoteOn(c.note_delta, 0, 60, 64).EndOfTrack()}));
  }
}

TEST(Tags, ReadCleanAndPlace) {
  // Spaces around a line go, a zero byte inside a text stays, a type byte
  // alone still takes its track's place.
  std::string tag_file = "  \x03S1  \r\nA letter\n   \r\x03L2\r\n\x02" "C3";
  tag_file += std::string(2, '\0') + "z\r\n\x01\n\x01T2";
  std::string input = Smf(1, 100, {Track().Meta(4, 0x03, "own").NoteOn(1, 0, 60, 1), Track(), Track()});
  std::string long_text(200, 'x');
  EXPECT_EQ(chimekit::PlaceTags(ParseForRewrite(input), tag_file + "\r\n\x04" + long_text),
            Out({Track().Meta(0, 0x02, std::string("C3\0\0z", 5)).Meta(0, 0x03, "S1").Meta(0, 0x04, long_text)
                     .Meta(4, 0x01, "").NoteOn(1, 0, 60, 1).EndOfTrack(),
                 Track().Meta(0, 0x01, "T2").Meta(0, 0x03, "L2").EndOfTrack(), Track().EndOfTrack()}));
}

// The tick range of a cut where the precision of the product decides
// (midifile/extended_rounding.h): x86's result on every platform.
TEST(Trim, TickRangeRoundsAsX86Does) {
  // 6075 ms at 633982919 ticks over 8310 ms: 463471268 with the product in
  // a double, 463471267 in x86's extended precision and exactly.
  const std::optional<chimekit::TickRange> ms = chimekit::TicksOf(8310, 633982919, {6075, 6075, true});
  ASSERT_TRUE(ms.has_value());
  EXPECT_EQ(ms->start, 463471267);
  // 75% of 42 ms is 31.5 ms exactly; x86 rounds 42 / 100 before the
  // product and gets 31 ms (at 1000 ticks a millisecond).
  const std::optional<chimekit::TickRange> percent = chimekit::TicksOf(42, 42000, {75, 100, false});
  ASSERT_TRUE(percent.has_value());
  EXPECT_EQ(percent->start, 31000);
  EXPECT_EQ(percent->end, 42000);
  EXPECT_FALSE(chimekit::TicksOf(0, 42000, {0, 100, false}).has_value());
}
