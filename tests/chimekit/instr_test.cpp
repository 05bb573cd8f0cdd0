// The FM voice table: record framing, the reference voices, and the traits
// that make each instrument family sound like itself.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "chimekit/smaf/instr.h"

using chimekit::smaf::InstrRecord;
using chimekit::smaf::kInstrCount;

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case included: the table is upper case only
}

// Bytes of a hex text, or an empty vector when a character is not an
// upper-case hex digit or the length is odd.
std::vector<uint8_t> DecodeHex(std::string_view text) {
  std::vector<uint8_t> bytes;
  if (text.size() % 2 != 0) return {};
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigit(text[i]);
    int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return {};
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return bytes;
}

// The twelve parameter bytes the converter copies: characters 5 to 28.
std::vector<uint8_t> VoiceBytes(int program) { return DecodeHex(InstrRecord(program).substr(4, 24)); }

struct Operator {
  int mult, vib, egt, sus, ksr, rr, dr, ar, sl, tl, ksl, extra;
};

struct Voice {
  int lfo, fb, alg;
  Operator mod, car;
};

Operator DecodeOperator(const uint8_t* b) {
  return {b[0] >> 4, (b[0] >> 3) & 1, (b[0] >> 2) & 1, (b[0] >> 1) & 1, b[0] & 1, b[1] >> 4, b[1] & 15,
          b[2] >> 4, b[2] & 15,       b[3] >> 2,        b[3] & 3,         b[4]};
}

Voice DecodeVoice(int program) {
  std::vector<uint8_t> b = VoiceBytes(program);
  EXPECT_EQ(b.size(), 12u) << "program " << program;
  b.resize(12);
  return {b[0] >> 6, (b[0] >> 3) & 7, b[0] & 7, DecodeOperator(&b[2]), DecodeOperator(&b[7])};
}

std::vector<int> Programs(std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<int> programs;
  for (auto [first, last] : ranges)
    for (int p = first; p <= last; ++p) programs.push_back(p);
  return programs;
}

}  // namespace

TEST(InstrTable, EveryRecordIsFramedAndDecodesToTwelveBytes) {
  const std::vector<uint8_t> tail = DecodeHex("00000000A000000000A00000");
  for (int program = 0; program < kInstrCount; ++program) {
    SCOPED_TRACE(program);
    std::string_view record = InstrRecord(program);
    ASSERT_EQ(record.size(), 52u);
    std::vector<uint8_t> bytes = DecodeHex(record);
    ASSERT_EQ(bytes.size(), 26u) << "not upper-case hex: " << record;
    EXPECT_EQ(bytes[0], 0x00);  // bank
    EXPECT_EQ(bytes[1], program);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 14, bytes.end()), tail);
    std::vector<uint8_t> voice = VoiceBytes(program);
    ASSERT_EQ(voice.size(), 12u);
    EXPECT_EQ(voice, std::vector<uint8_t>(bytes.begin() + 2, bytes.begin() + 14));
    EXPECT_EQ(voice[1], 0x01);
  }
}

TEST(InstrTable, NoRecordOutsideThePrograms) {
  for (int index : {-1, kInstrCount, kInstrCount + 1, 1280, INT_MIN, INT_MAX}) {
    EXPECT_TRUE(InstrRecord(index).empty()) << index;
  }
}

TEST(InstrTable, ReferenceVoicesAreExact) {
  EXPECT_EQ(VoiceBytes(0), DecodeHex("60011452F43AA01462F700A0"));
  EXPECT_EQ(VoiceBytes(1), DecodeHex("68011542F53EA01462F500A0"));
  EXPECT_EQ(VoiceBytes(40), DecodeHex("6801153DD138A11C66520000"));
  EXPECT_EQ(VoiceBytes(127), DecodeHex("78015C03FF1000F886FB000E"));
}

TEST(InstrTable, EveryProgramHasItsOwnVoice) {
  std::set<std::vector<uint8_t>> voices;
  for (int program = 0; program < kInstrCount; ++program) {
    EXPECT_TRUE(voices.insert(VoiceBytes(program)).second) << "program " << program << " repeats a voice";
  }
}

TEST(InstrTable, EveryVoiceIsAudible) {
  for (int program = 0; program < kInstrCount; ++program) {
    SCOPED_TRACE(program);
    Voice v = DecodeVoice(program);
    // The carrier is what is heard: loud, and its envelope must start. A
    // silent modulator (63) only gives a pure tone.
    EXPECT_LE(v.car.tl, 8);
    EXPECT_GE(v.car.ar, 1);
    // A carrier that falls to the bottom at once is silent too.
    EXPECT_FALSE(v.car.dr == 15 && v.car.sl == 15);
  }
}

TEST(InstrTable, FifthOperatorByteUsesOnlyTheReferenceValues) {
  const std::set<int> known = {0xA0, 0xA1, 0x00, 0x0E};
  for (int program = 0; program < kInstrCount; ++program) {
    Voice v = DecodeVoice(program);
    EXPECT_TRUE(known.count(v.mod.extra)) << "program " << program << ": " << v.mod.extra;
    EXPECT_TRUE(known.count(v.car.extra)) << "program " << program << ": " << v.car.extra;
  }
}

TEST(InstrTable, DecodingMatchesTheReferenceVoices) {
  // The violin's carrier has a slow bowed attack with vibrato; the grand's
  // modulator is at level 14 with key scaling 2; the gunshot has full feedback.
  Voice violin = DecodeVoice(40);
  EXPECT_EQ(violin.car.ar, 5);
  EXPECT_EQ(violin.car.vib, 1);
  EXPECT_EQ(violin.car.tl, 0);
  Voice grand = DecodeVoice(0);
  EXPECT_EQ(grand.fb, 4);
  EXPECT_EQ(grand.mod.tl, 14);
  EXPECT_EQ(grand.mod.ksl, 2);
  EXPECT_EQ(grand.mod.ar, 15);
  EXPECT_EQ(DecodeVoice(127).fb, 7);
}

// Family traits. Each check names programs by General MIDI number.

TEST(InstrFamilies, PianosStrikeAndFade) {
  for (int program : Programs({{0, 7}})) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.car.ar, 13) << program;
    EXPECT_GE(v.car.dr, 1) << program;
    EXPECT_GE(v.car.sl, 1) << program;
  }
}

TEST(InstrFamilies, StruckAndPluckedVoicesDieAwayWhileHeld) {
  // Chromatic percussion, plucked guitars, pizzicato, harp, timpani,
  // orchestra hit, plucked ethnic instruments and tuned percussion.
  for (int program : Programs({{8, 15}, {24, 28}, {31, 31}, {45, 47}, {55, 55}, {104, 108}, {112, 118}})) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.car.ar, 13) << program;
    EXPECT_EQ(v.car.egt, 0) << program << " holds its level";
    EXPECT_GE(v.car.dr, 1) << program;
  }
}

TEST(InstrFamilies, OrgansHoldASteadyLevel) {
  for (int program : Programs({{16, 23}})) {
    Voice v = DecodeVoice(program);
    EXPECT_EQ(v.car.egt, 1) << program;
    EXPECT_TRUE(v.car.dr == 0 || v.car.sl == 0) << program;
    EXPECT_GE(v.car.ar, 11) << program;
  }
}

TEST(InstrFamilies, BassesSoundAtPitchWithAFastAttack) {
  for (int program : Programs({{32, 39}})) {
    Voice v = DecodeVoice(program);
    EXPECT_EQ(v.car.mult, 1) << program;
    EXPECT_GE(v.car.ar, 13) << program;
  }
}

TEST(InstrFamilies, BowedVoicesSwellInWithVibrato) {
  // Solo strings, string and voice ensembles, fiddle.
  for (int program : Programs({{40, 44}, {48, 54}, {110, 110}})) {
    Voice v = DecodeVoice(program);
    EXPECT_LE(v.car.ar, 8) << program;
    EXPECT_EQ(v.car.egt, 1) << program;
    EXPECT_EQ(v.car.vib, 1) << program;
  }
}

TEST(InstrFamilies, BrassAndReedsTongueIntoAHeldNote) {
  // Brass, reeds, bagpipe, shanai: neither instant nor slow, then held, with a
  // modulator loud enough for a rich tone.
  for (int program : Programs({{56, 71}, {109, 109}, {111, 111}})) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.car.ar, 9) << program;
    EXPECT_LE(v.car.ar, 13) << program;
    EXPECT_EQ(v.car.egt, 1) << program;
    EXPECT_LE(v.mod.tl, 22) << program;
  }
}

TEST(InstrFamilies, PipesAreNearlyPureHeldTones) {
  for (int program : Programs({{72, 79}})) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.mod.tl, 26) << program;
    EXPECT_LE(v.fb, 4) << program;
    EXPECT_EQ(v.car.egt, 1) << program;
  }
}

TEST(InstrFamilies, SynthLeadsStartAtOnceAndHold) {
  for (int program : Programs({{80, 87}})) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.car.ar, 13) << program;
    EXPECT_EQ(v.car.egt, 1) << program;
  }
}

TEST(InstrFamilies, PadsSwellAndLinger) {
  for (int program : Programs({{88, 95}})) {
    Voice v = DecodeVoice(program);
    EXPECT_LE(v.car.ar, 8) << program;
    EXPECT_LE(v.car.rr, 5) << program;
    EXPECT_EQ(v.car.egt, 1) << program;
  }
}

TEST(InstrFamilies, SynthEffectsRingOnAfterRelease) {
  for (int program : Programs({{96, 103}})) {
    EXPECT_LE(DecodeVoice(program).car.rr, 4) << program;
  }
}

TEST(InstrFamilies, NoisyEffectsUseHeavyFeedbackOnALoudModulator) {
  // Reverse cymbal, fret noise, breath, seashore, helicopter, applause, gunshot.
  for (int program : {119, 120, 121, 122, 125, 126, 127}) {
    Voice v = DecodeVoice(program);
    EXPECT_GE(v.fb, 6) << program;
    EXPECT_LE(v.mod.tl, 12) << program;
  }
  // The reverse cymbal swells in rather than striking.
  EXPECT_LE(DecodeVoice(119).car.ar, 6);
}
