// The editing exports called as a host calls them, through the shared
// library: every output read back by chimekit's reader and by mido, the tag
// round trip, the statuses, and track counts beyond 8 and 16 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>

#include "chimekit.h"
#include "support/load_midi.h"
#include "support/mido_check.h"
#include "support/run_command.h"
#include "support/shared_library.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

using test_support::Bytes;
using test_support::FileExists;
using test_support::ListFolder;
using test_support::ReadFileBytes;
using test_support::Smf;
using test_support::Track;

class EditingExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.Loaded()) << test_support::SharedLibrary::LastError(); }

  test_support::SharedLibrary library_{CHIMEKIT_LIBRARY_PATH};
  test_support::TempDir dir_;
  decltype(&MIDITrimMs) trim_ms_ = library_.Export<decltype(&MIDITrimMs)>("MIDITrimMs");
  decltype(&MIDITrimPercents) trim_percents_ = library_.Export<decltype(&MIDITrimPercents)>("MIDITrimPercents");
  decltype(&MIDIGetVol) get_vol_ = library_.Export<decltype(&MIDIGetVol)>("MIDIGetVol");
  decltype(&MIDISetVol) set_vol_ = library_.Export<decltype(&MIDISetVol)>("MIDISetVol");
  decltype(&MIDIGetTags) get_tags_ = library_.Export<decltype(&MIDIGetTags)>("MIDIGetTags");
  decltype(&MIDISetTags) set_tags_ = library_.Export<decltype(&MIDISetTags)>("MIDISetTags");
  decltype(&MIDIEqualizer) equalizer_ = library_.Export<decltype(&MIDIEqualizer)>("MIDIEqualizer");
  decltype(&MIDISetInstrMap) set_instr_map_ = library_.Export<decltype(&MIDISetInstrMap)>("MIDISetInstrMap");
  decltype(&MIDICopyChannel) copy_channel_ = library_.Export<decltype(&MIDICopyChannel)>("MIDICopyChannel");
  decltype(&MIDIRemoveChannel) remove_channel_ = library_.Export<decltype(&MIDIRemoveChannel)>("MIDIRemoveChannel");
  decltype(&MIDIMerge) merge_ = library_.Export<decltype(&MIDIMerge)>("MIDIMerge");
  decltype(&MIDICombine) combine_ = library_.Export<decltype(&MIDICombine)>("MIDICombine");
  // Every program change of a drum channel to program 0, the others kept.
  uint8_t keep_[256] = {}, map_[256] = {};
};

TEST_F(EditingExports, EveryOutputReadsBackInBothReaders) {
  // Generated songs (tempo map, running status, system exclusive, text),
  // the example ringtone, and pressure, bend and system exclusive by hand.
  std::vector<std::string> inputs = {
      ReadFileBytes(CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid"),
      Smf(0, 96, {Track().Program(0, 1, 5).Raw(0, {0xA1, 60, 9}).Raw(0, {0xD1, 50}).Raw(10, {0xE1, 0, 64})
                      .NoteOn(0, 1, 60, 100).Raw(5, {0xF0, 1, 0xF7}).NoteOff(90, 1, 60).EndOfTrack()})};
  for (const char* seed : {"1", "2", "3"}) {
    std::string generated = dir_.Path(std::string("generated") + seed + ".mid");
    std::vector<std::string> arguments = {CHIMEKIT_TESTS_DIR "/../bench/make_bench_midi.py", generated, "--events",
                                          "3000", "--tracks", seed, "--seed", seed};
    ASSERT_EQ(test_support::RunProgram("/usr/bin/python3", arguments).exit_code, 0);
    inputs.push_back(ReadFileBytes(generated));
  }
  std::string tags = dir_.Write("tags.txt", "\x03Song\r\n\x02(c) us\r\n\x03Second track\r\n\x05la la");
  std::vector<std::string> outputs;
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string in = dir_.Write("in" + std::to_string(i) + ".mid", inputs[i]);
    auto out = [&](const char* what) { return outputs.emplace_back(dir_.Path(what + std::to_string(i) + ".mid")); };
    EXPECT_EQ(trim_ms_(in.c_str(), out("all").c_str(), 0, 0xFFFFFFFF), 0);
    EXPECT_EQ(trim_ms_(in.c_str(), out("ms").c_str(), 700, 2100), 0);
    EXPECT_EQ(trim_percents_(in.c_str(), out("percent").c_str(), 15, 70), 0);
    EXPECT_EQ(set_vol_(in.c_str(), out("louder").c_str(), 25, -7, 0), 0);
    EXPECT_EQ(set_vol_(in.c_str(), out("quieter").c_str(), -128, 127, 1), 0);
    EXPECT_EQ(set_tags_(in.c_str(), tags.c_str(), out("tagged").c_str()), 0);
    EXPECT_EQ(equalizer_(in.c_str(), out("equalized").c_str(), 10, 20, 30, 40, 50, 60, 70, 80, 0x1FF), 0);
    for (int p = 0; p < 128; ++p) keep_[p] = static_cast<uint8_t>(p), keep_[128 + p] = 0xFF;
    EXPECT_EQ(set_instr_map_(in.c_str(), out("mapped").c_str(), keep_, map_), 0);
    EXPECT_EQ(copy_channel_(in.c_str(), out("copied").c_str(), 0, 9), 0);
    EXPECT_EQ(remove_channel_(in.c_str(), out("removed").c_str(), 0x10F), 0);
    EXPECT_EQ(merge_(in.c_str(), dir_.Path("in0.mid").c_str(), out("merged").c_str()), 0);
    EXPECT_EQ(combine_(in.c_str(), in.c_str(), out("combined").c_str()), 0);
  }
  EXPECT_EQ(test_support::MidoSummary(outputs), test_support::OwnSummary(outputs));
}

// The tag file that MIDIGetTags writes brings every tag the tag model
// places back through MIDISetTags: the k-th line of each type in track k,
// types in ascending order, zero bytes and all.
TEST_F(EditingExports, TagsRoundTrip) {
  auto tag = [](char type, std::string_view text) { return type + std::string(text) + "\r\n"; };
  std::string_view zeros("z\0\0", 3), a0b("A\0b", 3), piano("piano\0", 6);
  Track one, two, three;
  one.Meta(0, 3, std::string(a0b) + std::string(zeros)).Meta(0, 2, zeros).Meta(0, 1, "").Meta(0, 6, "mark");
  one.Meta(9, 3, "A2");
  two.Meta(0, 5, "ly").Meta(0, 1, std::string(zeros) + "t");
  three.Meta(0, 4, piano).Meta(0, 3, "C").EndOfTrack().Meta(0, 2, "late");
  std::string in = dir_.Write("in.mid", Smf(1, 96, {one, two, three}));
  std::string first = dir_.Path("first.txt"), out = dir_.Path("out.mid"), second = dir_.Path("second.txt");
  ASSERT_EQ(get_tags_(in.c_str(), first.c_str()), 0);
  ASSERT_EQ(set_tags_(in.c_str(), first.c_str(), out.c_str()), 0);
  ASSERT_EQ(get_tags_(out.c_str(), second.c_str()), 0);
  // Listed in event order, without empty texts, other meta types or tags
  // after the end of track; placed by type, then listed again.
  EXPECT_EQ(ReadFileBytes(first), tag(3, std::string(a0b) + std::string(zeros)) + tag(2, zeros) + tag(3, "A2") +
                                      tag(5, "ly") + tag(1, std::string(zeros) + "t") + tag(4, piano) + tag(3, "C"));
  EXPECT_EQ(ReadFileBytes(second), tag(1, std::string(zeros) + "t") + tag(2, zeros) +
                                       tag(3, std::string(a0b) + std::string(zeros)) + tag(4, piano) + tag(5, "ly") +
                                       tag(3, "A2") + tag(3, "C"));
}

TEST_F(EditingExports, StatusesAndNoOutputAfterAFailure) {
  std::string song = Smf(0, 96, {Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).EndOfTrack()});
  std::string good = dir_.Write("good.mid", song);
  std::string cut = dir_.Write("cut.mid", song.substr(0, song.size() - 2));
  std::string silent = dir_.Write("silent.mid", Smf(0, 96, {Track().NoteOn(0, 0, 60, 1).EndOfTrack()}));  // 0 ms
  std::string out = dir_.Path("out.mid");
  // Every export: 1 for an input cut short (MIDIGetVol with its results set
  // to 0 first); a missing input: missing_input_test.cpp.
  const std::function<uint8_t(const char*)> calls[] = {
      [&](const char* in) { return trim_ms_(in, out.c_str(), 0, 0xFFFFFFFF); },
      [&](const char* in) { return trim_percents_(in, out.c_str(), 0, 100); },
      [&](const char* in) { return set_vol_(in, out.c_str(), 1, 1, 1); },
      [&](const char* in) { return get_tags_(in, out.c_str()); },
      [&](const char* in) { return set_tags_(in, good.c_str(), out.c_str()); },
      [&](const char* in) {
        uint8_t v[3] = {9, 9, 9};
        uint8_t status = get_vol_(in, v, v + 1, v + 2);
        return v[0] + v[1] + v[2] == 0 ? status : uint8_t{99};
      },
      [&](const char* in) { return equalizer_(in, out.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9); },
      [&](const char* in) { return set_instr_map_(in, out.c_str(), keep_, map_); },
      [&](const char* in) { return copy_channel_(in, out.c_str(), 0, 1); },
      [&](const char* in) { return remove_channel_(in, out.c_str(), 0); },
      // Either input of the join missing or cut short.
      [&](const char* in) { return merge_(in, good.c_str(), out.c_str()); },
      [&](const char* in) { return merge_(good.c_str(), in, out.c_str()); },
      [&](const char* in) { return combine_(in, good.c_str(), out.c_str()); },
      [&](const char* in) { return combine_(good.c_str(), in, out.c_str()); }};
  for (const auto& call : calls) EXPECT_EQ(call(cut.c_str()), 1);
  EXPECT_EQ(trim_ms_(good.c_str(), out.c_str(), 11, 10), 3);
  EXPECT_EQ(trim_ms_(silent.c_str(), out.c_str(), 0, 0xFFFFFFFF), 3);
  EXPECT_EQ(trim_percents_(good.c_str(), out.c_str(), 0, 0x165), 3);  // low byte 101
  EXPECT_EQ(set_tags_(good.c_str(), good.c_str(), nullptr), 1);
  EXPECT_EQ(set_instr_map_(good.c_str(), out.c_str(), nullptr, map_), 1);
  EXPECT_FALSE(FileExists(out));  // after any of these
  EXPECT_EQ(trim_percents_(good.c_str(), out.c_str(), 0x164, 0x164), 0);  // low bytes 100
  EXPECT_EQ(ListFolder(dir_.Path("")), "cut.mid\ngood.mid\nout.mid\nsilent.mid\n");
}

// Headers count tracks in 16 bits; the tags of track 300 are listed; a
// file of more than 65535 tracks cannot be written, and nothing is.
TEST_F(EditingExports, TrackCountsBeyondEightAndSixteenBits) {
  std::vector<std::string> tracks(65536, "");
  tracks[0] = Track().NoteOn(96, 0, 60, 1);
  tracks[299] = Track().Meta(0, 3, "last");
  std::string many = dir_.Write("many.mid", Smf(1, 96, tracks));
  tracks.resize(300);
  std::string some = dir_.Write("some.mid", Smf(1, 96, tracks));
  std::string out = dir_.Path("out.mid"), listed = dir_.Path("tags.txt");
  ASSERT_EQ(get_tags_(some.c_str(), listed.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(listed), "\x03last\r\n");
  ASSERT_EQ(set_tags_(some.c_str(), listed.c_str(), out.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(out).substr(10, 2), Bytes({0x01, 0x2C}));
  EXPECT_EQ(test_support::LoadMidi(ReadFileBytes(out)).NumberOfTracks(), 300);
  std::remove(out.c_str());

  EXPECT_EQ(set_tags_(many.c_str(), listed.c_str(), out.c_str()), 1);
  EXPECT_EQ(merge_(some.c_str(), many.c_str(), out.c_str()), 1);
  EXPECT_EQ(combine_(many.c_str(), some.c_str(), out.c_str()), 1);
  EXPECT_EQ(set_vol_(many.c_str(), out.c_str(), 0, 0, 0), 1);
  EXPECT_EQ(trim_ms_(many.c_str(), out.c_str(), 0, 0xFFFFFFFF), 1);
  EXPECT_FALSE(FileExists(out));
}

// A first file 2^31 + 9 ticks long: combined, the second file's first
// delta cannot be written, so the call fails and an existing output stays.
TEST_F(EditingExports, CombineBeyondADeltaTimeFails) {
  std::string long_track = Bytes({0x00, 0x90, 0x3E, 0x40, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x3E, 0x00});
  long_track += Bytes({0x0A, 0xFF, 0x2F, 0x00});
  std::string first = dir_.Write("first.mid", Smf(1, 96, {Track().Tempo(0, 500000).EndOfTrack(), long_track}));
  std::string second = dir_.Write("second.mid", Smf(0, 96, {Track().NoteOn(0, 0, 60, 1).NoteOff(5, 0, 60)}));
  std::string out = dir_.Write("out.mid", "kept");
  EXPECT_EQ(combine_(first.c_str(), second.c_str(), out.c_str()), 1);
  EXPECT_EQ(ReadFileBytes(out), "kept");
  EXPECT_EQ(merge_(first.c_str(), second.c_str(), out.c_str()), 0);  // merged, nothing is that far apart
}

// Two system-exclusive events, which the walk leaves out, each 2^31 - 1
// ticks after the one before: the note-on after them would take their sum,
// which no delta time holds. Every walk export fails and an existing output
// stays; with one of them the sum still fits and every export writes.
TEST_F(EditingExports, CarriedDeltasBeyondADeltaTimeFail) {
  const std::string far = Bytes({0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0xF0, 0x01, 0xF7});
  const std::string rest = Bytes({0x00, 0x90, 0x3C, 0x40, 0x0A, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
  std::string tags = dir_.Write("tags.txt", "\x03Name\r\n");
  std::string out = dir_.Path("out.mid");
  const std::function<uint8_t(const char*)> calls[] = {
      [&](const char* in) { return set_vol_(in, out.c_str(), 1, 1, 1); },
      [&](const char* in) { return set_tags_(in, tags.c_str(), out.c_str()); },
      [&](const char* in) { return equalizer_(in, out.c_str(), 1, 2, 3, 4, 5, 6, 7, 8, 9); },
      [&](const char* in) { return set_instr_map_(in, out.c_str(), keep_, map_); },
      [&](const char* in) { return copy_channel_(in, out.c_str(), 0, 1); },
      [&](const char* in) { return remove_channel_(in, out.c_str(), 5); },
  };
  for (int count : {1, 2}) {
    std::string track = count == 1 ? far + rest : far + far + rest;
    std::string in = dir_.Write("far" + std::to_string(count) + ".mid", Smf(0, 96, {track}));
    for (size_t i = 0; i < std::size(calls); ++i) {
      dir_.Write("out.mid", "kept");
      EXPECT_EQ(calls[i](in.c_str()), count == 1 ? 0 : 1) << count << " " << i;
      EXPECT_EQ(ReadFileBytes(out) == "kept", count == 2) << count << " " << i;
    }
  }
}

// Merge and combine of files at different divisions, each at its own
// constant tempo: every note stays within one output tick of its time in
// milliseconds (combined, the second file's plus the first file's length),
// all timed by mido's tempo map; times in order, so the notes pair up.
TEST_F(EditingExports, JoinedNotesKeepTheirTimes) {
  auto song = [](int division, uint32_t tempo, uint32_t seed) {
    Track track;
    track.Tempo(0, tempo).Raw(seed, {0xF0, 1, 0x7E});  // a leading rest, passed on
    for (uint32_t i = 0; i < 300; ++i) track.NoteOn(i * seed % 7, 0, 40, 90).NoteOff(1 + i % 3, 0, 40);
    return Smf(1, division, {track.EndOfTrack(seed), Track().NoteOn(seed * 11, 1, 50, 90)});
  };
  std::string first = dir_.Write("first.mid", song(480, 600000, 5));
  std::string second = dir_.Write("second.mid", song(96, 400000, 3));
  std::string merged = dir_.Path("merged.mid"), combined = dir_.Path("combined.mid");
  ASSERT_EQ(merge_(first.c_str(), second.c_str(), merged.c_str()), 0);
  ASSERT_EQ(combine_(first.c_str(), second.c_str(), combined.c_str()), 0);
  std::vector<std::string> arguments = {CHIMEKIT_TESTS_DIR "/support/mido_summary.py", "--note-times", first, second,
                                        merged, combined};
  std::istringstream lines(test_support::RunProgram("/usr/bin/python3", arguments).out);
  std::vector<std::vector<double>> times;  // per file: its length, then the note times
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    times.emplace_back(std::istream_iterator<double>(words), std::istream_iterator<double>());
  }
  ASSERT_EQ(times.size(), 4u);
  for (int sequential = 0; sequential < 2; ++sequential) {
    std::vector<double> expected(times[0].begin() + 1, times[0].end());
    for (size_t n = 1; n < times[1].size(); ++n) expected.push_back(times[1][n] + (sequential ? times[0][0] : 0));
    std::sort(expected.begin(), expected.end());
    const std::vector<double>& joined = times[2 + sequential];
    ASSERT_EQ(joined.size(), expected.size() + 1);
    for (size_t n = 0; n < expected.size(); ++n) ASSERT_NEAR(joined[n + 1], expected[n], 1.25 + 1e-3) << n;
  }
}

}  // namespace