// The SMF writer helpers.
#include <gtest/gtest.h>

#include "midifile/errors.h"
#include "midifile/midi_file.h"
#include "midifile/smf_writer.h"
#include "support/smf_builder.h"

using midifile::ByteString;
using test_support::Bytes;

TEST(Writer, AppendVarLength) {
  const std::pair<int32_t, std::string> cases[] = {
      {0, Bytes({0x00})},
      {127, Bytes({0x7F})},
      {128, Bytes({0x81, 0x00})},
      {480, Bytes({0x83, 0x60})},
      {16383, Bytes({0xFF, 0x7F})},
      {16384, Bytes({0x81, 0x80, 0x00})},
      {268435456, Bytes({0x81, 0x80, 0x80, 0x80, 0x00})},
      {2147483647, Bytes({0x87, 0xFF, 0xFF, 0xFF, 0x7F})},
      {-5, Bytes({0x00})},
  };
  for (const auto& [value, expected] : cases) {
    ByteString out = "x";
    midifile::AppendVarLength(out, value);
    EXPECT_EQ(out, "x" + expected) << value;
  }
}

TEST(Writer, ChunkSize) {
  // The size of a chunk is the number of bytes after its 8-byte header: of
  // a chunk at the start, one further in, and one with bytes still to come.
  ByteString chunk = ByteString(midifile::kTrackChunkStart) + Bytes({1, 2, 3, 4});
  midifile::SetChunkSize(chunk);
  EXPECT_EQ(chunk, "MTrk" + Bytes({0, 0, 0, 4, 1, 2, 3, 4}));
  ByteString file = "head" + ByteString(midifile::kTrackChunkStart) + ByteString(300, 'x');
  midifile::SetChunkSize(file, 4, 2);
  EXPECT_EQ(file.substr(0, 12), "headMTrk" + Bytes({0, 0, 1, 0x2E}));
}

TEST(Writer, AppendMetaEventShapes) {
  auto meta = [](int32_t delta, uint8_t type, uint8_t length, const std::string& data) {
    ByteString out;
    midifile::AppendMetaEvent(out, delta, 0xFF, type, length, data);
    return out;
  };
  EXPECT_EQ(meta(0, 0x51, 0, Bytes({0x07, 0xA1})), Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x00}));
  EXPECT_EQ(meta(0, 0x51, 3, Bytes({0x07, 0xA1, 0x20, 0x55})), Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
  EXPECT_EQ(meta(0, 0x51, 3, ""), Bytes({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}));
  EXPECT_EQ(meta(5, 0x2F, 5, "abcde"), Bytes({0x05, 0xFF, 0x2F, 0x00}));
  EXPECT_EQ(meta(200, 0x03, 4, "name"), Bytes({0x81, 0x48, 0xFF, 0x01, 0x00}));
  EXPECT_EQ(meta(0, 0x01, 4, "text"), Bytes({0x00, 0xFF, 0x01, 0x00}));
}

TEST(Writer, HeaderAndTrackChunks) {
  midifile::TMidiFile file;
  file.ReadBytes(test_support::Smf(0, 480, {test_support::Track().NoteOn(0, 0, 60, 1)}));
  ByteString out = midifile::HeaderChunk(file.FileFormat(), file.NumberOfTracks(), Bytes({0x01, 0xE0}));
  const size_t chunk = midifile::BeginTrackChunk(out);
  out += Bytes({0x00, 0x90, 0x3C, 0x01, 0x00, 0xFF, 0x2F, 0x00});
  midifile::EndTrackChunk(out, chunk);
  EXPECT_EQ(out, "MThd" + Bytes({0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0}) + "MTrk" +
                     Bytes({0, 0, 0, 8, 0x00, 0x90, 0x3C, 0x01, 0x00, 0xFF, 0x2F, 0x00}));
  // Format bytes: multi_asynch 2, everything else but single 1; the track
  // count takes 16 bits, and more tracks than that cannot be written.
  EXPECT_EQ(midifile::HeaderChunk(midifile::TFileFormat::multi_asynch, 258, Bytes({0xE7, 0x28})),
            "MThd" + Bytes({0, 0, 0, 6, 0, 2, 1, 2, 0xE7, 0x28}));
  EXPECT_EQ(midifile::HeaderChunk(midifile::TFileFormat::single, 65535, Bytes({0, 96})).substr(10, 2),
            Bytes({0xFF, 0xFF}));
  EXPECT_THROW(midifile::HeaderChunk(midifile::TFileFormat::single, 65536, Bytes({0, 96})), midifile::ChimeError);
  EXPECT_EQ(midifile::HeaderChunk(midifile::TFileFormat::multi_synch, 1, Bytes({0, 96})).substr(8, 2), Bytes({0, 1}));
}
