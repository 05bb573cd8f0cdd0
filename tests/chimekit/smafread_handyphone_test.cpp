// Reading Handyphone Standard SMAF files built byte by byte from the
// format's facts: octave settings counted from the original octave, the
// short and long controls, voices by bank and program, the channel
// mapping of two score tracks; and a table of departures from the format,
// each found as a problem, beside values the format allows, which are not.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "support/smaf_builder.h"

namespace {

using namespace test_support::smaf_bytes;
using chimekit::smafread::EventKind;
using chimekit::smafread::ScoreEvent;
using chimekit::smafread::SmafScore;

// The events of a Handyphone sequence.
std::string Note(uint32_t duration, int channel, int octave, int note, uint32_t gate) {
  return Len(duration) + B({channel << 6 | octave << 4 | note}) + Len(gate);
}
std::string Control(uint32_t duration, int channel, int type, int value) {
  return Len(duration) + B({0, channel << 6 | 0x30 | type, value});
}
std::string Short(uint32_t duration, int channel, int kind, int value) {
  return Len(duration) + B({0, channel << 6 | kind << 4 | value});
}
std::string End(uint32_t duration = 0) { return Len(duration) + B({0, 0, 0}); }

// 43 03 ordinal bank program and the twelve bytes of a 2-operator voice.
std::string Voice(int ordinal, int bank, int program) {
  const std::string message = B({0x43, 0x03, ordinal, bank, program, 0x60, 0x01, 0x14, 0x52, 0xF4, 0x3A, 0xA0, 0x14,
                                 0x62, 0xF7, 0x00, 0xA0, 0xF7});
  return B({0xFF, 0xF0}) + Len(static_cast<uint32_t>(message.size())) + message;
}

std::string Track(int number, const std::string& status, const std::string& voices, const std::string& events,
                  int code = 0x10) {
  return Mtr(number, 0, code, code, status, Chunk("Mtsu", voices) + Chunk("Mtsq", events));
}

// Timebase 10 ms. Track 1 channel 0 climbs and falls by octave settings,
// channel 2 is of type rhythm and selects bank 5; track 2 has one note.
std::string Events1() {
  return Control(0, 0, 2, 0x04) + Note(0, 0, 3, 7, 10) +   // base 84: key 127 at 0 ms
         Control(10, 0, 2, 0x84) + Note(0, 0, 0, 12, 5) +  // base -12: key 0 at 100 ms
         Control(0, 0, 2, 0x82) + Control(0, 0, 2, 0x01) + Note(0, 0, 0, 1, 5) +  // base 48 (not 24): key 49
         Short(0, 0, 0, 6) + Short(0, 0, 1, 8) + Short(0, 0, 2, 3) +   // expression 63, bend 64, modulation 0x10
         Control(0, 2, 1, 5) + Control(0, 2, 0, 7) + Note(0, 2, 2, 1, 3) +  // bank 5 program 7: key 61
         Len(200) + B({0xFF, 0x00}) +                                       // 2100 ms
         Len(0) + B({0xFF, 0xF0}) + Len(5) + B({0x43, 0x03, 0x09, 0x01, 0xF7}) + End(300);  // ends at 5100 ms
}
std::string HandyphoneSong() {
  const std::string voices = Voice(0, 0, 7) + Voice(1, 5, 7) + Voice(2, 0, 0);
  return File(Cnti(",") + Track(1, B({0x80, 0x30}), voices, Events1()) +
              Track(2, B({0x00, 0x00}), voices, Note(50, 1, 1, 12, 20) + End()));
}

TEST(SmafReadHandyphone, OctaveSettingsVoicesAndChannels) {
  const std::string file = HandyphoneSong();
  const SmafScore score = chimekit::smafread::ReadSmafScore(file);
  ASSERT_TRUE(score.problems.empty()) << score.problems.front().text;
  ASSERT_EQ(score.score_tracks.size(), 2u);
  using Note = std::tuple<int, int, int, uint64_t, uint64_t, int>;  // track, channel, key, ms, gate ms, voice
  std::vector<Note> notes;
  for (size_t t = 0; t < 2; ++t) {
    for (const ScoreEvent& event : score.score_tracks[t].events) {
      if (event.kind == EventKind::kNote) {
        notes.emplace_back(t + 1, event.channel, event.key, event.time_ms, event.gate_ms, event.voice);
      }
    }
  }
  EXPECT_EQ(notes, (std::vector<Note>{{1, 0, 127, 0, 100, 2}, {1, 0, 0, 100, 50, 2}, {1, 0, 49, 100, 50, 2},
                                      {1, 2, 61, 100, 30, 1}, {2, 1, 60, 500, 200, 2}}));
  std::vector<std::tuple<int, int, uint32_t>> controls;  // kind, controller, value
  for (const ScoreEvent& event : score.score_tracks[0].events) {
    if (event.kind == EventKind::kControl || event.kind == EventKind::kPitchBend || event.kind == EventKind::kProgram) {
      controls.emplace_back(static_cast<int>(event.kind), event.key, event.data);
    }
  }
  const int control = static_cast<int>(EventKind::kControl);
  EXPECT_EQ(controls, (std::vector<std::tuple<int, int, uint32_t>>{{control, 11, 63},
                                                                    {static_cast<int>(EventKind::kPitchBend), 0, 8192},
                                                                    {control, 1, 0x10},
                                                                    {control, 0, 5},
                                                                    {static_cast<int>(EventKind::kProgram), 0, 7}}));
  EXPECT_EQ(score.score_tracks[0].end_ms, 5100u);
  ASSERT_EQ(score.score_tracks[0].exclusives.size(), 1u);
  EXPECT_EQ(score.score_tracks[0].exclusive_bytes, B({0x43, 0x03, 0x09, 0x01}));
  const auto& op = score.score_tracks[0].voices[0].fm.operators[0];
  EXPECT_EQ(std::vector<int>({op.multiplier, op.sustained, op.release_rate, op.decay_rate, op.attack_rate,
                              op.sustain_level, op.total_level, op.key_scale_level, op.vibrato_depth, op.am_depth,
                              op.feedback}),
            std::vector<int>({1, 1, 5, 2, 15, 4, 14, 2, 2, 2, 4}));
  // Track 1 channel 0 keeps MIDI channel 1 (0 here), its rhythm channel 2
  // plays on 10, track 2 channel 1 keeps 4 * 1 + 1.
  const chimekit::smafread::ChannelMap map = chimekit::smafread::MapChannels(score);
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(std::vector<int>({map[0][0], map[0][2], map[1][1]}), std::vector<int>({0, 9, 5}));
  EXPECT_EQ(chimekit::smafread::SmafToMidi(file, score).summary.Text(),
            "score tracks: 2 (Handyphone Standard), notes: 5, audio tracks: 0");
  const auto listing = chimekit::smafread::ListSmaf(file, score);
  for (const char* line : {"    +0 ch0 octave setting up 4 (base 84)", "    +0 ch0 note octave 3 note 7 (base+43 = key 127) gate 10",
                           "    +0 ch0 octave setting up 1 (base 48)", "    +0 ch0 expression 63 (short 6)",
                           "    +0 ch2 bank select 5", "    end of sequence: 15 events, 4 notes, 510 units (5100 ms)",
                           "  channel types: ch2 rhythm", "summary: timebase 10 ms, 2 score tracks, 3 voices, 5 notes, 0 problems"}) {
    EXPECT_NE(std::find(listing.lines.begin(), listing.lines.end(), line), listing.lines.end()) << line;
  }
}

struct Case {
  const char* what;
  std::string file;
  const char* problem;  // part of the first problem expected; null: a fact, no problem
  size_t count = 1;     // problems expected in all
};

std::vector<Case> Cases() {
  const std::string cnti = Cnti(",");
  const std::string voice = Voice(0, 0, 0);
  const auto one = [&](const std::string& events, const std::string& voices = "") {
    return File(cnti + Track(1, B({0x80, 0x80}), voices.empty() ? voice : voices, events));
  };
  std::string crc = one(Note(0, 0, 1, 1, 1) + End());
  crc.back() = static_cast<char>(crc.back() ^ 1);
  std::string size = one(End());
  size[7] = static_cast<char>(size[7] + 3);
  return {
      // Values the format allows: facts.
      {"contents class and type", File(Chunk("CNTI", B({5, 0x31, 0x23, 3, 2}) + ",") + Track(1, B({0, 0}), voice, End())), nullptr},
      {"track number 7", File(cnti + Track(7, B({0, 0}), voice, End())), nullptr},
      {"other chunk", File(cnti + Chunk("ABCD", "xyz")), nullptr},
      {"1 ms timebase", File(cnti + Track(1, B({0, 0}), voice, End(), 0x00)), nullptr},
      {"trailing zeros", one(End() + B({0, 0})), nullptr},
      {"voice in bank 7", one(End(), Voice(3, 7, 100)), nullptr},
      // Departures.
      {"CRC", crc, "CRC"},
      {"MMMD size", size, "MMMD size", 2},  // the CRC covers the size
      {"not SMAF", "RIFF" + one(End()).substr(4), "not a SMAF file"},
      {"chunk beyond file", File(cnti + Chunk("MTR\x01", "") .substr(0, 4) + Be32(1000)), "has size 1000"},
      {"unknown timebase", File(cnti + Track(1, B({0, 0}), voice, End(), 0x05)), "unknown timebase code 0x05", 2},
      {"unknown control", one(Control(0, 1, 0x05, 3) + End()), "unknown control type 0x35"},
      {"octave 85", one(Control(0, 1, 2, 0x85) + End()), "octave setting value 0x85"},
      {"octave 80", one(Control(0, 1, 2, 0x80) + End()), "octave setting value 0x80"},
      {"note 0", one(Note(0, 0, 1, 0, 5) + End()), "holds note 0"},
      {"note 13", one(Note(0, 0, 1, 13, 5) + End()), "holds note 13"},
      {"key below 0", one(Control(0, 0, 2, 0x84) + Note(0, 0, 0, 1, 5) + End()), "plays key -11"},
      {"reserved short", one(Short(0, 0, 2, 15) + End()), "short modulation value 15"},
      {"FF 01", one(Len(0) + B({0xFF, 0x01})), "unknown event FF 01"},
      {"no end", one(Note(0, 0, 1, 1, 1)), "without its end of sequence"},
      {"end cut", one(Len(0) + B({0, 0})), "end of sequence cut off"},
      {"after end", one(End() + "x"), "after its end of sequence"},
      {"gate cut", one(Len(5) + B({0x1C})), "note gate time cut off"},
      {"exclusive beyond", one(Len(0) + B({0xFF, 0xF0, 20, 0x43})), "runs past the sequence"},
      {"voice too short", one(End(), B({0xFF, 0xF0, 8, 0x43, 0x03, 0, 0, 0, 0x60, 0x01, 0xF7})), "too few for algorithm 0"},
      {"voice overrun", one(End(), B({0xFF, 0xF0, 40, 0x43})), "runs past the setup chunk"},
      {"not a voice", one(End(), B({0xF1, 0x00})), "expected a voice message"},
      {"second CNTI", File(cnti + cnti), "a second CNTI chunk"},
  };
}

TEST(SmafReadHandyphone, DeparturesAreProblemsAndAllowedValuesFacts) {
  for (const Case& c : Cases()) {
    const SmafScore score = chimekit::smafread::ReadSmafScore(c.file);
    const auto listing = chimekit::smafread::ListSmaf(c.file, score);
    EXPECT_EQ(listing.ok, score.problems.empty()) << c.what;
    EXPECT_EQ(listing.summary, listing.lines.back()) << c.what;
    if (c.problem == nullptr) {
      EXPECT_TRUE(score.problems.empty()) << c.what << ": " << score.problems.front().text;
      continue;
    }
    ASSERT_EQ(score.problems.size(), c.count) << c.what << ": " << (score.problems.empty() ? "" : score.problems.back().text);
    EXPECT_NE(score.problems[0].text.find(c.problem), std::string::npos) << c.what << ": " << score.problems[0].text;
  }
}

}  // namespace
