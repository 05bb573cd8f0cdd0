// The editing exports called as a host calls them, through the shared
// library: every output read back by chimekit's reader and by mido, the tag
// round trip, the statuses, and track counts beyond 8 and 16 bits.
#include <gtest/gtest.h>

#include <random>

#include "chimekit.h"
#include "support/load_midi.h"
#include "support/mido_check.h"
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

// A format 1 song of random channel messages (partly in running status),
// tempo, text and system-exclusive events.
std::string RandomSong(std::mt19937& random) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  std::vector<std::string> tracks;
  for (int t = 1 + pick(4); t > 0; --t) {
    Track track;
    track.Meta(0, 1 + pick(5), "tag " + std::to_string(t)).Tempo(0, 400000 + 1000 * pick(200));
    bool running = false;  // the last event was a two-byte channel message
    for (int i = pick(200); i > 0; --i) {
      uint32_t delta = static_cast<uint32_t>(pick(3) == 0 ? 0 : pick(300));
      int kind = 0x80 + 0x10 * pick(7), channel = pick(16), choice = pick(8);
      if (choice == 0) track.Raw(delta, {0xF0, 0x02, 0x7E, 0xF7});
      if (choice == 1) track.Meta(delta, 1 + pick(6), "text");
      if (choice == 2 && running) track.Raw(delta, {pick(128), pick(128)});
      if (choice > 2 && (kind == 0xC0 || kind == 0xD0)) track.Raw(delta, {kind | channel, pick(128)});
      if (choice > 2 && kind != 0xC0 && kind != 0xD0) track.Raw(delta, {kind | channel, pick(128), pick(128)});
      running = choice > 2 ? kind != 0xC0 && kind != 0xD0 : choice == 2 && running;
    }
    tracks.push_back(track.EndOfTrack(static_cast<uint32_t>(pick(100))));
  }
  return Smf(1, 96 + pick(400), tracks);
}

class EditingExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.Loaded()) << test_support::SharedLibrary::LastError(); }
  template <class Function>
  Function Get(const char* name) {
    auto function = library_.Symbol<Function>(name);
    EXPECT_NE(function, nullptr) << name;
    return function;
  }

  test_support::SharedLibrary library_{CHIMEKIT_LIBRARY_PATH};
  test_support::TempDir dir_;
  decltype(&MIDITrimMs) trim_ms_ = Get<decltype(&MIDITrimMs)>("MIDITrimMs");
  decltype(&MIDITrimPercents) trim_percents_ = Get<decltype(&MIDITrimPercents)>("MIDITrimPercents");
  decltype(&MIDIGetVol) get_vol_ = Get<decltype(&MIDIGetVol)>("MIDIGetVol");
  decltype(&MIDISetVol) set_vol_ = Get<decltype(&MIDISetVol)>("MIDISetVol");
  decltype(&MIDIGetTags) get_tags_ = Get<decltype(&MIDIGetTags)>("MIDIGetTags");
  decltype(&MIDISetTags) set_tags_ = Get<decltype(&MIDISetTags)>("MIDISetTags");
};

TEST_F(EditingExports, EveryOutputReadsBackInBothReaders) {
  std::mt19937 random(8);
  std::vector<std::string> inputs = {ReadFileBytes(CHIMEKIT_TESTS_DIR "/../examples/ringtone.mid")};
  for (int i = 0; i < 6; ++i) inputs.push_back(RandomSong(random));
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
  }
  EXPECT_EQ(test_support::MidoSummary(outputs), test_support::OwnSummary(outputs));
}

// The tag file that MIDIGetTags writes brings every tag the tag model
// places back through MIDISetTags: the k-th line of each type in track k,
// types in ascending order, zero bytes and all.
TEST_F(EditingExports, TagsRoundTrip) {
  std::string zeros("z\0\0", 3);
  std::string in = dir_.Write("in.mid", Smf(1, 96, {Track().Meta(0, 3, std::string("A\0b", 3) + zeros).Meta(0, 2, zeros).Meta(9, 3, "A2"),
                                                    Track().Meta(0, 5, "ly").Meta(0, 1, zeros + "t"),
                                                    Track().Meta(0, 4, std::string("piano\0", 6)).Meta(0, 3, "C")}));
  std::string first = dir_.Path("first.txt"), out = dir_.Path("out.mid"), second = dir_.Path("second.txt");
  ASSERT_EQ(get_tags_(in.c_str(), first.c_str()), 0);
  ASSERT_EQ(set_tags_(in.c_str(), first.c_str(), out.c_str()), 0);
  ASSERT_EQ(get_tags_(out.c_str(), second.c_str()), 0);

  std::vector<std::vector<std::string>> by_type(6);
  std::string listed = ReadFileBytes(first);
  for (size_t start = 0, end; (end = listed.find("\r\n", start)) != std::string::npos; start = end + 2) {
    by_type[static_cast<size_t>(listed[start])].push_back(listed.substr(start, end - start));
  }
  EXPECT_EQ(by_type[3].size(), 3u);  // every name was listed, in event order
  std::string expected;
  for (size_t track = 0; track < 3; ++track) {
    for (size_t type = 1; type <= 5; ++type) {
      if (track < by_type[type].size()) expected += by_type[type][track] + "\r\n";
    }
  }
  EXPECT_EQ(ReadFileBytes(second), expected);
}

TEST_F(EditingExports, StatusesAndNoOutputAfterAFailure) {
  std::string song = Smf(0, 96, {Track().NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).EndOfTrack()});
  std::string good = dir_.Write("good.mid", song);
  std::string cut = dir_.Write("cut.mid", song.substr(0, song.size() - 2));
  std::string silent = dir_.Write("silent.mid", Smf(0, 96, {Track().NoteOn(0, 0, 60, 1).EndOfTrack()}));  // 0 ms
  std::string missing = dir_.Path("missing.mid"), out = dir_.Path("out.mid");
  const struct {
    std::string in;
    std::function<uint8_t(const char*)> call;
    uint8_t status;
  } cases[] = {
      {missing, [&](const char* in) { return trim_ms_(in, out.c_str(), 0, 10); }, 2},
      {good, [&](const char* in) { return trim_ms_(in, out.c_str(), 11, 10); }, 3},
      {silent, [&](const char* in) { return trim_ms_(in, out.c_str(), 0, 0xFFFFFFFF); }, 3},
      {cut, [&](const char* in) { return trim_ms_(in, out.c_str(), 0, 0xFFFFFFFF); }, 1},
      {missing, [&](const char* in) { return trim_percents_(in, out.c_str(), 0, 101); }, 2},
      {good, [&](const char* in) { return trim_percents_(in, out.c_str(), 0, 0x165); }, 3},  // low byte 101
      {cut, [&](const char* in) { return trim_percents_(in, out.c_str(), 0, 100); }, 1},
      {missing, [&](const char* in) { return set_vol_(in, out.c_str(), 1, 1, 1); }, 2},
      {cut, [&](const char* in) { return set_vol_(in, out.c_str(), 1, 1, 1); }, 1},
      {missing, [&](const char* in) { return get_tags_(in, out.c_str()); }, 2},
      {cut, [&](const char* in) { return get_tags_(in, out.c_str()); }, 1},
      {missing, [&](const char* in) { return set_tags_(in, good.c_str(), out.c_str()); }, 2},
      {good, [&](const char* in) { return set_tags_(in, missing.c_str(), out.c_str()); }, 2},
      {cut, [&](const char* in) { return set_tags_(in, good.c_str(), out.c_str()); }, 1},
      {good, [&](const char* in) { return set_tags_(in, good.c_str(), nullptr); }, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(c.in.c_str()), c.status) << c.in;
    EXPECT_FALSE(FileExists(out));
  }
  for (const std::string& in : {missing, cut}) {
    uint8_t levels[3] = {9, 9, 9};
    EXPECT_EQ(get_vol_(in.c_str(), &levels[0], &levels[1], &levels[2]), in == cut ? 1 : 2);
    EXPECT_EQ(std::vector<uint8_t>(levels, levels + 3), std::vector<uint8_t>(3, 0));
  }
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
  EXPECT_EQ(set_vol_(many.c_str(), out.c_str(), 0, 0, 0), 1);
  EXPECT_EQ(trim_ms_(many.c_str(), out.c_str(), 0, 0xFFFFFFFF), 1);
  EXPECT_FALSE(FileExists(out));
  tracks.resize(65535, "");
  std::string most = dir_.Write("most.mid", Smf(1, 96, tracks));
  ASSERT_EQ(set_vol_(most.c_str(), out.c_str(), 0, 0, 0), 0);
  EXPECT_EQ(ReadFileBytes(out).substr(10, 2), Bytes({0xFF, 0xFF}));
}

}  // namespace
