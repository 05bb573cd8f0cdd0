// The converter's file stream: reading within the data, and an output that
// reaches its file in one piece or not at all.
#include "reshaper/midi_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "reshaper_test_support.h"

using reshaper::MidiStream;
using reshaper_test::StreamOver;
using test_support::ListFolder;
using test_support::ReadFileBytes;
using test_support::TempDir;

namespace {

bool WriteAndClose(MidiStream& stream, const std::string& bytes) {
  stream.write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  return stream.close();
}

}  // namespace

TEST(ReshaperMidiStream, ReadsSkipsAndSeeksOnlyWithinTheData) {
  StreamOver input("abcdef");
  uint8_t byte = 0;
  ASSERT_TRUE(input.stream.readByte(byte));
  ASSERT_TRUE(input.stream.seek(-1, MidiStream::FromCurrent));
  ASSERT_TRUE(input.stream.readByte(byte));
  EXPECT_EQ(byte, 'a');
  EXPECT_FALSE(input.stream.seek(-2, MidiStream::FromCurrent));
  EXPECT_FALSE(input.stream.seek(7, MidiStream::FromStart));
  EXPECT_EQ(input.stream.remaining(), 5u) << "a refused seek does not move";
  ASSERT_TRUE(input.stream.seek(6, MidiStream::FromStart));  // just behind the end
  EXPECT_FALSE(input.stream.readByte(byte));
  ASSERT_TRUE(input.stream.seek(3, MidiStream::FromStart));
  EXPECT_EQ(input.stream.skip(1000), 3u);
  uint8_t block[4] = {};
  EXPECT_EQ(input.stream.read(block, 4), 0u);
}

TEST(ReshaperMidiStream, ClosedOrWrongModeStreamsDoNothing) {
  MidiStream stream;
  EXPECT_FALSE(stream.open(nullptr, MidiStream::Reading));
  EXPECT_FALSE(stream.open("", MidiStream::Writing));
  uint8_t byte = 0;
  EXPECT_FALSE(stream.readByte(byte));
  StreamOver input("abc");
  input.stream.writeByte('x');
  EXPECT_TRUE(input.stream.bytes().empty());
  MidiStream output;
  output.openMemory();
  output.writeByte('x');
  EXPECT_FALSE(output.readByte(byte));
  EXPECT_EQ(output.bytes().size(), 1u);
}

TEST(ReshaperMidiStream, OutputReplacesItsFileOnlyWhenClosed) {
  TempDir dir;
  std::string path = dir.Write("out.mid", "old content");
  {
    MidiStream output;
    ASSERT_TRUE(output.open(path.c_str(), MidiStream::Writing));
    output.writeByte('x');
    EXPECT_EQ(ReadFileBytes(path), "old content");
  }  // destroyed without close: abandoned
  EXPECT_EQ(ReadFileBytes(path), "old content");
  EXPECT_EQ(ListFolder(dir.Path("")), "out.mid\n") << "no temporary file stays behind";

  MidiStream output;
  ASSERT_TRUE(output.open(path.c_str(), MidiStream::Writing));
  EXPECT_TRUE(WriteAndClose(output, "new"));
  EXPECT_EQ(ReadFileBytes(path), "new");
  EXPECT_EQ(ListFolder(dir.Path("")), "out.mid\n");

  // The input is read whole on opening, so the same file can be written.
  MidiStream input;
  ASSERT_TRUE(input.open(path.c_str(), MidiStream::Reading));
  ASSERT_TRUE(output.open(path.c_str(), MidiStream::Writing));
  uint8_t block[3] = {};
  ASSERT_EQ(input.read(block, 3), 3u);
  EXPECT_TRUE(WriteAndClose(output, "again"));
  EXPECT_EQ(std::string(block, block + 3), "new");
  EXPECT_EQ(ReadFileBytes(path), "again");

  // Through a link, the file it names is replaced and the link stays.
  std::string link = dir.Path("link.mid");
  std::filesystem::create_symlink(path, link);
  ASSERT_TRUE(output.open(link.c_str(), MidiStream::Writing));
  EXPECT_TRUE(WriteAndClose(output, "linked"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(path), "linked");
}

TEST(ReshaperMidiStream, FailedRenameLeavesNothingBehind) {
  // Something else took the target's name while the stream was open.
  TempDir dir;
  std::string taken = dir.Path("taken.mid");
  MidiStream output;
  ASSERT_TRUE(output.open(taken.c_str(), MidiStream::Writing));
  std::filesystem::create_directories(taken + "/inside");
  EXPECT_FALSE(WriteAndClose(output, "data"));
  EXPECT_EQ(ListFolder(dir.Path("")), "taken.mid\n");
  EXPECT_TRUE(std::filesystem::is_directory(taken));
}
