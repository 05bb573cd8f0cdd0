// The equalizer, the instrument map and channel copy and removal on
// hand-made files, byte for byte.
#include <gtest/gtest.h>

#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/instrument_map.h"
#include "chimekit/editing/tags.h"
#include "support/smf_builder.h"

using chimekit::ParseForRewrite;
using test_support::Smf;
using test_support::Track;

// Volume and pressure go (their deltas pass on); the level belongs to the
// track, not the channel; keys 63 and 64 lie in bands 4 and 5; a key byte
// above 127 counts by its low 7 bits; drums by channel and odd bank; key
// pressure inserts like a note-on, a note-off never; levels count mod 128.
TEST(Equalizer, LevelsBeforeNotes) {
  Track in;
  in.NoteOn(0, 0, 63, 100).Control(5, 0, 7, 90).Raw(3, {0xD0, 10}).NoteOn(2, 1, 64, 100).NoteOff(4, 0, 96);
  in.Raw(0, {0xA1, 64, 5}).Raw(1, {0xA1, 20, 5}).NoteOn(1, 9, 60, 100).Control(0, 2, 0, 1).NoteOn(0, 2, 20, 1);
  in.Control(0, 2, 0, 2).Raw(6, {0x92, 0xBC, 1}).EndOfTrack(2);
  std::string input = Smf(1, 96, {in, Track().NoteOn(0, 3, 50, 1)});
  Track want;
  want.Control(0, 0, 7, 40).NoteOn(0, 0, 63, 100).Control(10, 1, 7, 50).NoteOn(0, 1, 64, 100).NoteOff(4, 0, 96);
  want.Raw(0, {0xA1, 64, 5}).Control(1, 1, 7, 20).Raw(0, {0xA1, 20, 5}).Control(1, 9, 7, 72).NoteOn(0, 9, 60, 100);
  want.Control(0, 2, 0, 1).NoteOn(0, 2, 20, 1).Control(0, 2, 0, 2).Control(6, 2, 7, 40).Raw(0, {0x92, 0xBC, 1});
  EXPECT_EQ(chimekit::Equalize(ParseForRewrite(input), {{10, 20, 30, 40, 50, 60, 70, 208}, 200}),
            Smf(1, 96, {want.EndOfTrack(2), Track().Control(0, 3, 7, 40).NoteOn(0, 3, 50, 1).EndOfTrack()}));
}

// Drum program changes (channels 10 and 16, after an odd bank select until
// an even one, never carried into the next track) look up the upper half;
// a kept entry leaves the change alone; a mapped value counts by its low 7
// bits.
TEST(InstrumentMap, TablesByHalf) {
  Track first;
  first.Program(0, 0, 5).Program(1, 9, 0).Control(0, 3, 0, 1).Program(0, 3, 5).Control(0, 3, 0, 0).Program(2, 3, 5);
  first.Control(0, 4, 0, 3).Program(0, 15, 7);
  std::string input = Smf(0, 96, {first, Track().Program(0, 1, 5)});
  chimekit::InstrumentTables mapped;
  for (int i = 0; i < 256; ++i) mapped.keep[i] = static_cast<uint8_t>(i & 0x7F), mapped.map[i] = 99;
  mapped.keep[5] = mapped.keep[128] = mapped.keep[133] = 0xFF;
  mapped.map[5] = 6, mapped.map[128] = 8, mapped.map[133] = 0x89;
  Track want;
  want.Program(0, 0, 6).Program(1, 9, 8).Control(0, 3, 0, 1).Program(0, 3, 9).Control(0, 3, 0, 0).Program(2, 3, 6);
  want.Control(0, 4, 0, 3).Program(0, 15, 7).EndOfTrack();
  EXPECT_EQ(chimekit::MapInstruments(ParseForRewrite(input), mapped),
            Smf(0, 96, {want, Track().Program(0, 1, 6).EndOfTrack()}));
}

TEST(ChannelEdits, CopyAfterEachEventAndRemoveKeepingTimes) {
  Track in;
  in.Program(0, 0, 5).NoteOn(3, 0, 60, 100).Meta(2, 0x03, "n").NoteOn(0, 1, 62, 90).Raw(1, {0xE0, 0, 64});
  in.NoteOff(4, 0, 60).Raw(0, {0xF0, 1, 0x7E}).NoteOff(5, 1, 62).NoteOn(6, 0, 64, 1);
  std::string input = Smf(1, 96, {in, Track().Raw(7, {0xD0, 3})});
  Track copied;
  copied.Program(0, 0, 5).Program(0, 9, 5).NoteOn(3, 0, 60, 100).NoteOn(0, 9, 60, 100).Meta(2, 0x01, "");
  copied.NoteOn(0, 1, 62, 90).Raw(1, {0xE0, 0, 64}).Raw(0, {0xE9, 0, 64}).NoteOff(4, 0, 60).NoteOff(0, 9, 60);
  copied.NoteOff(5, 1, 62).NoteOn(6, 0, 64, 1).NoteOn(0, 9, 64, 1).EndOfTrack();
  // Equal channels, or an unused one removed: the rewrite walk alone.
  std::string walked = chimekit::PlaceTags(ParseForRewrite(input), "");
  EXPECT_EQ(chimekit::RemoveChannel(ParseForRewrite(input), 5), walked);
  EXPECT_EQ(chimekit::CopyChannel(ParseForRewrite(input), 1, 17), walked);
  // Channel 16 means channel 0.
  EXPECT_EQ(chimekit::CopyChannel(ParseForRewrite(input), 16, 9),
            Smf(1, 96, {copied, Track().Raw(7, {0xD0, 3}).Raw(0, {0xD9, 3}).EndOfTrack()}));
  EXPECT_EQ(chimekit::RemoveChannel(ParseForRewrite(input), 0),
            Smf(1, 96, {Track().Meta(5, 0x01, "").NoteOn(0, 1, 62, 90).NoteOff(10, 1, 62).EndOfTrack(6),
                        Track().EndOfTrack(7)}));
}
