#include "reshaper/midi_stream.h"

#include <gtest/gtest.h>

#include "reshaper_test_support.h"

using reshaper::MidiStream;
using reshaper_test::StreamOver;

TEST(ReshaperMidiStream, SeeksInsideAndOutsideItsBuffer) {
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  StreamOver input(bytes);
  uint8_t byte = 0;
  ASSERT_TRUE(input.stream.readByte(byte));
  ASSERT_TRUE(input.stream.seek(-1, MidiStream::FromCurrent));
  ASSERT_TRUE(input.stream.readByte(byte));
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(input.stream.skip(150000), 150000u);
  ASSERT_TRUE(input.stream.seek(10, MidiStream::FromStart));  // long behind the buffer
  ASSERT_TRUE(input.stream.readByte(byte));
  EXPECT_EQ(byte, 10);
  EXPECT_FALSE(input.stream.seek(-12, MidiStream::FromCurrent));
  EXPECT_EQ(input.stream.skip(1000000), bytes.size() - 11);
  EXPECT_FALSE(input.stream.readByte(byte));
}

TEST(ReshaperMidiStream, ClosedOrWrongModeStreamsDoNothing) {
  MidiStream stream;
  EXPECT_FALSE(stream.open(nullptr, MidiStream::Reading));
  EXPECT_FALSE(stream.open("", MidiStream::Writing));
  uint8_t byte = 0;
  EXPECT_FALSE(stream.readByte(byte));
  StreamOver input("abc");
  input.stream.writeByte('x');
  EXPECT_FALSE(input.stream.close()) << "a write to a reading stream is a lost write";
}
