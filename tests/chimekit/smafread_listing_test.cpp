// The inspector (the SMAF reader's listing) on ringtones built byte by byte
// here: sound files pass with a listing in words, values the format allows
// are listed as facts, and each departure from the format is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/read.h"
#include "support/smf_builder.h"

namespace {

using chimekit::smafread::SmafListing;
using test_support::Bytes;
using test_support::Chunk;

SmafListing InspectSmaf(const std::string& file) {
  return chimekit::smafread::ListSmaf(file, chimekit::smafread::ReadSmafScore(file));
}

// SMAF length number: one byte up to 127, two bytes up to 16511.
std::string Len(uint32_t n) {
  const int value = static_cast<int>(n);
  return n < 128 ? Bytes({value}) : Bytes({0x80 | ((value - 128) >> 7), (value - 128) & 0x7F});
}

// CRC-16/GENIBUS, bit by bit.
uint16_t Crc(const std::string& bytes) {
  uint32_t crc = 0xFFFF;
  for (unsigned char byte : bytes) {
    crc ^= static_cast<uint32_t>(byte) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = ((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1) & 0xFFFF;
  }
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

std::string WithCrc(const std::string& bytes) {
  const uint16_t crc = Crc(bytes);
  return bytes + Bytes({crc >> 8, crc & 0xFF});
}

// Sets the MMMD size of a whole file and recomputes its CRC.
std::string Reseal(std::string file) {
  file.resize(file.size() - 2);
  const int size = static_cast<int>(file.size() - 6);
  return WithCrc(file.replace(4, 4, Bytes({size >> 24, (size >> 16) & 0xFF, (size >> 8) & 0xFF, size & 0xFF})));
}

std::string Smaf(const std::string& chunks) { return Reseal("MMMD" + std::string(4, '\0') + chunks + "cc"); }
std::string Cnti(const std::string& text = ",") { return Chunk("CNTI", Bytes({0, 0, 1, 0, 0}) + text); }
std::string Voice(int ordinal, int program, const std::string& parameters = std::string(12, '\x11')) {
  const std::string body = Bytes({0x43, 0x03, ordinal, 0, program}) + parameters + "\xF7";
  return "\xFF\xF0" + Len(static_cast<uint32_t>(body.size())) + body;
}
const std::string kClosing(4, '\0');
std::string Track(int number, const std::string& voices, const std::string& events, int code = 0x10,
                  const std::string& tail = kClosing) {
  return Chunk(std::string("MTR") + static_cast<char>(number),
               Bytes({0, 0, code, code, 0x80, 0x80}) + Chunk("Mtsu", voices) + Chunk("Mtsq", events + tail));
}
std::string Note(uint32_t duration, int ch, int octave, int note, uint32_t gate) {
  return Len(duration) + Bytes({ch << 6 | octave << 4 | note}) + Len(gate);
}
std::string Control(uint32_t duration, int ch, int type, int value) {
  return Len(duration) + Bytes({0, ch << 6 | type, value});
}
std::string Nop(uint32_t duration) { return Len(duration) + Bytes({0xFF, 0}); }

// One note 60 on channel 3 lasting 100 units after volume 107, then a rest.
const std::string kOneNoteEvents = Control(0, 3, 0x37, 107) + Note(0, 3, 1, 12, 100) + Nop(100);
std::string OneNote() { return Smaf(Cnti() + Track(1, Voice(0, 0), kOneNoteEvents)); }

bool HasLine(const SmafListing& result, const std::string& line) {
  return std::any_of(result.lines.begin(), result.lines.end(), [&](const std::string& l) {
    return l.size() >= line.size() && l.compare(l.size() - line.size(), line.size(), line) == 0 &&
           l.find_first_not_of(' ') == l.size() - line.size();
  });
}

bool HasProblem(const SmafListing& result, const std::string& part) {
  return std::any_of(result.problems.begin(), result.problems.end(),
                     [&](const std::string& p) { return p.find(part) != std::string::npos; });
}

// What every result must satisfy, whatever the input.
void ExpectConsistent(const SmafListing& result) {
  EXPECT_EQ(result.ok, result.problems.empty());
  ASSERT_FALSE(result.lines.empty());
  EXPECT_EQ(result.lines.back(), result.summary);
  EXPECT_NE(result.summary.find(", " + std::to_string(result.problems.size()) + " problem"), std::string::npos);
}

TEST(SmafInspectValid, OneNoteIsListedInWords) {
  const SmafListing result = InspectSmaf(OneNote());
  ExpectConsistent(result);
  EXPECT_TRUE(result.ok) << result.problems.front();
  EXPECT_TRUE(HasLine(result, "voice 0: program 0, bank 0, 12 parameter bytes 11 11 11 11 11 11 11 11 11 11 11 11"));
  EXPECT_TRUE(HasLine(result, "+0 ch3 volume 107"));
  EXPECT_TRUE(HasLine(result, "+0 ch3 note octave 1 note 12 (base+24 = key 60) gate 100"));
  EXPECT_TRUE(HasLine(result, "+100 nop"));
  EXPECT_TRUE(HasLine(result, "end of sequence: 3 events, 1 note, 100 units (1000 ms)"));
  EXPECT_EQ(result.summary, "summary: timebase 10 ms, 1 score track, 1 voice, 1 note, 0 problems");
}

TEST(SmafInspectValid, FourTracksShareOneSetupOfSeveralVoices) {
  const std::string voices = Voice(0, 0) + Voice(1, 40) + Voice(2, 127);
  std::string tracks;
  for (int number = 1; number <= 4; ++number) {
    tracks += Track(number, voices, Control(0, number - 1, 0x30, 40) + Note(3, number - 1, 0, 5, 2));
  }
  const SmafListing result = InspectSmaf(Smaf(Cnti() + tracks));
  ExpectConsistent(result);
  EXPECT_TRUE(result.ok) << result.problems.front();
  EXPECT_TRUE(HasLine(result, "voice 2: program 127, bank 0, 12 parameter bytes 11 11 11 11 11 11 11 11 11 11 11 11"));
  EXPECT_TRUE(HasLine(result, "Mtsu setup, 63 bytes, the same as in score track 1"));
  EXPECT_TRUE(HasLine(result, "+0 ch2 program change 40"));
  EXPECT_EQ(result.summary, "summary: timebase 10 ms, 4 score tracks, 3 voices, 4 notes, 0 problems");
}

TEST(SmafInspectValid, ControlsAndOctaveSettingsPerChannel) {
  // An octave setting places the base from the original octave (36), never
  // from the setting before it: 04 gives 84, then 84 gives -12, 82 then 01
  // give 48 (a reading in steps from the last setting would give 24), 00
  // gives 36 again.
  const std::string events = Control(0, 0, 0x33, 64) + Control(0, 0, 0x34, 0x40) + Control(0, 0, 0x3A, 10) +
                             Control(0, 0, 0x3B, 100) + Control(0, 0, 0x32, 0x04) +
                             Note(0, 0, 3, 7, 10) +  // from base 84: key 127
                             Control(0, 0, 0x32, 0x84) + Note(10, 0, 0, 12, 10) +  // from base -12: key 0
                             Control(0, 2, 0x32, 0x82) + Control(0, 2, 0x32, 0x01) +
                             Note(0, 2, 0, 1, 5) +  // from base 48: key 49
                             Control(0, 2, 0x32, 0x00) + Note(0, 2, 0, 1, 5) +  // from base 36: key 37
                             Note(0, 1, 1, 12, 5);  // channel 1 keeps base 36
  const SmafListing result = InspectSmaf(Smaf(Cnti() + Track(1, Voice(0, 0), events)));
  ExpectConsistent(result);
  EXPECT_TRUE(result.ok) << result.problems.front();
  for (const char* line :
       {"+0 ch0 modulation 64", "+0 ch0 pitch bend 64", "+0 ch0 pan 10", "+0 ch0 expression 100",
        "+0 ch0 octave setting up 4 (base 84)", "+0 ch0 note octave 3 note 7 (base+43 = key 127) gate 10",
        "+0 ch0 octave setting down 4 (base -12)", "+10 ch0 note octave 0 note 12 (base+12 = key 0) gate 10",
        "+0 ch2 octave setting down 2 (base 12)", "+0 ch2 octave setting up 1 (base 48)",
        "+0 ch2 note octave 0 note 1 (base+1 = key 49) gate 5", "+0 ch2 octave setting original (base 36)",
        "+0 ch2 note octave 0 note 1 (base+1 = key 37) gate 5",
        "+0 ch1 note octave 1 note 12 (base+24 = key 60) gate 5"}) {
    EXPECT_TRUE(HasLine(result, line)) << line;
  }
}

TEST(SmafInspectValid, LongDurationsUseFillersAndTwoByteLengths) {
  // 40000 units: two fillers of 16511 and the remainder 6978 (B5 42); gate 16511 (FF 7F).
  const std::string events = Bytes({0xFF, 0x7F, 0xFF, 0x00, 0xFF, 0x7F, 0xFF, 0x00, 0xB5, 0x42, 0x1C, 0xFF, 0x7F});
  const SmafListing result = InspectSmaf(Smaf(Cnti() + Track(1, Voice(0, 0), events, 0x13)));
  ExpectConsistent(result);
  EXPECT_TRUE(result.ok) << result.problems.front();
  EXPECT_TRUE(HasLine(result, "+16511 nop"));
  EXPECT_TRUE(HasLine(result, "+6978 ch0 note octave 1 note 12 (base+24 = key 60) gate 16511"));
  EXPECT_TRUE(HasLine(result, "end of sequence: 3 events, 1 note, 40000 units (2000000 ms)"));
}

TEST(SmafInspectValid, OptionTextTagsTimebasesAndNoScoreTrack) {
  SmafListing result = InspectSmaf(Smaf(Cnti("VN:a,; b,CR:c,ST:d\x01,") + Track(1, Voice(0, 0), Nop(1))));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(HasLine(result, "vendor: \"a,; b\""));
  EXPECT_TRUE(HasLine(result, "copyright: \"c\""));
  EXPECT_TRUE(HasLine(result, "title: \"d\\x01\""));
  result = InspectSmaf(Smaf(Cnti()));
  EXPECT_TRUE(result.ok && HasLine(result, "no tags"));
  EXPECT_EQ(result.summary, "summary: timebase unknown, 0 score tracks, 0 voices, 0 notes, 0 problems");
  for (auto [code, ms] : {std::pair{0x02, 4}, {0x03, 5}, {0x10, 10}, {0x11, 20}, {0x12, 40}, {0x13, 50}}) {
    result = InspectSmaf(Smaf(Cnti() + Track(1, Voice(0, 0), Nop(1), code)));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.timebase_ms, static_cast<uint32_t>(ms));
  }
}

TEST(SmafInspectValid, TimeIsLinearInTheNumberOfEvents) {
  std::string events;
  for (int i = 0; i < 200000; ++i) events += Nop(1);
  const SmafListing result = InspectSmaf(Smaf(Cnti() + Track(1, Voice(0, 0), events)));
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(HasLine(result, "end of sequence: 200000 events, 0 notes, 200000 units (2000000 ms)"));
}

// A file built byte by byte, and a part of the line the listing must give
// of it (a fact) or of one of its problems.
struct Case {
  const char* what;
  std::string file;
  const char* text;
  size_t count = 1;  // problems expected in all (damage only)
};

// Values the format allows, as other writers than ours write them: facts
// in the listing, no problem.
std::vector<Case> Facts() {
  const std::string cnti = Cnti();
  const std::string v0 = Voice(0, 0);
  const auto one = [&](const std::string& voices, const std::string& events) {
    return Smaf(cnti + Track(1, voices, events));
  };
  const std::string track = Track(1, v0, kOneNoteEvents);
  const auto patched = [&](size_t at, int value) {
    std::string copy = track;
    copy[at] = static_cast<char>(value);
    return Smaf(cnti + copy);
  };
  std::string cnti_byte[5];
  for (int i = 0; i < 5; ++i) {
    cnti_byte[i] = Cnti();
    cnti_byte[i][8 + i] = static_cast<char>(cnti_byte[i][8 + i] ^ 1);
  }
  std::string no_crc = Smaf(cnti + track);
  no_crc.resize(no_crc.size() - 2);
  no_crc[7] = static_cast<char>(no_crc[7] - 2);
  return {
      {"CNTI class", Smaf(cnti_byte[0]), "contents class 0x01, contents type 0x00, contents code type 0x01"},
      {"CNTI type", Smaf(cnti_byte[1]), "contents type 0x01"},
      {"CNTI code type", Smaf(cnti_byte[2]), "contents code type 0x00"},
      {"CNTI copy status", Smaf(cnti_byte[3]), "copy status 0x01"},
      {"CNTI copy counts", Smaf(cnti_byte[4]), "copy counts 0x01"},
      {"no CRC", no_crc, "no CRC: the chunks fill the MMMD chunk"},
      {"OPDA text", Smaf(cnti + Chunk("OPDA", "VN:x,ST:y,")), "OPDA optional data, 10 bytes, tags as an option text"},
      {"track number 0", Smaf(cnti + Track(0, v0, Nop(1))), "MTR score track 0"},
      {"track number 5", Smaf(cnti + Track(5, v0, Nop(1))), "MTR score track 5"},
      {"descending", Smaf(cnti + Track(2, v0, Nop(1)) + Track(1, v0, Nop(1))), "MTR score track 1"},
      {"track twice", Smaf(cnti + Track(3, v0, Nop(1)) + Track(3, v0, Nop(1))), "MTR score track 3"},
      {"sequence type", patched(9, 1), "sequence type 0x01"},
      {"gate timebase", patched(11, 0x11), "gate code 0x11 = 20 ms"},
      {"timebase per track", Smaf(cnti + Track(1, v0, Nop(1)) + Track(2, v0, Nop(1), 0x11)), "timebase 20 ms"},
      {"channel status", patched(13, 0), "channel status 80 00"},
      {"setup differs", Smaf(cnti + Track(1, v0, Nop(1)) + Track(2, Voice(0, 1), Nop(1))), "voice 0: program 1"},
      {"no setup", Smaf(cnti + Chunk("MTR\x01", Bytes({0, 0, 16, 16, 128, 128}) + Chunk("Mtsq", Nop(1) + kClosing))),
       "+1 nop"},
      {"empty setup", one("", Nop(1)), "no voice message"},
      {"ordinal gap", one(v0 + Voice(2, 1), Nop(1)), "voice 2: program 1"},
      {"ordinal start", one(Voice(1, 0), Nop(1)), "voice 1: program 0"},
      {"voice bank", one(v0.substr(0, 6) + "\x01" + v0.substr(7), Nop(1)), "voice 0: program 0, bank 1"},
      {"program 128", one(Voice(0, 128), Nop(1)), "voice 0: program 128"},
      {"program twice", one(v0 + Voice(1, 0), Nop(1)), "voice 1: program 0"},
      {"bank select", one(v0, Control(0, 1, 0x31, 5)), "+0 ch1 bank select 5"},
      {"no voice", one(v0, Control(0, 0, 0x30, 5)), "+0 ch0 program change 5"},
      {"unknown chunk", Smaf(cnti + Chunk("ABCD", "")), "chunk \"ABCD\", 0 bytes"},
  };
}

// Departures from the format: each one problem of its own.
std::vector<Case> Damages() {
  const std::string cnti = Cnti();
  const std::string v0 = Voice(0, 0);
  const auto one = [&](const std::string& voices, const std::string& events, const std::string& tail = kClosing) {
    return Smaf(cnti + Track(1, voices, events, 0x10, tail));
  };
  const std::string track = Track(1, v0, kOneNoteEvents);
  const auto patched = [&](size_t at, int value) {
    std::string copy = track;
    copy[at] = static_cast<char>(value);
    return Smaf(cnti + copy);
  };
  std::string mmmd_size = OneNote();
  mmmd_size[7] = static_cast<char>(mmmd_size[7] + 1);
  std::string crc = OneNote();
  crc.back() = static_cast<char>(crc.back() ^ 1);
  return {
      {"not SMAF", "RIFF" + OneNote().substr(4), "not a SMAF file"},
      {"MMMD size", WithCrc(mmmd_size.substr(0, mmmd_size.size() - 2)), "MMMD size 82 but 81 bytes follow"},
      {"CRC", crc, "CRC"},
      {"CNTI short", Smaf(Chunk("CNTI", Bytes({0, 0, 1}))), "no room for its 5 fixed bytes"},
      {"option text", Smaf(Cnti("VN:a")), "does not end with \",\""},
      {"untagged text", Smaf(Cnti("xy,")), "does not begin with a tag"},
      {"empty body", Smaf(""), "no CNTI chunk"},
      {"format type", patched(8, 4), "format type 0x04, which the format does not define"},
      {"unknown timebase", Smaf(cnti + Track(1, v0, Nop(1), 0x04)), "unknown timebase code 0x04", 2},
      {"not a voice", one("\xFF\xF1" + v0.substr(2), Nop(1)), "expected a voice message"},
      {"parameters", one(Voice(0, 0, std::string(11, '\x11')), Nop(1)), "11 voice parameter bytes"},
      {"no F7", one(v0.substr(0, v0.size() - 1) + '\0', Nop(1)), "does not end with F7"},
      {"voice overrun", one(v0.substr(0, 2) + Len(19) + v0.substr(3), Nop(1)), "runs past the setup chunk"},
      {"voice short", one(Bytes({0xFF, 0xF0, 3, 0x43, 3, 0}), Nop(1)), "voice message does not end with F7"},
      {"no closing", one(v0, Nop(1), ""), "without its end of sequence"},
      {"after closing", one(v0, Nop(1), kClosing + "x"), "goes on for 1 bytes after its end of sequence"},
      {"closing cut", one(v0, Nop(1), kClosing.substr(2)), "control event cut off"},
      {"control type", one(v0, Control(0, 1, 0x35, 5)), "unknown control type 0x35"},
      {"octave setting", one(v0, Control(0, 1, 0x32, 0x85)), "octave setting value 0x85"},
      {"octave 80", one(v0, Control(0, 1, 0x32, 0x80)), "octave setting value 0x80"},
      {"note 0", one(v0, Note(1, 0, 1, 0, 5)), "holds note 0"},
      {"note 13", one(v0, Note(1, 0, 1, 13, 5)), "holds note 13"},
      {"FF 01", one(v0, Bytes({1, 0xFF, 1})), "unknown event FF 01"},
      {"length byte", one(v0, Bytes({0x81, 0x80, 0xFF, 0})), "second byte above 0x7F"},
      {"gate cut off", one(v0, Bytes({5, 0x1C}), ""), "note gate time cut off"},
      {"stray bytes", Smaf(cnti + "xyz"), "3 stray bytes"},
      {"CNTI late", Smaf(Track(1, v0, Nop(1)) + cnti), "does not begin with a CNTI chunk"},
  };
}

std::string Lines(const SmafListing& result) {
  std::string text;
  for (const std::string& line : result.lines) text += line + "\n";
  return text;
}

TEST(SmafInspectValid, ValuesTheFormatAllowsAreFacts) {
  for (const Case& fact : Facts()) {
    const SmafListing result = InspectSmaf(fact.file);
    ExpectConsistent(result);
    EXPECT_TRUE(result.ok) << fact.what << ": " << Lines(result);
    EXPECT_NE(Lines(result).find(fact.text), std::string::npos) << fact.what << ": " << Lines(result);
  }
}

TEST(SmafInspectDamaged, EachFaultIsReportedOnItsOwn) {
  for (const Case& damage : Damages()) {
    const SmafListing result = InspectSmaf(damage.file);
    ExpectConsistent(result);
    EXPECT_FALSE(result.ok) << damage.what;
    EXPECT_TRUE(HasProblem(result, damage.text)) << damage.what << ": " << Lines(result);
    EXPECT_EQ(result.problems.size(), damage.count) << damage.what << ": " << Lines(result);
  }
}

TEST(SmafInspectDamaged, TruncatedAtEveryLength) {
  const std::string file = OneNote();
  for (size_t length = 0; length < file.size(); ++length) {
    const SmafListing result = InspectSmaf(file.substr(0, length));
    ExpectConsistent(result);
    EXPECT_FALSE(result.ok) << length;
    // Even with the frame repaired, the cut-off chunks are found (the
    // frame with CNTI alone is a sound file without score tracks).
    if (length > 10 && length != 8 + Cnti().size() + 2) {
      EXPECT_FALSE(InspectSmaf(Reseal(file.substr(0, length))).ok) << length;
    }
  }
}

TEST(SmafInspectDamaged, FlippedBytesAreFound) {
  // Any changed byte breaks the CRC. With the CRC made again, a changed
  // byte of the structure is still found: a chunk size, the voice
  // message's frame (FF F0, its length, F7), the option text's ",", the
  // end of sequence (00 00 00 after the closing's duration). The rest may
  // hold another value the format allows.
  const std::string file = OneNote();
  std::vector<size_t> structure;
  const auto add = [&](size_t at, size_t count) {
    for (size_t i = 0; i < count; ++i) structure.push_back(at + i);
  };
  for (const char* id : {"CNTI", "MTR\x01", "Mtsu", "Mtsq"}) add(file.find(id) + 4, 4);
  add(file.find("CNTI") + 13, 1);
  add(file.find("\xFF\xF0"), 3);
  add(file.find("\xF7\x4D\x74\x73\x71"), 1);  // the F7 before "Mtsq"
  add(file.size() - 5, 3);
  for (size_t at = 0; at < file.size(); ++at) {
    const bool found = std::find(structure.begin(), structure.end(), at) != structure.end();
    for (int mask : {0x01, 0x80, 0xFF}) {
      std::string damaged = file;
      damaged[at] = static_cast<char>(damaged[at] ^ mask);
      EXPECT_FALSE(InspectSmaf(damaged).ok) << at;  // the CRC at least
      if (at >= file.size() - 2) continue;
      const SmafListing resealed = InspectSmaf(Reseal(damaged));
      ExpectConsistent(resealed);
      if (found) {
        EXPECT_FALSE(resealed.ok) << at << " ^ " << mask;
      }
    }
  }
}

TEST(SmafInspectDamaged, ChunkSizeOfAllOnes) {
  const std::string file = OneNote();
  for (const char* id : {"CNTI", "MTR\x01", "Mtsu", "Mtsq"}) {
    std::string damaged = file;
    damaged.replace(file.find(id) + 4, 4, "\xFF\xFF\xFF\xFF");
    EXPECT_TRUE(HasProblem(InspectSmaf(Reseal(damaged)), "has size 4294967295")) << id;
  }
  std::string damaged = file.substr(0, file.size() - 2).replace(4, 4, "\xFF\xFF\xFF\xFF");
  EXPECT_TRUE(HasProblem(InspectSmaf(WithCrc(damaged)), "MMMD size 4294967295"));
}

TEST(SmafInspectDamaged, RandomBytesNeverCrash) {
  std::mt19937 random(20240611);
  const std::string voices = Voice(0, 0) + Voice(1, 40);
  const std::string events = Control(0, 1, 0x30, 40) + Control(0, 1, 0x32, 0x82) + Note(200, 1, 2, 3, 300) +
                             Control(5, 2, 0x34, 9) + Nop(16511);
  const std::string rich = Smaf(Cnti("VN:x,ST:y,") + Track(1, voices, events) + Track(3, voices, events, 0x10));
  ASSERT_TRUE(InspectSmaf(rich).ok);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 120, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    const SmafListing noise = InspectSmaf(bytes);
    ExpectConsistent(noise);
    EXPECT_FALSE(noise.ok);
    // Random setup and sequence contents inside sound frames.
    ExpectConsistent(InspectSmaf(Smaf(Cnti() + Track(1, bytes, Nop(1)))));
    ExpectConsistent(InspectSmaf(Smaf(Cnti() + Track(1, Voice(0, 0), bytes))));
    // A few bytes of a sound file overwritten.
    std::string changed = rich;
    for (size_t n = 1 + random() % 4; n > 0; --n) {
      changed[8 + random() % (changed.size() - 10)] = static_cast<char>(random());
    }
    ExpectConsistent(InspectSmaf(Reseal(changed)));
  }
}

}  // namespace
