// The streaming merge against a slow and plain one: the file is read into
// the event model, every event gets its absolute time, a stable sort by time
// gives the merged order, and the event model writes the result. Generated
// format 1 files of every shape, whole, damaged and RMID-wrapped, must give
// the same bytes and counts both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "reshaper/model/meta_event.h"
#include "reshaper/model/midi_song.h"
#include "reshaper/quantity.h"
#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::AsBytes;
using test_support::Bytes;
using test_support::Vlq;

namespace {

struct Outcome {
  int32_t status = kConverted;
  uint32_t tracks = 0;
  uint32_t events = 0;
  std::string bytes;
  bool operator==(const Outcome&) const = default;
};

bool IsEndOfTrack(const MidiEvent& event) {
  auto* meta = dynamic_cast<const MetaEvent*>(&event);
  return meta != nullptr && meta->isEndOfTrack();
}

Outcome SortedMerge(const std::string& file) {
  reshaper_test::StreamOver input(file);
  MidiSong source;
  source.transfer(input.stream);
  if (source.getFormat() != 1) return {kNotFormat1, 0, 0, {}};
  struct Timed {
    uint64_t time;
    MidiEvent* event;
  };
  std::vector<Timed> events;  // track by track, each in its own order
  source.tracks().resetCursor();
  while (MidiTrack* track = source.tracks().nextTrack()) {
    uint64_t time = 0;
    for (MidiEvent* e = track->firstEvent(); e != nullptr; e = e->next()) events.push_back({time += e->delta(), e});
  }
  std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) { return a.time < b.time; });

  MidiSong target;
  target.setHeader(0, 1, source.getDivision());
  MidiEvent* last = &target.tracks().addTrack()->events();
  uint64_t lastTime = 0;
  auto append = [&](MidiEvent& event, uint64_t time) {
    event.setDelta(static_cast<uint32_t>(std::min<uint64_t>(time > lastTime ? time - lastTime : 0, kMaxQuantity)));
    lastTime = std::max(lastTime, time);
    event.insertAfter(*last);
    last = &event;
  };
  Outcome outcome{kConverted, source.tracks().count(), 1, {}};
  Timed end{0, nullptr};  // the End of Track taken last
  for (const Timed& timed : events) {
    if (IsEndOfTrack(*timed.event)) {
      end = timed;
    } else {
      append(*timed.event, timed.time);
      ++outcome.events;
    }
  }
  std::unique_ptr<MidiEvent> added = end.event == nullptr ? MetaEvent::endOfTrack(0) : nullptr;
  append(added ? *added.release() : *end.event, end.time);
  outcome.bytes = reshaper_test::Written([&](MidiStream& stream) { target.transfer(stream); });
  return outcome;
}

Outcome StreamingMerge(const std::string& file) {
  std::vector<uint8_t> output;
  ConversionResult result = convertBytes(AsBytes(file), output);
  return {result.status, result.tracksMerged, result.eventsWritten, std::string(output.begin(), output.end())};
}

// A random format 1 file: channel messages with and without running status,
// metas and system-exclusive blocks (long ones, and ones whose status a data
// byte repeats), End of Track at the end, inside or missing, deltas on a
// coarse grid so that tracks meet at the same ticks, now and then a delta
// spelt in too many bytes or the largest one; sometimes a chunk length that
// does not fit its events, a file cut short, a stray byte, an RMID form.
// Of 1 to 40 tracks, or 300: up to 12 the merge looks at every track for
// the next event, beyond that its tick wheel holds them; both are checked.
std::string Generate(std::mt19937& random) {
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  auto delta = [&]() -> std::string {
    switch (pick(40)) {
      case 0:
        return Bytes({0x80, 0x80, 0x00});
      case 1:
        return Vlq(kMaxQuantity);
      case 2:
        return Vlq(pick(1u << 21));
      default:
        return Vlq(pick(3) == 0 ? 0 : 60 * pick(8));
    }
  };
  auto block = [&](uint32_t longest) { return std::string(pick(longest), static_cast<char>(pick(128))); };
  bool damaged = pick(4) == 0;
  std::string file = test_support::Header(pick(30) == 0 ? 2 : 1, 0, 96 + static_cast<int>(pick(900)));
  bool many = pick(10) == 0;
  uint32_t trackCount = many ? 300 : 1 + pick(40);
  for (uint32_t t = 0; t < trackCount; ++t) {
    std::string body;
    uint8_t previous = 0;
    for (uint32_t i = 0, count = pick(6) == 0 ? 0 : pick(many ? 8 : 50); i < count; ++i) {
      body += delta();
      uint32_t kind = pick(20);
      if (kind < 13) {
        auto status = static_cast<uint8_t>(0x80 + 16 * pick(7) + (pick(2) == 0 ? t % 16 : pick(16)));
        if (status != previous || pick(4) == 0) body += Bytes({status});
        body += Bytes({static_cast<int>(pick(128)), static_cast<int>(pick(128))}).substr(0, dataCountOf(status));
        previous = status;
      } else if (kind < 17) {  // End of Track among the metas
        int type = pick(4) == 0 ? 0x2F : pick(4) == 0 ? 0x51 : static_cast<int>(1 + pick(7));
        std::string text = type == 0x2F && pick(8) != 0 ? "" : block(pick(8) == 0 ? 300 : 6);
        if (previous != 0xFF || pick(2) == 0) body += Bytes({0xFF});
        body += Bytes({type}) + Vlq(static_cast<uint32_t>(text.size())) + text;
        previous = 0xFF;
      } else {
        auto status = static_cast<uint8_t>(pick(6) == 0 ? 0xF1 + pick(14) : pick(2) == 0 ? 0xF0 : 0xF7);
        std::string data = block(pick(100) == 0 ? 20000 : 200) + "\xF7";
        if (previous != status || pick(2) == 0) body += Bytes({status});
        body += Vlq(static_cast<uint32_t>(data.size())) + data;
        previous = status;
      }
    }
    if (pick(5) != 0) body += delta() + Bytes({0xFF, 0x2F, 0x00});
    auto length = static_cast<uint32_t>(body.size());
    if (damaged && pick(8) == 0) length += pick(7) - 3;
    file += "MTrk" +
            Bytes({static_cast<int>(length >> 24), static_cast<int>(length >> 16), static_cast<int>(length >> 8),
                   static_cast<int>(length)}) +
            body;
  }
  auto size = static_cast<uint32_t>(file.size());
  if (damaged && pick(2) == 0) file.resize(pick(2) == 0 ? pick(size) : size - 1 - pick(3));
  if (damaged && pick(2) == 0) file[pick(static_cast<uint32_t>(file.size()))] = static_cast<char>(random());
  if (pick(6) == 0) {
    auto le32 = [](size_t n) {
      return Bytes(
          {static_cast<int>(n), static_cast<int>(n >> 8), static_cast<int>(n >> 16), static_cast<int>(n >> 24)});
    };
    std::string pad(file.size() % 2, '\0');
    std::string form = "RMIDdata" + le32(file.size()) + file + pad + "LIST" + le32(4) + "INFO";
    file = "RIFF" + le32(form.size()) + form;
  }
  return file;
}

}  // namespace

TEST(ReshaperDifferential, StreamingMergeWritesWhatASortedMergeWrites) {
  std::mt19937 random(5308);
  test_support::TempDir dir;
  for (int round = 0; round < 400; ++round) {
    std::string file = Generate(random);
    Outcome expected = SortedMerge(file);
    ASSERT_EQ(StreamingMerge(file), expected) << "round " << round;
    if (round % 40 == 0) {
      // The same through files, whose buffers are allocated differently.
      std::string in = dir.Write("in.mid", file);
      ConversionResult result = convertFile(in.c_str(), dir.Path("out.mid").c_str());
      EXPECT_EQ(result.status, expected.status) << "round " << round;
      EXPECT_EQ(test_support::ReadFileBytes(dir.Path("out.mid")), expected.bytes) << "round " << round;
    }
  }
}

TEST(ReshaperDifferential, EveryPrefixOfAFileConvertsAlike) {
  // Cut at every byte, a file ends inside every part of every event.
  std::mt19937 random(77);
  for (int files = 0; files < 3;) {
    std::string file = Generate(random);
    if (file.size() < 300 || file.size() > 2000) continue;
    ++files;
    for (size_t size = 0; size < file.size(); ++size) {
      ASSERT_EQ(StreamingMerge(file.substr(0, size)), SortedMerge(file.substr(0, size))) << "cut at " << size;
    }
  }
}

TEST(ReshaperDifferential, FileOfMegabytesConvertsInPlace) {
  // A system-exclusive block and a text of 1 MiB each: the input and the
  // output pass 2 MiB, where the buffers take large pages.
  std::string block = Vlq(1 << 20) + std::string(1 << 20, '\x11');
  std::string file = test_support::Smf(
      1, 96,
      {Bytes({0x00, 0xF0}) + block + test_support::Track().NoteOn(10, 0, 60, 64).EndOfTrack(0).bytes(),
       Bytes({0x05, 0xFF, 0x01}) + block + test_support::Track().NoteOn(5, 1, 62, 64).EndOfTrack(20).bytes()});
  test_support::TempDir dir;
  std::string path = dir.Write("big.mid", file);
  ASSERT_EQ(convertFile(path.c_str(), path.c_str()).status, kConverted);
  EXPECT_EQ(test_support::ReadFileBytes(path), SortedMerge(file).bytes);
}

// The shapes where the merge's tick wheel has its edges: ticks a turn of the
// wheel and more apart (tracks wait in the heap, and meet the others again
// at one tick; a turn is 4,096 ticks, 128 with 9,000 short tracks, 64 with
// 70,000),
// many tracks at one tick (a bit set of several words, with a summary of
// them beyond 8,192 tracks), running status across tracks, and a chunk
// length one byte off, which the merge finds only partway through (then the
// tracks are scanned and merged again).
TEST(ReshaperDifferential, FarTicksManyTracksAndChunkLengthsOff) {
  struct Shape {
    uint32_t tracks;
    uint32_t events;
    std::vector<uint32_t> deltas;
    int lengthOff;  // added to one chunk's length
  };
  const Shape shapes[] = {
      {3, 400, {0, 4095, 4096, 4097}, 0},        {70, 60, {0, 1, 8192, 65535}, 0},
      {130, 20, {0, 0, 0, 4096}, 0},              {700, 5, {0, 1, 2, 1u << 20}, 0},
      {5, 300, {0, 30, 3 * 4096, kMaxQuantity}, 0}, {40, 50, {0, 60, 120, 5000}, -1},
      {40, 50, {0, 60, 120, 5000}, 1},
      {9000, 3, {0, 1, 127, 128, 129, 512, 5000}, 0},
      {70000, 1, {0, 1, 63, 64, 65, 4096}, 0},
  };
  std::mt19937 random(4096);
  for (const Shape& shape : shapes) {
    for (int round = 0; round < 4; ++round) {
      std::vector<std::string> tracks;
      for (uint32_t t = 0; t < shape.tracks; ++t) {
        test_support::Track track;
        bool afterNote = false;
        for (uint32_t i = 0; i < shape.events; ++i) {
          uint32_t delta = shape.deltas[random() % shape.deltas.size()];
          auto channel = static_cast<int>((t + random() % 2) % 16);
          auto key = static_cast<int>(random() % 128);
          uint32_t kind = random() % 8;
          if (kind == 0) {
            track.Program(delta, channel, key);
          } else if (kind == 1) {
            track.Meta(delta, 0x01, "cue");
          } else if (kind == 2) {
            track.EndOfTrack(delta);
          } else if (kind == 3 && afterNote) {
            track.Raw(delta, {key, 0});  // running status
          } else {
            track.NoteOn(delta, channel, key, 1 + key % 127);
          }
          afterNote = kind >= 3;
        }
        tracks.push_back(track.EndOfTrack(shape.deltas[random() % shape.deltas.size()]));
      }
      std::string file = test_support::Smf(1, 96, tracks);
      if (shape.lengthOff != 0) {
        // The length field of a track in the middle.
        size_t field = 14;
        for (uint32_t t = 0; t < shape.tracks / 2; ++t) field += 8 + tracks[t].size();
        uint32_t length = 0;
        for (int i = 4; i < 8; ++i) length = (length << 8) | static_cast<uint8_t>(file[field + i]);
        length += static_cast<uint32_t>(shape.lengthOff);
        for (int i = 7; i >= 4; --i, length >>= 8) file[field + i] = static_cast<char>(length & 0xFF);
      }
      ASSERT_EQ(StreamingMerge(file), SortedMerge(file)) << shape.tracks << " tracks, round " << round;
    }
  }
}
