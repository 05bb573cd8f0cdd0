// Outputs read back through chimekit's own MIDI reader: generated format 1
// files become one format 0 track with every event in time order, and
// damaged or random input never breaks the converter or its output.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "midifile/midi_file.h"
#include "reshaper_test_support.h"

using reshaper::kConverted;
using reshaper::kNotFormat1;
using reshaper_test::ConvertBytes;
using test_support::Bytes;
using test_support::Chunk;
using test_support::Vlq;

namespace {

// One event as the reader reports it, at its absolute time.
struct Event {
  int32_t time = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;  // also a meta event's type
  uint8_t data2 = 0;
  std::string block;  // meta and system-exclusive data
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << "{time " << e.time << ", status " << int{e.status} << ", " << int{e.data1} << ", " << int{e.data2}
             << ", block of " << e.block.size() << "}";
}

struct Generated {
  std::string file;
  std::vector<Event> expected;  // every event but the End of Track events, merged
  int32_t end = 0;              // time of the output's one End of Track
};

// A format 1 file of random tracks: channel messages, partly in running
// status (also behind meta and system-exclusive events, whose status a data
// byte then repeats), text and tempo events, system-exclusive blocks, End
// of Track at different times, inside tracks too, and some tracks without
// one or without any event.
Generated Generate(std::mt19937& random) {
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  Generated out;
  std::vector<std::string> bodies;
  bool anyEnd = false;
  uint32_t trackCount = 1 + pick(9);
  for (uint32_t t = 0; t < trackCount; ++t) {
    std::string body;
    int32_t time = 0;
    uint8_t previous = 0;
    uint32_t count = pick(5) == 0 ? 0 : pick(40);
    for (uint32_t i = 0; i <= count; ++i) {
      uint32_t delta = pick(3) == 0 ? 0 : pick(pick(10) == 0 ? 20000 : 200);
      time += static_cast<int32_t>(delta);
      body += Vlq(delta);
      Event e;
      e.time = time;
      uint32_t kind = i == count ? 10 : pick(11);
      if (kind < 6) {
        static constexpr int kKinds[] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0};
        e.status = static_cast<uint8_t>(kKinds[pick(7)] | pick(16));
        if (pick(2) == 0 && previous >= 0x80 && previous < 0xF0) e.status = previous;
        bool two = (e.status & 0xE0) != 0xC0;
        e.data1 = static_cast<uint8_t>(pick(128));
        e.data2 = two ? static_cast<uint8_t>(pick(128)) : 0;
        if (e.status != previous) body += Bytes({e.status});
        body += two ? Bytes({e.data1, e.data2}) : Bytes({e.data1});
      } else if (kind < 8) {
        e.status = 0xFF;
        e.data1 = pick(3) == 0 ? 0x51 : static_cast<uint8_t>(1 + pick(7));
        e.block = std::string(pick(6), static_cast<char>('a' + pick(26)));
        if (previous != 0xFF || pick(2) == 0) body += Bytes({0xFF});
        body += Bytes({e.data1}) + Vlq(static_cast<uint32_t>(e.block.size())) + e.block;
      } else if (kind < 10) {
        e.status = pick(2) == 0 ? 0xF0 : 0xF7;
        e.block = std::string(pick(300), '\x12') + "\xF7";
        if (previous != e.status || e.block.size() >= 0x80 || pick(2) == 0) body += Bytes({e.status});
        body += Vlq(static_cast<uint32_t>(e.block.size())) + e.block;
      } else {
        if (i == count && pick(5) == 0) {  // no End of Track
          body.resize(body.size() - Vlq(delta).size());
          break;
        }
        body += Bytes({0xFF, 0x2F, 0x00});
        anyEnd = true;
        out.end = std::max(out.end, time);
        previous = 0xFF;
        continue;
      }
      previous = e.status;
      out.expected.push_back(e);
    }
    bodies.push_back(body);
  }
  // Time order; of equal times track order, then the order within a track.
  std::stable_sort(out.expected.begin(), out.expected.end(),
                   [](const Event& a, const Event& b) { return a.time < b.time; });
  int32_t lastEvent = out.expected.empty() ? 0 : out.expected.back().time;
  out.end = anyEnd ? std::max(out.end, lastEvent) : lastEvent;
  out.file = test_support::Smf(1, 96 + static_cast<int>(pick(1000)), bodies);
  return out;
}

// Reads an output with chimekit's reader and checks that it is one format 0
// track whose chunk length is right and that ends with its only End of
// Track. Returns its events but that End of Track.
std::vector<Event> ReadBack(const std::string& output, int32_t* end = nullptr) {
  midifile::TMidiFile file;
  EXPECT_NO_THROW(file.ReadBytes(output));
  EXPECT_EQ(file.FileFormat(), midifile::TFileFormat::single);
  EXPECT_EQ(file.NumberOfTracks(), 1);
  if (output.size() < 22 || file.NumberOfTracks() != 1) return {};
  uint32_t length = (uint32_t{static_cast<uint8_t>(output[18])} << 24) |
                    (uint32_t{static_cast<uint8_t>(output[19])} << 16) |
                    (uint32_t{static_cast<uint8_t>(output[20])} << 8) | static_cast<uint8_t>(output[21]);
  EXPECT_EQ(length, output.size() - 22);
  std::vector<Event> events;
  for (const midifile::TMidiEvent& e : file.GetTrack(0).Events()) {
    bool channel = e.Status < 0xF0;
    events.push_back({e.Time, e.Status, e.Data1, channel ? e.Data2 : uint8_t{0}, std::string(e.DataBytes)});
  }
  EXPECT_FALSE(events.empty());
  if (events.empty()) return {};
  EXPECT_TRUE(file.GetTrack(0).Events().back().IsEndOfTrack());
  if (end != nullptr) *end = events.back().time;
  events.pop_back();
  for (const Event& e : events) EXPECT_FALSE(e.status == 0xFF && e.data1 == 0x2F) << "End of Track inside the track";
  return events;
}

}  // namespace

TEST(ReshaperReadBack, GeneratedFilesBecomeOneTrackWithEveryEventInTimeOrder) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 200; ++round) {
    Generated generated = Generate(random);
    auto result = ConvertBytes(generated.file);
    ASSERT_EQ(result.status, kConverted) << "round " << round;
    EXPECT_EQ(result.output.substr(12, 2), generated.file.substr(12, 2)) << "division";
    int32_t end = -1;
    EXPECT_EQ(ReadBack(result.output, &end), generated.expected) << "round " << round;
    EXPECT_EQ(end, generated.end) << "round " << round;
  }
}

TEST(ReshaperReadBack, TruncatedAndRandomInputConvertsSafely) {
  std::mt19937 random(77);
  // Every prefix of a few generated files.
  for (int round = 0; round < 4; ++round) {
    std::string file = Generate(random).file;
    for (size_t size = 0; size < file.size(); ++size) {
      auto result = ConvertBytes(file.substr(0, size));
      ASSERT_TRUE(result.status == kConverted || result.status == kNotFormat1) << size;
      if (result.status == kConverted) ReadBack(result.output);
    }
  }
  // Random bytes, bare or behind a format 1 header in chunks that claim any
  // length.
  for (int round = 0; round < 400; ++round) {
    std::string file;
    if (round % 2 == 1) file = test_support::Header(1, static_cast<int>(random() % 4), 96);
    uint32_t chunks = round % 2 == 1 ? static_cast<uint32_t>(random() % 4) : 0;
    for (uint32_t chunk = 0; chunk < chunks; ++chunk) {
      std::string body(random() % 64, '\0');
      for (char& c : body) c = static_cast<char>(random());
      std::string header = Chunk(random() % 8 == 0 ? "XXXX" : "MTrk", "");
      uint32_t claimed = random() % 4 == 0 ? static_cast<uint32_t>(random()) : static_cast<uint32_t>(body.size());
      file += header.substr(0, 4) + Bytes({static_cast<int>(claimed >> 24), static_cast<int>(claimed >> 16),
                                          static_cast<int>(claimed >> 8), static_cast<int>(claimed)}) + body;
    }
    for (auto i = random() % 100; i > 0; --i) file.push_back(static_cast<char>(random()));
    auto result = ConvertBytes(file);
    ASSERT_TRUE(result.status == kConverted || result.status == kNotFormat1) << round;
    if (result.status != kConverted) continue;
    // Random system messages other than F0 and F7 are read differently by
    // the two readers; the frame still has to hold.
    midifile::TMidiFile back;
    EXPECT_NO_THROW(back.ReadBytes(result.output)) << round;
    EXPECT_EQ(back.NumberOfTracks(), 1) << round;
  }
}

TEST(ReshaperReadBack, HugeLengthFieldsEndTheReadingWithoutHarm) {
  std::string note = test_support::Track().NoteOn(0, 0, 60, 64).EndOfTrack(5);
  std::string header = test_support::Header(1, 2, 96);
  std::string huge = Bytes({0xFF, 0xFF, 0xFF, 0x7F});  // 268435455
  // A header of 4 GiB: the rest of the file is its body, so no track is read.
  auto longHeader = ConvertBytes(Bytes({'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xFF, 0, 1, 0, 1, 0, 96}) +
                                 Chunk("MTrk", note));
  ASSERT_EQ(longHeader.status, kConverted);
  EXPECT_EQ(ReadBack(longHeader.output), std::vector<Event>{});
  // A last track claiming 4 GiB fails at the end of the file and is dropped.
  auto longTrack = ConvertBytes(header + Chunk("MTrk", note) + Bytes({'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF}) +
                                test_support::Track().NoteOn(0, 1, 62, 64).bytes());
  ASSERT_EQ(longTrack.status, kConverted);
  EXPECT_EQ(ReadBack(longTrack.output), (std::vector<Event>{{0, 0x90, 60, 64, ""}}));
  // Blocks claiming 256 MiB end their track behind the events before them.
  for (int status : {0xF0, 0xF7}) {
    auto block = ConvertBytes(header + Chunk("MTrk", note) +
                              Chunk("MTrk", test_support::Track().NoteOn(3, 1, 62, 64).bytes() +
                                                Bytes({0x00, status}) + huge + "abc"));
    ASSERT_EQ(block.status, kConverted);
    EXPECT_EQ(ReadBack(block.output), (std::vector<Event>{{0, 0x90, 60, 64, ""}, {3, 0x91, 62, 64, ""}}));
  }
  std::string metaFile = header + Chunk("MTrk", note + Bytes({0x00, 0xFF, 0x01}) + huge + "abc");
  auto meta = ConvertBytes(metaFile);
  ASSERT_EQ(meta.status, kConverted);
  EXPECT_EQ(ReadBack(meta.output), (std::vector<Event>{{0, 0x90, 60, 64, ""}}));

  // No memory is taken for the claimed length: with 64 MiB more address
  // space than already used, the conversion still succeeds.
  EXPECT_EXIT(
      {
        std::ifstream statm("/proc/self/statm");
        uint64_t pages = 0;
        statm >> pages;
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
        setrlimit(RLIMIT_AS, &limit);
        std::exit(ConvertBytes(metaFile).status == kConverted ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
