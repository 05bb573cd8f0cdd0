#include "reshaper/quantity.h"

#include <gtest/gtest.h>

#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::StreamOver;
using reshaper_test::Written;
using test_support::Bytes;

TEST(ReshaperQuantity, FourByteQuantityReadsAndWritesTheSameBytes) {
  StreamOver input(Bytes({0x81, 0x80, 0x80, 0x00}));
  uint32_t value = 0, count = 0;
  ASSERT_TRUE(readQuantity(input.stream, value, count));
  EXPECT_EQ(value, 2097152u);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(Written([](MidiStream& s) { writeQuantity(s, 2097152); }), Bytes({0x81, 0x80, 0x80, 0x00}));
}

TEST(ReshaperQuantity, RoundTripsAtEverySizeBoundary) {
  for (uint32_t value : {0u, 127u, 128u, 16383u, 16384u, 2097151u, 2097152u, kMaxQuantity}) {
    std::string bytes = Written([&](MidiStream& s) { writeQuantity(s, value); });
    EXPECT_EQ(bytes.size(), quantitySize(value)) << value;
    EXPECT_EQ(bytes, test_support::Vlq(value)) << value;
    StreamOver input(bytes);
    uint32_t back = 0, count = 0;
    ASSERT_TRUE(readQuantity(input.stream, back, count)) << value;
    EXPECT_EQ(back, value);
    EXPECT_EQ(count, bytes.size());
  }
  EXPECT_EQ(quantitySize(kMaxQuantity + 1), 0u);
  // Bits above the 28th are dropped.
  EXPECT_EQ(Written([](MidiStream& s) { writeQuantity(s, 0x10000005); }), Bytes({0x05}));
}

TEST(ReshaperQuantity, ValueOf65535IsAnOrdinaryValue) {
  StreamOver input(Bytes({0x83, 0xFF, 0x7F}));
  uint32_t value = 0, count = 0;
  ASSERT_TRUE(readQuantity(input.stream, value, count));
  EXPECT_EQ(value, 65535u);
}

TEST(ReshaperQuantity, FourthByteEndsTheQuantityAndShortReadFails) {
  StreamOver longOne(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x05}));
  uint32_t value = 0, count = 0;
  ASSERT_TRUE(readQuantity(longOne.stream, value, count));
  EXPECT_EQ(value, kMaxQuantity);
  EXPECT_EQ(count, 4u);
  uint8_t next = 0;
  ASSERT_TRUE(longOne.stream.readByte(next));
  EXPECT_EQ(next, 0x05);

  StreamOver cut(Bytes({0x81, 0x80}));
  EXPECT_FALSE(readQuantity(cut.stream, value, count));
  EXPECT_EQ(count, 2u);
}
