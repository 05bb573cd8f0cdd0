// The text dump built from a loaded file: every line of both forms.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "chimekit/inspection/dump.h"
#include "support/smf_builder.h"

namespace {

using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

std::string Dump(const std::vector<std::string>& tracks, bool verbose) {
  midifile::TMidiFile file;
  file.ReadBytes(Smf(1, 96, tracks));
  return chimekit::DumpText(file, verbose);
}

// The lines of a dump; fails the test when a line does not end with CR LF.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line has no CR LF: " << text.substr(start);
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> FullLines(const std::vector<std::string>& tracks) { return Lines(Dump(tracks, true)); }
std::vector<std::string> NoteLines(const std::vector<std::string>& tracks) { return Lines(Dump(tracks, false)); }

using LineList = std::vector<std::string>;

TEST(DumpFull, ChannelMessageLines) {
  Track track;
  track.NoteOn(0, 0, 60, 100)
      .NoteOff(480, 0, 60, 64)
      .Raw(5, {0xA3, 61, 90})
      .Control(0, 15, 7, 100)
      .Program(0, 9, 25)
      .Raw(0, {0xD4, 77})
      .Raw(1, {0xE2, 0x11, 0x22});  // only the most significant byte counts
  EXPECT_EQ(Dump({track}, true),
            "0:   Note C4 [60] on with velocity 100 for time 480mS at channel 0\r\n"
            "480:   Note C4 [60] off with velocity 64 at channel 0\r\n"
            "485:   Polyphonic key 61 with pressure 90 at channel 3\r\n"
            "485:   Control change for controller \"Main Volume\" [7] with value 100 at channel 15\r\n"
            "485:   Set intrument 25 for channel 9\r\n"
            "485:   Pressure 77 for channel 4\r\n"
            "486:   Pitch wheel value 34 for channel 2\r\n");
}

TEST(DumpFull, NoteOnsListedOnlyWithAPositiveDuration) {
  Track track;
  track.NoteOn(0, 1, 64, 90)
      .NoteOn(120, 1, 64, 0)    // ends the note: no line of its own
      .NoteOn(10, 2, 50, 80)    // never ended: no line
      .NoteOn(0, 3, 52, 0);     // velocity 0 with nothing to end: no line
  EXPECT_EQ(FullLines({track}), LineList{"0:   Note E4 [64] on with velocity 90 for time 120mS at channel 1"});
  EXPECT_EQ(NoteLines({track}), LineList{"1,E4 [64],90,0,120,0 [0]"});
}

TEST(DumpFull, NoteNamesAndOctaves) {
  Track track;
  for (int key : {0, 11, 12, 61, 69, 70, 127}) track.NoteOff(0, 0, key);
  // A data byte above 127 (a malformed file) still gets a name.
  track.Raw(0, {0x80, 0xFF, 0});
  std::vector<std::string> lines = FullLines({track});
  LineList names;
  for (const std::string& line : lines) names.push_back(line.substr(10, line.find(" off") - 10));
  EXPECT_EQ(names, (LineList{"C-1 [0]", "B-1 [11]", "C0 [12]", "C#4 [61]", "A4 [69]", "A#4 [70]", "G9 [127]",
                             "D#20 [255]"}));
}

TEST(DumpFull, ControllerNamesOverTheWholeRange) {
  std::map<int, std::string> named = {
      {0, "Bank Select (MSB)"},
      {1, "Modulation Wheel"},
      {2, "Breath Controller"},
      {4, "Foot Controller"},
      {5, "Portamento Time"},
      {6, "Data Entry Slider"},
      {7, "Main Volume"},
      {8, "Balance"},
      {10, "Pan"},
      {11, "Expression Controller"},
      {16, "General Purpose Controller 1"},
      {17, "General Purpose Controller 2"},
      {18, "General Purpose Controller 3"},
      {19, "General Purpose Controller 4"},
      {64, "Damper Pedal"},
      {65, "Portamento"},
      {66, "Sostenuto"},
      {67, "Soft Pedal"},
      {69, "Hold 2"},
      {80, "General Purpose Controller 5"},
      {81, "General Purpose Controller 6"},
      {82, "General Purpose Controller 7"},
      {83, "General Purpose Controller 8"},
      {92, "Tremolo Depth"},
      {93, "Chorus Depth"},
      {94, "Celeste (Detune) Depth"},
      {95, "Phaser Depth"},
      {96, "Data Increment"},
      {97, "Data Decrement"},
      {98, "Non-Registered Parameter Number LSB"},
      {99, "Non-Registered Parameter Number MSB"},
      {100, "Registered Parameter Number LSB"},
      {101, "Registered Parameter Number MSB"},
      {122, "Local Control"},
      {123, "All Notes"},
      {124, "Omni Mode Off"},
      {125, "Omni Mode On"},
      {126, "Mono Mode On (Poly Off)"},
      {127, "Mono Mode Off (Poly On)"},
  };
  for (int n = 32; n <= 63; ++n) named[n] = "LSB For Controller " + std::to_string(n - 32);
  EXPECT_EQ(named.size(), 39u + 32u);

  Track track;
  for (int n = 0; n <= 255; ++n) track.Raw(0, {0xB5, n, 3});
  std::vector<std::string> lines = FullLines({track});
  ASSERT_EQ(lines.size(), 256u);
  for (int n = 0; n <= 255; ++n) {
    auto found = named.find(n);
    std::string text = found != named.end() ? "\"" + found->second + "\" [" + std::to_string(n) + "]"
                                             : std::to_string(n);
    EXPECT_EQ(lines[static_cast<size_t>(n)],
              "0:   Control change for controller " + text + " with value 3 at channel 5")
        << "controller " << n;
  }
  // Spot checks of unnamed numbers inside the named ranges.
  EXPECT_EQ(lines[3], "0:   Control change for controller 3 with value 3 at channel 5");
  EXPECT_EQ(lines[68], "0:   Control change for controller 68 with value 3 at channel 5");
  EXPECT_EQ(lines[121], "0:   Control change for controller 121 with value 3 at channel 5");
}

std::string MetaLine(int type, const std::string& payload) {
  Track track;
  track.Meta(0, type, payload);
  std::vector<std::string> lines = FullLines({track});
  return lines.size() == 1 ? lines[0] : "<" + std::to_string(lines.size()) + " lines>";
}

TEST(DumpFull, MetaTextEventsQuoteTheirPayload) {
  const std::string prefix = "0:   SYSTEM REAL-TIME MESSAGE: Reset: ";
  EXPECT_EQ(MetaLine(0x01, "hello"), prefix + "Text [5]: \"hello\"");
  EXPECT_EQ(MetaLine(0x02, "(c) 2001"), prefix + "Copyright [8]: \"(c) 2001\"");
  EXPECT_EQ(MetaLine(0x03, "Tune"), prefix + "Track/Song Name [4]: \"Tune\"");
  EXPECT_EQ(MetaLine(0x04, "Piano"), prefix + "Instrument Name [5]: \"Piano\"");
  EXPECT_EQ(MetaLine(0x05, "la"), prefix + "Lyrics [2]: \"la\"");
  EXPECT_EQ(MetaLine(0x06, "A"), prefix + "Marker [1]: \"A\"");
  EXPECT_EQ(MetaLine(0x07, ""), prefix + "Cue Point [0]: \"\"");
  // The payload is copied byte for byte: quotes and zero bytes included.
  std::string odd = Bytes({'a', '"', 0, 0xE9});
  EXPECT_EQ(MetaLine(0x01, odd), prefix + "Text [4]: \"" + odd + "\"");
}

TEST(DumpFull, MetaNumberEvents) {
  const std::string prefix = "0:   SYSTEM REAL-TIME MESSAGE: Reset: ";
  EXPECT_EQ(MetaLine(0x20, Bytes({9})), prefix + "MIDI Channel 9");
  EXPECT_EQ(MetaLine(0x20, ""), prefix + "MIDI Channel");
  EXPECT_EQ(MetaLine(0x21, Bytes({200, 1})), prefix + "MIDI Port 200");
  EXPECT_EQ(MetaLine(0x21, ""), prefix + "MIDI Port");
  EXPECT_EQ(MetaLine(0x2F, ""), prefix + "End Of Sequence");
  EXPECT_EQ(MetaLine(0x51, Bytes({0x07, 0xA1, 0x20})), prefix + "Tempo 500000");
  EXPECT_EQ(MetaLine(0x51, Bytes({0xFF, 0xFF, 0xFF, 0x01})), prefix + "Tempo 16777215");
  EXPECT_EQ(MetaLine(0x51, Bytes({0x07, 0xA1})), prefix + "Tempo");
  EXPECT_EQ(MetaLine(0x54, Bytes({96, 0, 3, 4, 255, 9})), prefix + "SMPTE Offset 96 0 3 4 255");
  EXPECT_EQ(MetaLine(0x54, Bytes({96, 0, 3, 4})), prefix + "SMPTE Offset");
  EXPECT_EQ(MetaLine(0x58, Bytes({6, 3, 24, 8})), prefix + "Time Signature 6 3 24 8");
  EXPECT_EQ(MetaLine(0x58, Bytes({6, 3, 24})), prefix + "Time Signature");
  // One flat: the first byte is unsigned.
  EXPECT_EQ(MetaLine(0x59, Bytes({0xFF, 0})), prefix + "Key Signature 255 0");
  EXPECT_EQ(MetaLine(0x59, Bytes({0, 0})), prefix + "Key Signature 0 0");
  EXPECT_EQ(MetaLine(0x59, Bytes({2})), prefix + "Key Signature");
}

TEST(DumpFull, MetaProprietaryAndUndescribedTypes) {
  const std::string prefix = "0:   SYSTEM REAL-TIME MESSAGE: Reset: ";
  EXPECT_EQ(MetaLine(0x7F, Bytes({0x00, 0x20, 0x3C})), prefix + "Proprietary Event [3]:    00  20  3C");
  EXPECT_EQ(MetaLine(0x7F, Bytes({0xAB})), prefix + "Proprietary Event [1]:    AB");
  EXPECT_EQ(MetaLine(0x7F, ""), prefix + "Proprietary Event [0]:  ");
  EXPECT_EQ(MetaLine(0x00, Bytes({0, 1})), prefix + "[00]");
  EXPECT_EQ(MetaLine(0x08, "text"), prefix + "[08]");
  EXPECT_EQ(MetaLine(0x0A, ""), prefix + "[0A]");
  EXPECT_EQ(MetaLine(0x7E, ""), prefix + "[7E]");
  EXPECT_EQ(MetaLine(0xFE, ""), prefix + "[FE]");
}

TEST(DumpFull, SystemExclusiveLine) {
  Track track;
  track.Raw(7, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
      .Raw(0, {0xF0, 0x00})
      .Raw(0, {0xF7, 0x02, 0x01, 0x02});  // an escape (F7) gives no line
  EXPECT_EQ(FullLines({track}), (LineList{"7:   Exclusive Event [5]:    7E  7F  09  01  F7", "7:   Exclusive Event [0]:  "}));
}

TEST(DumpFull, LongPayloadsShowTheirWholeLength) {
  // The event's second data byte keeps only the low 8 bits of a length of
  // 300 (44); the line shows the real length.
  std::string payload(300, '\x11');
  std::string sysex = test_support::Vlq(0) + Bytes({0xF0}) + test_support::Vlq(300) + payload;
  std::vector<std::string> lines = FullLines({sysex});
  ASSERT_EQ(lines.size(), 1u);
  std::string hex;
  for (int i = 0; i < 300; ++i) hex += "  11";
  EXPECT_EQ(lines[0], "0:   Exclusive Event [300]:  " + hex);

  std::string text(300, 'x');
  EXPECT_EQ(MetaLine(0x01, text), "0:   SYSTEM REAL-TIME MESSAGE: Reset: Text [300]: \"" + text + "\"");
}

TEST(DumpFull, RealTimeLinesAndStatusesWithoutALine) {
  Track track;
  track.Raw(1, {0xF8}).Raw(1, {0xFA}).Raw(1, {0xFB}).Raw(1, {0xFC}).Raw(1, {0xFE});
  for (int status : {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF9, 0xFD}) track.Raw(1, {status});
  track.EndOfTrack(1);
  EXPECT_EQ(FullLines({track}), (LineList{"1:   SYSTEM REAL-TIME MESSAGE: Timing Clock [248]",
                                          "2:   SYSTEM REAL-TIME MESSAGE: Start [250]",
                                          "3:   SYSTEM REAL-TIME MESSAGE: Continue [251]",
                                          "4:   SYSTEM REAL-TIME MESSAGE: Stop [252]",
                                          "5:   SYSTEM REAL-TIME MESSAGE: Active Sensing [254]",
                                          "14:   SYSTEM REAL-TIME MESSAGE: Reset: End Of Sequence"}));

  // Data bytes before any status byte of a track are events of status 0:
  // none of them gives a line.
  std::string no_status = Bytes({0x00, 0x05, 0x00, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(FullLines({no_status}), LineList{"5:   SYSTEM REAL-TIME MESSAGE: Reset: End Of Sequence"});
}

TEST(DumpFull, EveryTrackAndEventsAfterEndOfTrack) {
  Track first;
  first.Program(0, 0, 1).EndOfTrack(10).Program(5, 0, 2).NoteOn(0, 0, 60, 80).NoteOff(20, 0, 60);
  Track second;
  second.Raw(3, {0xFC});
  EXPECT_EQ(FullLines({first, second}), (LineList{"0:   Set intrument 1 for channel 0",
                                                  "10:   SYSTEM REAL-TIME MESSAGE: Reset: End Of Sequence",
                                                  "15:   Set intrument 2 for channel 0",
                                                  "15:   Note C4 [60] on with velocity 80 for time 20mS at channel 0",
                                                  "35:   Note C4 [60] off with velocity 0 at channel 0",
                                                  "3:   SYSTEM REAL-TIME MESSAGE: Stop [252]"}));
  EXPECT_EQ(NoteLines({first, second}), LineList{"0,C4 [60],80,15,35,2 [0]"});
}

TEST(DumpNoteList, LineFormatWithProgramAndBank) {
  Track track;
  track.NoteOn(0, 0, 60, 100).NoteOff(480, 0, 60);
  EXPECT_EQ(Dump({track}, false), "0,C4 [60],100,0,480,0 [0]\r\n");

  Track banked;
  banked.Control(0, 9, 0, 120)   // bank select: sets the bank, prints nothing here
      .Control(0, 9, 32, 5)      // its LSB does not
      .Program(0, 9, 16)
      .Program(0, 3, 40)         // another channel: no effect on channel 9
      .NoteOn(10, 9, 0, 1)
      .NoteOff(6, 9, 0)
      .Control(0, 9, 0, 121)
      .NoteOn(0, 9, 127, 127)
      .NoteOff(2, 9, 127);
  EXPECT_EQ(NoteLines({banked}), (LineList{"9,C-1 [0],1,10,16,16 [120]", "9,G9 [127],127,16,18,16 [121]"}));
}

TEST(DumpNoteList, StateFollowsTheOrderOfTracksNotOfTime) {
  // Track 1's note is late in the song, track 2's program change early:
  // the change reaches track 2 and later tracks only.
  Track first;
  first.NoteOn(1000, 2, 62, 70).NoteOff(10, 2, 62);
  Track second;
  second.Program(0, 2, 33).Control(0, 2, 0, 8).NoteOn(5, 2, 64, 71).NoteOff(10, 2, 64);
  Track third;
  third.NoteOn(0, 2, 65, 72).NoteOff(1, 2, 65);
  EXPECT_EQ(NoteLines({first, second, third}),
            (LineList{"2,D4 [62],70,1000,1010,0 [0]", "2,E4 [64],71,5,15,33 [8]", "2,F4 [65],72,0,1,33 [8]"}));
}

TEST(DumpNoteList, EndWrapsWithTheTrackTime) {
  // A note that starts at the last positive tick ends where its note-off
  // lies, after the track's time wrapped.
  Track track;
  track.NoteOn(0x7FFFFFFF, 0, 60, 100).NoteOff(10, 0, 60);
  EXPECT_EQ(NoteLines({track}), LineList{"0,C4 [60],100,2147483647,-2147483639,0 [0]"});
  EXPECT_EQ(FullLines({track})[1], "-2147483639:   Note C4 [60] off with velocity 0 at channel 0");
}

TEST(DumpBoth, EmptyOutputs) {
  midifile::TMidiFile empty;
  empty.ReadBytes("");
  EXPECT_EQ(chimekit::DumpText(empty, true), "");
  EXPECT_EQ(chimekit::DumpText(empty, false), "");

  Track no_notes;
  no_notes.Tempo(0, 400000).Control(0, 0, 0, 1).Program(0, 0, 3).NoteOff(0, 0, 60).EndOfTrack();
  EXPECT_EQ(Dump({no_notes}, false), "");
  EXPECT_EQ(FullLines({no_notes}).size(), 5u);
}

TEST(DumpBoth, AMillionEvents) {
  // 500,000 notes of one tick each: the listing is built in one pass.
  std::string content;
  content.reserve(4'000'000);
  for (int i = 0; i < 500'000; ++i) content += Bytes({0x00, 0x90, 60 + i % 12, 100, 0x01, 0x80, 60 + i % 12, 0});
  midifile::TMidiFile file;
  file.ReadBytes(Smf(0, 96, {content}));
  std::string notes = chimekit::DumpText(file, false);
  std::vector<std::string> lines = Lines(notes);
  ASSERT_EQ(lines.size(), 500'000u);
  EXPECT_EQ(lines.back(), "0,G4 [67],100,499999,500000,0 [0]");
  std::string full = chimekit::DumpText(file, true);
  EXPECT_EQ(Lines(full).size(), 1'000'000u);
}

}  // namespace
