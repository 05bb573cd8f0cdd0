// Every ringtone the converter writes reads back through the inspector
// without a problem, and the inspector rejects each of them with any single
// byte changed.
#include <gtest/gtest.h>

#include <random>

#include "chimekit/smaf/convert.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/read.h"
#include "midifile/midi_file.h"
#include "support/smf_builder.h"

using test_support::Smf;
using test_support::Track;

namespace {

struct Song {
  const char* name;
  std::string bytes;
};

std::vector<Song> GeneratedSongs() {
  std::vector<Song> songs;
  Track chords;
  for (int bar = 0; bar < 8; ++bar) {
    for (int key : {48, 52, 55, 60}) chords.NoteOn(0, 0, key + bar, 90);
    uint32_t delta = 96;
    for (int key : {48, 52, 55, 60}) {
      chords.NoteOff(delta, 0, key + bar);
      delta = 0;
    }
  }
  songs.push_back({"chords", Smf(0, 96, {chords.EndOfTrack()})});

  Track drums;
  for (int beat = 0; beat < 32; ++beat) {
    int key = beat % 4 == 0 ? 36 : beat % 4 == 2 ? 38 : beat % 3 == 0 ? 30 : 42;  // 30 lies outside 35-81
    drums.Program(0, 9, beat % 5).NoteOn(0, 9, key, 100).NoteOff(24, 9, key).Control(24, 9, 7, 100 - beat);
  }
  drums.Control(0, 3, 0, 1).NoteOn(0, 3, 60, 100).NoteOff(48, 3, 60);  // odd bank: a drum part on channel 3
  songs.push_back({"drums", Smf(0, 480, {drums.Tempo(0, 400000).EndOfTrack()})});

  Track rests;
  rests.NoteOn(0, 1, 72, 100).NoteOff(30000, 1, 72).NoteOn(200000, 1, 24, 100).NoteOff(60000, 1, 24);
  rests.NoteOn(5000, 1, 127, 80).NoteOff(10, 1, 127).NoteOn(0, 1, 0, 80).NoteOff(10, 1, 0);
  songs.push_back({"long rests and extreme keys", Smf(0, 96, {rests.Tempo(0, 2000000).EndOfTrack()})});

  Track programs;
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    int channel = static_cast<int>(random() % 16);
    int key = 20 + static_cast<int>(random() % 90);
    programs.Program(0, channel, static_cast<int>(random() % 128))
        .Control(0, channel, static_cast<int>(std::vector<int>{1, 7, 10}[random() % 3]), static_cast<int>(random() % 128))
        .NoteOn(static_cast<uint32_t>(random() % 40), channel, key, 100)
        .Raw(0, {0xD0 | channel, static_cast<int>(random() % 128)})
        .Raw(static_cast<uint32_t>(random() % 10), {0xE0 | channel, 0, static_cast<int>(random() % 128)})
        .NoteOff(static_cast<uint32_t>(random() % 200), channel, key);
  }
  songs.push_back({"many programs and controllers", Smf(0, 120, {programs.EndOfTrack()})});

  Track texts;
  texts.Meta(0, 0x01, "vendor").Meta(0, 0x02, "(c) someone").Meta(0, 0x03, "Title, with commas,,").Meta(0, 0x01, "more");
  texts.NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
  songs.push_back({"text events", Smf(0, 96, {texts.EndOfTrack(), Track().NoteOn(0, 0, 62, 9).NoteOff(9, 0, 62)})});

  Track crowd;  // more notes at once than there are slots
  for (int key = 40; key < 60; ++key) crowd.NoteOn(0, key % 16, key, 100);
  for (int key = 40; key < 60; ++key) crowd.NoteOff(key == 40 ? 480 : 0, key % 16, key);
  songs.push_back({"twenty notes at once", Smf(0, 96, {crowd.EndOfTrack()})});

  songs.push_back({"no notes", Smf(0, 96, {Track().Meta(0, 0x03, "silence").EndOfTrack(96)})});
  return songs;
}

chimekit::smafread::SmafListing Inspect(midifile::ByteView smaf) {
  return chimekit::smafread::ListSmaf(smaf, chimekit::smafread::ReadSmafScore(smaf));
}

}  // namespace

TEST(SmafRoundTrip, InspectorAcceptsWhatTheConverterWritesAndRejectsAnyChangedByte) {
  for (const Song& song : GeneratedSongs()) {
    SCOPED_TRACE(song.name);
    midifile::TMidiFile file;
    file.ReadBytes(song.bytes);
    chimekit::smaf::TSmafConversion conversion = chimekit::smaf::ConvertToSmaf(file);
    const chimekit::smafread::SmafListing inspection = Inspect(conversion.bytes);
    ASSERT_TRUE(inspection.ok) << (inspection.problems.empty() ? "" : inspection.problems.front());
    EXPECT_EQ(inspection.score_tracks, static_cast<uint32_t>(conversion.summary.score_tracks));
    EXPECT_EQ(inspection.voices, static_cast<uint32_t>(conversion.summary.voices));
    EXPECT_EQ(inspection.notes, static_cast<uint64_t>(conversion.summary.notes_converted));

    // Every byte of a small file, a spread of bytes of a large one; the
    // changed bit varies with the position.
    size_t size = conversion.bytes.size();
    size_t stride = size <= 2000 ? 1 : 7;
    for (size_t at = 0; at < size; at += (at < 64 || at + 64 > size) ? 1 : stride) {
      static constexpr uint8_t kMasks[] = {0x01, 0x80, 0xFF, 0x10};
      uint8_t mask = kMasks[at % 4];
      std::string damaged = conversion.bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ mask);
      ASSERT_FALSE(Inspect(damaged).ok) << "byte " << at << " mask " << int(mask);
    }
  }
}
