// MIDI to SMAF as a whole: the file layout byte for byte, timebases, tags,
// voices, score tracks and checksum, and MIDI2SMAF as a host calls it.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "chimekit.h"
#include "chimekit/smaf/assemble.h"
#include "chimekit/smaf/convert.h"
#include "chimekit/smaf/smaf_format.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

using chimekit::smaf::ChooseTimebase;
using chimekit::smaf::ConvertToSmaf;
using chimekit::smaf::TSmafConversion;
using test_support::Bytes;
using test_support::Header;
using test_support::ReadFileBytes;
using test_support::Smf;
using test_support::TempDir;
using test_support::Track;

namespace {

// CRC-16/GENIBUS bit by bit, independent of the table-driven one.
uint16_t BitwiseCrc(const std::string& bytes) {
  uint16_t crc = 0xFFFF;
  for (char c : bytes) {
    crc = static_cast<uint16_t>(crc ^ (static_cast<uint8_t>(c) << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return static_cast<uint16_t>(~crc);
}

std::string BigEndian(uint32_t value) {
  return Bytes({static_cast<int>(value >> 24), static_cast<int>(value >> 16), static_cast<int>(value >> 8),
                static_cast<int>(value)});
}

std::string WithCrc(const std::string& bytes) {
  uint16_t crc = BitwiseCrc(bytes);
  return bytes + Bytes({crc >> 8, crc & 0xFF});
}

uint32_t SizeAt(const std::string& bytes, size_t at) {
  if (at + 8 > bytes.size()) throw std::runtime_error("chunk header runs past the end");
  return midifile::BigEndian(bytes, at + 4);
}

// A chunk's content, checked against the room its parent leaves.
std::string ChunkContent(const std::string& bytes, size_t at, size_t end, const std::string& id) {
  uint32_t size = SizeAt(bytes, at);
  if (bytes.compare(at, id.size(), id) != 0) throw std::runtime_error("expected chunk " + id);
  if (at + 8 + size > end) throw std::runtime_error("chunk " + id + " runs past its parent");
  return bytes.substr(at + 8, size);
}

struct ScoreTrack {
  int number = 0;
  std::string header;    // format type to channel status, 6 bytes
  std::string setup;     // the whole "Mtsu" chunk
  std::string sequence;  // the "Mtsq" content without the four closing zeros
};

struct SmafLayout {
  std::string option_text;
  std::vector<ScoreTrack> tracks;
};

// Splits a SMAF file into its parts, checking every size on the way.
SmafLayout Parse(const std::string& file) {
  if (file.size() < 10 || file.compare(0, 4, "MMMD") != 0) throw std::runtime_error("not a SMAF file");
  if (SizeAt(file, 0) != file.size() - 8) throw std::runtime_error("MMMD size");
  const size_t end = file.size() - 2;
  SmafLayout layout;
  std::string cnti = ChunkContent(file, 8, end, "CNTI");
  if (cnti.compare(0, 5, Bytes({0, 0, 1, 0, 0})) != 0) throw std::runtime_error("CNTI fixed bytes");
  layout.option_text = cnti.substr(5);
  size_t at = 8 + 8 + cnti.size();
  while (at < end) {
    ScoreTrack track;
    std::string content = ChunkContent(file, at, end, "MTR");
    track.number = static_cast<uint8_t>(file[at + 3]);
    track.header = content.substr(0, 6);
    std::string setup_content = ChunkContent(content, 6, content.size(), "Mtsu");
    track.setup = content.substr(6, 8 + setup_content.size());
    size_t sequence_at = 6 + track.setup.size();
    std::string sequence = ChunkContent(content, sequence_at, content.size(), "Mtsq");
    if (sequence_at + 8 + sequence.size() != content.size()) throw std::runtime_error("bytes after Mtsq");
    if (sequence.size() < 4 || sequence.substr(sequence.size() - 4) != std::string(4, '\0')) {
      throw std::runtime_error("sequence not closed");
    }
    track.sequence = sequence.substr(0, sequence.size() - 4);
    layout.tracks.push_back(track);
    at += 8 + content.size();
  }
  return layout;
}

TSmafConversion Convert(const std::string& midi) {
  midifile::TMidiFile file;
  file.ReadBytes(midi);
  return ConvertToSmaf(file);
}

// The parameter bytes of the four fixed rows of the voice table.
std::string FixedVoice(int program) {
  switch (program) {
    case 0:
      return Bytes({0x60, 0x01, 0x14, 0x52, 0xF4, 0x3A, 0xA0, 0x14, 0x62, 0xF7, 0x00, 0xA0});
    case 1:
      return Bytes({0x68, 0x01, 0x15, 0x42, 0xF5, 0x3E, 0xA0, 0x14, 0x62, 0xF5, 0x00, 0xA0});
    case 40:
      return Bytes({0x68, 0x01, 0x15, 0x3D, 0xD1, 0x38, 0xA1, 0x1C, 0x66, 0x52, 0x00, 0x00});
    default:
      return Bytes({0x78, 0x01, 0x5C, 0x03, 0xFF, 0x10, 0x00, 0xF8, 0x86, 0xFB, 0x00, 0x0E});
  }
}

std::string VoiceMessage(int ordinal, int program) {
  return Bytes({0xFF, 0xF0, 0x12, 0x43, 0x03, ordinal, 0x00, program}) + FixedVoice(program) + Bytes({0xF7});
}

std::string SetupChunk(const std::string& messages) {
  return "Mtsu" + BigEndian(static_cast<uint32_t>(messages.size())) + messages;
}

// One note 60 on channel 0 at time 0 lasting 100 ticks of 10 ms.
std::string WorkedExampleMidi() {
  return Smf(0, 50, {Track().NoteOn(0, 0, 60, 100).NoteOff(100, 0, 60).EndOfTrack()});
}

std::string WorkedExampleSmaf() {
  std::string cnti = "CNTI" + BigEndian(6) + Bytes({0x00, 0x00, 0x01, 0x00, 0x00, ','});
  std::string sequence_content = Bytes({0x00, 0x00, 0xF7, 0x6B,  // volume 107 on channel 3
                                        0x00, 0xDC, 0x64,        // octave 1, note 12, gate 100
                                        0x64, 0xFF, 0x00,        // end marker: 100 units
                                        0x00, 0x00, 0x00, 0x00});
  std::string sequence = "Mtsq" + BigEndian(static_cast<uint32_t>(sequence_content.size())) + sequence_content;
  std::string track_content = Bytes({0x00, 0x00, 0x10, 0x10, 0x80, 0x80}) + SetupChunk(VoiceMessage(0, 0)) + sequence;
  std::string track = "MTR" + Bytes({1}) + BigEndian(static_cast<uint32_t>(track_content.size())) + track_content;
  std::string body = cnti + track;
  return WithCrc("MMMD" + BigEndian(static_cast<uint32_t>(body.size() + 2)) + body);
}

}  // namespace

TEST(SmafFile, ChecksumOfEveryLengthMatchesTheBitwiseOne) {
  // Lengths 0 to 40 end the checksum's four-byte steps in every way.
  std::string bytes;
  for (int i = 0; i <= 40; ++i) {
    EXPECT_EQ(chimekit::smaf::SmafCrc16(bytes), BitwiseCrc(bytes)) << bytes.size() << " bytes";
    bytes.push_back(static_cast<char>(i * 97 + 13));
  }
}

TEST(SmafFile, WorkedExampleByteForByte) {
  EXPECT_EQ(BitwiseCrc("123456789"), 0xD64E);
  EXPECT_EQ(chimekit::smaf::SmafCrc16("123456789"), 0xD64E);
  const std::string expected = WorkedExampleSmaf();
  ASSERT_EQ(expected.size(), 89u);

  TSmafConversion conversion = Convert(WorkedExampleMidi());
  EXPECT_EQ(conversion.bytes, expected);
  EXPECT_EQ(conversion.summary.timebase_ms, 10);
  EXPECT_EQ(conversion.summary.timebase_code, 0x10);
  EXPECT_EQ(conversion.summary.score_tracks, 1);
  EXPECT_EQ(conversion.summary.voices, 1);
  EXPECT_EQ(conversion.summary.notes_converted, 1);
  EXPECT_EQ(conversion.summary.notes_without_slot, 0);

  TempDir dir;
  std::string out = dir.Path("out.mmf");
  ASSERT_EQ(MIDI2SMAF(dir.Write("in.mid", WorkedExampleMidi()).c_str(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out), expected);
}

TEST(SmafFile, TimebaseFollowsTheTickDuration) {
  struct Case {
    int division;
    uint32_t tempo;
    int ms;
    int code;
  };
  // 4.5 ms, 5 ms and 5.001 ms per tick, then the other steps of the table.
  for (const Case& c : {Case{100, 450000, 5, 0x03}, Case{100, 500000, 5, 0x03}, Case{100, 500100, 10, 0x10},
                        Case{480, 500000, 4, 0x02}, Case{25, 500000, 20, 0x11}, Case{20, 500000, 40, 0x12},
                        Case{10, 500000, 50, 0x13}}) {
    SCOPED_TRACE(c.tempo / static_cast<double>(c.division));
    TSmafConversion conversion =
        Convert(Smf(0, c.division, {Track().Tempo(0, c.tempo).NoteOn(0, 0, 60, 1).NoteOff(50, 0, 60)}));
    EXPECT_EQ(conversion.summary.timebase_ms, c.ms);
    EXPECT_EQ(conversion.summary.timebase_code, c.code);
    SmafLayout layout = Parse(conversion.bytes);
    ASSERT_EQ(layout.tracks.size(), 1u);
    EXPECT_EQ(layout.tracks[0].header, Bytes({0x00, 0x00, c.code, c.code, 0x80, 0x80}));
  }
  // The microseconds per tick are rounded halves to even first.
  EXPECT_EQ(ChooseTimebase(4000.5).code, 0x02);
  EXPECT_EQ(ChooseTimebase(4001.5).code, 0x03);
  EXPECT_EQ(ChooseTimebase(40000.4).code, 0x12);
  EXPECT_EQ(ChooseTimebase(40000.6).code, 0x13);
  EXPECT_EQ(ChooseTimebase(0).ms, 4);
  EXPECT_EQ(ChooseTimebase(-7).ms, 4);
}

TEST(SmafFile, OptionTextFromTheFirstTrackOnly) {
  EXPECT_EQ(Parse(Convert(WorkedExampleMidi()).bytes).option_text, ",");
  std::string first = Track()
                          .Meta(0, 0x03, "Song,,,")
                          .Meta(0, 0x01, "a")
                          .Meta(0, 0x02, "me")
                          .Meta(0, 0x01, "b")
                          .Meta(0, 0x05, "lyric")
                          .EndOfTrack()
                          .Meta(0, 0x01, "after the end");
  std::string second = Track().Meta(0, 0x01, "second track").EndOfTrack();
  TSmafConversion conversion = Convert(Smf(1, 96, {first, second}));
  SmafLayout layout = Parse(conversion.bytes);
  EXPECT_EQ(layout.option_text, "VN:a,; b,CR:me,ST:Song,");
  // Nothing to encode: no score track, and so no voice in the file.
  EXPECT_TRUE(layout.tracks.empty());
  EXPECT_EQ(conversion.summary.score_tracks, 0);
  EXPECT_EQ(conversion.summary.voices, 0);
  EXPECT_EQ(conversion.bytes.size(), 8u + 8 + 5 + 23 + 2);
  const std::string& file = conversion.bytes;
  EXPECT_EQ(file.substr(file.size() - 2), WithCrc(file.substr(0, file.size() - 2)).substr(file.size() - 2));
}

TEST(SmafFile, SixteenSlotsFillFourScoreTracksWithOneSetup) {
  // Eight channels with programs 17, 16, ... 10, two notes each; notes of
  // other tracks are not converted.
  Track track;
  for (int c = 0; c < 8; ++c) track.Program(0, c, 17 - c);
  for (int i = 0; i < 16; ++i) track.NoteOn(0, i / 2, 60 + i, 100);
  for (int i = 0; i < 16; ++i) track.NoteOff(i == 0 ? 96 : 0, i / 2, 60 + i);
  std::string ignored = Track().NoteOn(0, 0, 40, 100).NoteOff(96, 0, 40);
  TSmafConversion conversion = Convert(Smf(1, 96, {track, ignored}));
  EXPECT_EQ(conversion.summary.score_tracks, 4);
  // The end marker (program 0) lands on slot 15 after program 17 and so
  // sends program 0, which needs its voice as well.
  EXPECT_EQ(conversion.summary.voices, 9);
  EXPECT_EQ(conversion.summary.notes_converted, 16);

  SmafLayout layout = Parse(conversion.bytes);
  ASSERT_EQ(layout.tracks.size(), 4u);
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(layout.tracks[static_cast<size_t>(t)].number, t + 1);
    EXPECT_EQ(layout.tracks[static_cast<size_t>(t)].setup, layout.tracks[0].setup);
  }
  // Voice messages in the order the programs were first used, ordinals
  // without gaps; the parameters come from the voice table.
  const std::string& setup = layout.tracks[0].setup;
  ASSERT_EQ(setup.size(), 8u + 9 * 21);
  for (int v = 0; v < 8; ++v) {
    SCOPED_TRACE(v);
    std::string message = setup.substr(8 + 21 * static_cast<size_t>(v), 21);
    EXPECT_EQ(message.substr(0, 8), Bytes({0xFF, 0xF0, 0x12, 0x43, 0x03, v, 0x00, 17 - v}));
    EXPECT_EQ(message.back(), '\xF7');
  }
  EXPECT_EQ(setup.substr(8 + 8 * 21), VoiceMessage(8, 0));
  // Track 1 carries slots 15 to 12: the first four notes, channels 0 and 1.
  EXPECT_EQ(layout.tracks[0].sequence.substr(0, 8), Bytes({0x00, 0x00, 0xF0, 17, 0x00, 0x00, 0xF7, 0x6B}));
}

TEST(SmafFile, VoicesOfTheProgramsUsed) {
  // No program change: only the voice of program 0, whatever the channels.
  std::string plain = Track().NoteOn(0, 3, 60, 100).NoteOn(0, 5, 64, 100).NoteOff(96, 3, 60).NoteOff(0, 5, 64);
  EXPECT_EQ(Parse(Convert(Smf(0, 96, {plain})).bytes).tracks.at(0).setup, SetupChunk(VoiceMessage(0, 0)));

  // Programs in order of first use; program 0 is not added when others are.
  std::string programs = Track()
                             .Program(0, 0, 40)
                             .Program(0, 1, 127)
                             .Program(0, 2, 1)
                             .NoteOn(0, 2, 60, 100)
                             .NoteOn(0, 1, 62, 100)
                             .NoteOn(0, 0, 64, 100)
                             .NoteOff(96, 2, 60)
                             .NoteOff(0, 1, 62)
                             .NoteOff(0, 0, 64);
  EXPECT_EQ(Parse(Convert(Smf(0, 96, {programs})).bytes).tracks.at(0).setup,
            SetupChunk(VoiceMessage(0, 1) + VoiceMessage(1, 127) + VoiceMessage(2, 40)));

}

TEST(SmafFile, SeventeenthNoteBecomesANoOperationInBodyZero) {
  Track track;
  for (int i = 0; i < 16; ++i) track.NoteOn(0, 0, 61 + i, 100);
  track.NoteOn(10, 0, 77, 100);
  track.NoteOff(190, 0, 61);
  for (int i = 1; i < 17; ++i) track.NoteOff(0, 0, 61 + i);
  TSmafConversion conversion = Convert(Smf(0, 50, {track}));
  EXPECT_EQ(conversion.summary.notes_converted, 16);
  EXPECT_EQ(conversion.summary.notes_without_slot, 1);
  SmafLayout layout = Parse(conversion.bytes);
  ASSERT_EQ(layout.tracks.size(), 4u);
  // Track 4 = body 0: slots 3 to 0 play keys 73 to 76 for 200 units, then
  // the seventeenth note keeps its 10 units as a no-operation.
  EXPECT_EQ(layout.tracks[3].sequence, Bytes({0x00, 0x00, 0xF7, 0x6B, 0x00, 0xF1, 0x80, 0x48,  //
                                              0x00, 0x00, 0xB7, 0x6B, 0x00, 0xB2, 0x80, 0x48,  //
                                              0x00, 0x00, 0x77, 0x6B, 0x00, 0x73, 0x80, 0x48,  //
                                              0x00, 0x00, 0x37, 0x6B, 0x00, 0x34, 0x80, 0x48,  //
                                              0x0A, 0xFF, 0x00}));
}

TEST(SmafFile, ChannelPressureAndPitchBend) {
  std::string track = Track().Raw(5, {0xD0, 100}).Raw(5, {0xE0, 0x00, 0x40}).EndOfTrack();
  SmafLayout layout = Parse(Convert(Smf(0, 50, {track})).bytes);
  ASSERT_EQ(layout.tracks.size(), 1u);
  // Both share slot 15 with the end marker, whose volume 128 is sent too.
  EXPECT_EQ(layout.tracks[0].sequence, Bytes({0x00, 0x00, 0xF7, 0x6B, 0x05, 0x00, 0xFB, 100, 0x05, 0x00, 0xF4, 0x40,
                                              0x00, 0x00, 0xF7, 0x80}));
}

TEST(SmafFile, HostileTimesStayBounded) {
  // Division 1 at the slowest tempo: a delta of 2^28 ticks is far beyond
  // 32 bits of milliseconds and saturates.
  std::string track = Track().Tempo(0, 0xFFFFFF).NoteOn(0x0FFFFFFF, 0, 60, 100).NoteOff(0x0FFFFFFF, 0, 60);
  TSmafConversion conversion = Convert(Smf(0, 1, {track}));
  SmafLayout layout = Parse(conversion.bytes);
  ASSERT_EQ(layout.tracks.size(), 1u);
  // 2147483647 ms in 50 ms units: 42949673 = 2601 fillers of 16511 and 4562.
  const std::string& sequence = layout.tracks[0].sequence;
  const std::string filler = Bytes({0xFF, 0x7F, 0xFF, 0x00});
  ASSERT_GT(sequence.size(), 4u + 2601 * 4);
  for (size_t i = 0; i < 2601; ++i) ASSERT_EQ(sequence.substr(4 + 4 * i, 4), filler) << i;
  EXPECT_EQ(sequence.substr(4 + 2601 * 4, 2), Bytes({0x80 | ((4562 - 128) >> 7), (4562 - 128) & 0x7F}));
}

TEST(SmafFile, InputsWithoutTrackOrTimeBaseAreRefused) {
  EXPECT_THROW(Convert(Header(0, 1, 96)), midifile::ConversionError);
  EXPECT_THROW(Convert(""), midifile::ConversionError);
  EXPECT_THROW(Convert(Smf(0, 0, {Track().NoteOn(0, 0, 60, 100).NoteOff(10, 0, 60)})), midifile::ConversionError);
  EXPECT_THROW(Convert(Smf(0, 0, {""})), midifile::ConversionError);
}

TEST(SmafExport, StatusesAndOutputs) {
  TempDir dir;
  const std::string out = dir.Path("out.mmf");
  // No track, division 0, a truncated input, an output folder that does not
  // exist: status 1, and an existing output stays as it was.
  dir.Write("out.mmf", "keep");
  const std::string no_track = dir.Write("no_track.mid", Header(0, 1, 96));
  const std::string no_division = dir.Write("zero.mid", Smf(0, 0, {Track().NoteOn(0, 0, 60, 9).NoteOff(9, 0, 60)}));
  const std::string truncated = dir.Write("cut.mid", WorkedExampleMidi().substr(0, 30));
  for (const std::string& input : {no_track, no_division, truncated}) {
    EXPECT_EQ(MIDI2SMAF(input.c_str(), out.c_str()), 1) << input;
    EXPECT_EQ(ReadFileBytes(out), "keep");
  }
  const std::string good = dir.Write("good.mid", WorkedExampleMidi());
  EXPECT_EQ(MIDI2SMAF(good.c_str(), dir.Path("nowhere/out.mmf").c_str()), 1);
  EXPECT_EQ(MIDI2SMAF(good.c_str(), nullptr), 1);
  EXPECT_EQ(test_support::ListFolder(dir.Path("")), "cut.mid\ngood.mid\nno_track.mid\nout.mmf\nzero.mid\n");

  // The output may replace the input.
  EXPECT_EQ(MIDI2SMAF(good.c_str(), good.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(good), WorkedExampleSmaf());
}
