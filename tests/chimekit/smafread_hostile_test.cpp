// The SMAF reader on damaged files: every cut and every flipped byte of a
// compressed Mobile Standard song and of a Handyphone song, and compressed
// sequences whose codes never end or declare more than they hold. Nothing
// may point outside the file, and what a sequence decodes to stays within
// eight bytes per byte of it.
#include <gtest/gtest.h>

#include <string>

#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "midifile/errors.h"
#include "support/smaf_builder.h"

namespace {

using namespace test_support::smaf_bytes;
using chimekit::smafread::ByteRange;
using chimekit::smafread::SmafScore;

bool Inside(const ByteRange& range, size_t size) { return range.begin <= size && range.size <= size - range.begin; }

// Reads, lists and converts; every range lies in its bytes.
void ExpectSound(const std::string& file) {
  const SmafScore score = chimekit::smafread::ReadSmafScore(file);
  for (const auto& chunk : score.chunks) ASSERT_TRUE(Inside(chunk.body, file.size()));
  for (const auto& track : score.score_tracks) {
    ASSERT_LE(track.decoded_size, 8 * file.size());
    for (const auto& voice : track.voices) ASSERT_TRUE(Inside(voice.body, file.size()));
    for (const auto& wave : track.waves) ASSERT_TRUE(Inside(wave.data, file.size()));
    for (const auto& range : track.exclusives) ASSERT_TRUE(Inside(range, track.exclusive_bytes.size()));
    for (const auto& event : track.events) ASSERT_LE(event.key, 127);
  }
  for (const auto& track : score.audio_tracks) {
    for (const auto& wave : track.waves) ASSERT_TRUE(Inside(wave.data, file.size()));
  }
  const auto listing = chimekit::smafread::ListSmaf(file, score);
  ASSERT_EQ(listing.ok, score.problems.empty());
  ASSERT_EQ(listing.problems.size(), score.problems.size());
  try {
    chimekit::smafread::SmafToMidi(file, score);
  } catch (const midifile::ConversionError&) {
    // A gap no MIDI delta time holds: refused, not written wrong.
  }
}

std::string Events() {
  std::string events;
  for (int i = 0; i < 20; ++i) {
    events += Num(i * 7) + B({0x90 | (i & 15), 40 + i, 90}) + Num(30) + Num(0) + B({0xB0 | (i & 15), 7, i}) +
              Num(0) + B({0xF0, 3, 0x43, i, 0xF7});
  }
  return events + Num(5) + B({0xFF, 0x2F, 0x00});
}

std::string Compressed(const std::string& sequence) {
  return File(Cnti() + Mtr(5, 1, 0x02, 0x02, std::string(16, '\x01'),
                           Chunk("Mtsu", "") + Chunk("Mtsq", sequence) +
                               Chunk("Mtsp", Chunk("Mwa\x02", B({0x10, 0x1F, 0x40}) + std::string(40, '\x31')))));
}

std::string Handyphone() {
  const std::string events = Len(0) + B({0, 0x32, 0x82}) + Len(3) + B({0x1C}) + Len(200) + Len(130) + B({0xFF, 0x00}) +
                             Len(0) + B({0xFF, 0xF0, 3, 0x43, 0x03, 0xF7}) + Len(1) + B({0x65}) + Len(7) + Len(0) +
                             B({0, 0, 0});
  const std::string voice = B({0xFF, 0xF0, 18, 0x43, 0x03, 0, 0, 0, 0x60, 0x01, 0x14, 0x52, 0xF4, 0x3A, 0xA0, 0x14,
                               0x62, 0xF7, 0x00, 0xA0, 0xF7});
  return File(Cnti("ST:x,") + Mtr(1, 0, 0x10, 0x10, B({0x80, 0x80}), Chunk("Mtsu", voice) + Chunk("Mtsq", events)) +
              Chunk(std::string("ATR\0", 4), B({0, 0, 0x11, 0, 2, 2}) + Chunk("Atsq", Len(0) + B({0x01}) + Len(9) + Len(0) + B({0, 0, 0})) +
                                   Chunk("Awa\x01", std::string(30, '\x77'))));
}

TEST(SmafReadHostile, EveryCutAndFlippedByte) {
  for (const std::string& file : {Compressed(Compress(Events())), Handyphone()}) {
    const SmafScore whole = chimekit::smafread::ReadSmafScore(file);
    ASSERT_TRUE(whole.problems.empty()) << whole.problems.front().text;
    for (size_t length = 0; length < file.size(); ++length) ExpectSound(file.substr(0, length));
    for (size_t at = 0; at < file.size(); ++at) {
      for (int mask : {0x01, 0x80, 0xFF}) {
        std::string damaged = file;
        damaged[at] = static_cast<char>(damaged[at] ^ mask);
        ExpectSound(damaged);
      }
    }
  }
}

TEST(SmafReadHostile, CompressedSequencesThatDoNotHold) {
  const std::string codes = Compress(Events());
  struct Case {
    const char* what;
    std::string sequence;
    const char* problem;
  };
  const Case cases[] = {
      {"tree cut off", Be32(100) + B({0xFF}), "code tree of the compressed sequence is cut off"},
      {"branches without end", Be32(100) + std::string(64, '\xFF'), "more than 255 branches"},
      {"size beyond the codes", Be32(0xFFFFFFFF) + codes.substr(4), "declares 4294967295 bytes"},
      {"codes end early", Be32(static_cast<uint32_t>(Events().size() + 9)) + codes.substr(4), "codes end after"},
      // A tree of one leaf spends no bit on a byte: its size is bounded too.
      {"one leaf", Be32(0xFFFFFFFF) + B({0x00, 0x00}) + std::string(6, '\0'), "more than its 8 bytes"},
      {"no size", B({0, 0}), "too short for its size"},
  };
  for (const Case& c : cases) {
    const std::string file = Compressed(c.sequence);
    ExpectSound(file);
    const SmafScore score = chimekit::smafread::ReadSmafScore(file);
    ASSERT_FALSE(score.problems.empty()) << c.what;
    EXPECT_NE(score.problems[0].text.find(c.problem), std::string::npos) << c.what << ": " << score.problems[0].text;
  }
}

}  // namespace
