// SMAF conversion, encoding: durations, controls, no-operations, notes with
// their octave shifts, drum rules and the settings sent ahead of an entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chimekit/smaf/encode.h"
#include "chimekit/smaf/voices.h"
#include "smaf_lists.h"
#include "support/smf_builder.h"

using smaf_lists::EncodeEvents;
using chimekit::smaf::PutDuration;
using chimekit::smaf::PutNote;
using chimekit::smaf::TSequenceBodies;
using chimekit::smaf::TSequenceBody;
using chimekit::smaf::TSlotState;
using chimekit::smaf::TSmafEvent;
using chimekit::smaf::TVoiceSetup;
using test_support::Bytes;

namespace {

std::string Duration(int64_t n) {
  TSequenceBody out;
  PutDuration(out, n);
  return std::string(out.View());
}

// Encodes entries (times are deltas already) into empty bodies.
struct Encoded {
  TSequenceBodies bodies;
  TVoiceSetup voices;
  int32_t notes = 0;
};

Encoded Encode(const std::vector<TSmafEvent>& events, int32_t timebase_ms = 10) {
  Encoded encoded;
  encoded.notes = EncodeEvents(events, timebase_ms, encoded.voices, encoded.bodies);
  return encoded;
}

TSmafEvent Entry(int32_t status, int32_t time, int32_t gate = 0, int32_t byte1 = 60, int32_t byte2 = 100) {
  TSmafEvent event;
  event.status = status;
  event.time = time;
  event.gate = gate;
  event.byte1 = byte1;
  event.byte2 = byte2;
  event.volume = 128;  // nothing to send unless a test asks for it
  return event;
}

}  // namespace

TEST(SmafSequence, DurationsAndGatesOfAnySize) {
  EXPECT_EQ(Duration(0), Bytes({0x00}));
  EXPECT_EQ(Duration(127), Bytes({0x7F}));
  EXPECT_EQ(Duration(128), Bytes({0x80, 0x00}));
  EXPECT_EQ(Duration(16511), Bytes({0xFF, 0x7F}));
  EXPECT_EQ(Duration(16512), Bytes({0xFF, 0x7F, 0xFF, 0x00, 0x01}));
  // 40000 = 2 x 16511 + 6978: two fillers, then the remainder in two bytes.
  EXPECT_EQ(Duration(40000), Bytes({0xFF, 0x7F, 0xFF, 0x00, 0xFF, 0x7F, 0xFF, 0x00, 0xB5, 0x42}));

  // A gate of 20000 units is cut to 16511.
  TSequenceBody body;
  TSlotState slot;
  EXPECT_TRUE(PutNote(body, 1, slot, 61, 0, 20000));
  EXPECT_EQ(body.View(), Bytes({0x00, 0x61, 0xFF, 0x7F}));
}

TEST(SmafSequence, OctaveSettingsFollowTheNote) {
  // A note exactly at the base moves the window down one octave and is
  // written as octave 0, note 12.
  TSequenceBody body;
  TSlotState slot;
  PutNote(body, 0, slot, 36, 0, 5);
  EXPECT_EQ(body.View(), Bytes({0x00, 0x00, 0x32, 0x81, 0x00, 0x0C, 0x05}));
  EXPECT_EQ(slot.octave_base, 24);

  // Other octave boundaries are note 12 of the octave below, without shift.
  body = {};
  PutNote(body, 0, slot, 48, 0, 5);
  PutNote(body, 0, slot, 60, 0, 5);
  EXPECT_EQ(body.View(), Bytes({0x00, 0x1C, 0x05, 0x00, 0x2C, 0x05}));

  // The octave setting counts from the original octave (base 36), never
  // from the setting before: one setting where the window moves, naming the
  // base it moves to. One slot on SMAF channel 3 (control byte F2, note
  // bytes C0 + octave << 4 + note), from base 36, each note at duration 0
  // with gate 5.
  struct Case {
    std::vector<int32_t> keys;
    std::vector<int> bytes;
    int32_t base_after;
  };
  const Case cases[] = {
      // 127: four up (84); 0: four down (-12) in one setting, not 84 83 81.
      {{127, 0}, {0, 0, 0xF2, 0x04, 0, 0xF7, 5, 0, 0, 0xF2, 0x84, 0, 0xCC, 5}, -12},
      // 24: one down, then at the base one more (12); 100: 60; 60 at the base: 48.
      {{24, 100, 60}, {0, 0, 0xF2, 0x82, 0, 0xCC, 5, 0, 0, 0xF2, 0x02, 0, 0xF4, 5, 0, 0, 0xF2, 0x01, 0, 0xCC, 5}, 48},
      // Back to the original octave: setting 00.
      {{20, 80}, {0, 0, 0xF2, 0x82, 0, 0xC8, 5, 0, 0, 0xF2, 0x00, 0, 0xF8, 5}, 36},
      // Inside the window: no setting.
      {{40, 83}, {0, 0xC4, 5, 0, 0xFB, 5}, 36},
  };
  for (const Case& c : cases) {
    TSequenceBody written;
    TSlotState fresh;
    for (const int32_t key : c.keys) EXPECT_TRUE(PutNote(written, 3, fresh, key, 0, 5));
    std::string expected;
    for (const int byte : c.bytes) expected += static_cast<char>(byte);
    EXPECT_EQ(written.View(), expected) << c.keys.front();
    EXPECT_EQ(fresh.octave_base, c.base_after) << c.keys.front();
  }

  // A key beyond 127 is outside every window a setting reaches: a rest.
  body = {};
  TSlotState fresh;
  EXPECT_FALSE(PutNote(body, 3, fresh, 200, 7, 5));
  EXPECT_EQ(body.View(), Bytes({0x07, 0xFF, 0x00}));
  EXPECT_EQ(fresh.octave_base, 36);
}

TEST(SmafSequence, DrumKeysOutsideTheKitAndZeroGatesBecomeNoOperations) {
  TSequenceBody body;
  TSlotState drums;
  drums.drum = true;
  EXPECT_TRUE(PutNote(body, 0, drums, 35, 1, 5));
  EXPECT_TRUE(PutNote(body, 0, drums, 81, 1, 5));
  // 35 takes the window down one octave (base 24), 81 back to the original
  // one (setting 00).
  EXPECT_EQ(body.View(), Bytes({0x00, 0x00, 0x32, 0x81, 0x01, 0x0B, 0x05, 0x00, 0x00, 0x32, 0x00, 0x01, 0x39, 0x05}));
  body = {};
  EXPECT_FALSE(PutNote(body, 0, drums, 82, 7, 5));
  EXPECT_EQ(body.View(), Bytes({0x07, 0xFF, 0x00}));
  // The setting is written even though the note itself is not.
  body = {};
  EXPECT_FALSE(PutNote(body, 0, drums, 34, 7, 5));
  EXPECT_EQ(body.View(), Bytes({0x00, 0x00, 0x32, 0x81, 0x07, 0xFF, 0x00}));

  body = {};
  TSlotState melodic;
  EXPECT_TRUE(PutNote(body, 0, melodic, 20, 0, 5));  // outside 35-81 is fine here
  EXPECT_FALSE(PutNote(body, 0, melodic, 50, 0, 0));
  EXPECT_EQ(body.View(), Bytes({0x00, 0x00, 0x32, 0x82, 0x00, 0x08, 0x05}));
}

TEST(SmafSequence, SettingsGoAheadOfTheEntryWithDurationZero) {
  TSmafEvent note = Entry(0x9D, 150, 1000);  // slot 13: body 3, channel 1
  note.program = 40;
  note.volume = 107;
  note.modulation = 10;
  note.pan = 64;
  TSmafEvent same = Entry(0x9D, 25, 100, 62);  // 2.5 units round to 2
  same.program = 40;
  same.volume = 107;
  same.modulation = 10;
  same.pan = 64;
  Encoded encoded = Encode({note, same});
  EXPECT_EQ(encoded.bodies[3].View(), Bytes({0x00, 0x00, 0x70, 40,   0x00, 0x00, 0x77, 107, 0x00, 0x00, 0x73, 10,
                                            0x00, 0x00, 0x7A, 64,   0x0F, 0x5C, 0x64, 0x02, 0x62, 0x0A}));
  EXPECT_EQ(encoded.notes, 2);
  EXPECT_EQ(encoded.voices.VoiceCount(), 1);
}

TEST(SmafSequence, DrumProgramsAreRememberedButNeitherSentNorVoiced) {
  TSmafEvent drum = Entry(0x9F, 0, 100, 38);
  drum.drum = true;
  drum.program = 5;
  TSmafEvent melodic = Entry(0x9F, 100, 100, 61);  // the same slot, program 5 again
  melodic.program = 5;
  TSmafEvent other = Entry(0x9F, 100, 100, 61);
  other.program = 7;
  Encoded encoded = Encode({drum, melodic, other});
  // The drum entry sets the slot's program silently, so the melodic entry
  // with the same program sends nothing either.
  EXPECT_EQ(encoded.bodies[3].View(), Bytes({0x00, 0xC2, 0x0A, 0x0A, 0xE1, 0x0A, 0x00, 0x00, 0xF0, 7, 0x0A, 0xE1, 0x0A}));
  EXPECT_EQ(encoded.voices.VoiceCount(), 1);  // program 7 only
}

TEST(SmafSequence, PressurePitchBendAndSilentEntries) {
  TSmafEvent pressure = Entry(0xDE, 50, 0, 100, 0);
  TSmafEvent bend = Entry(0xEE, 50, 0, 0x00, 0x40);
  TSmafEvent silent = Entry(0x80, 70, 0);  // no slot: body 0, slot 0
  silent.volume = 107;
  silent.program = 3;
  TSmafEvent other = Entry(0xA5, 0, 0);  // nothing but a no-operation
  TSmafEvent unknown = Entry(0xB5, 30, 0);  // writes nothing
  Encoded encoded = Encode({pressure, bend, silent, other, unknown});
  EXPECT_EQ(encoded.bodies[3].View(), Bytes({0x05, 0x00, 0xBB, 100, 0x05, 0x00, 0xB4, 0x40}));
  EXPECT_EQ(encoded.bodies[0].View(), Bytes({0x00, 0x00, 0x30, 3, 0x00, 0x00, 0x37, 107, 0x07, 0xFF, 0x00}));
  EXPECT_EQ(encoded.bodies[1].View(), "");
  EXPECT_EQ(encoded.notes, 0);
  EXPECT_EQ(encoded.voices.VoiceCount(), 1);  // program 3, requested by the silent entry
}
