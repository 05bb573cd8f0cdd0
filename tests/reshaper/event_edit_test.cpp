// Describing and changing single events, and the values of meta events.
#include <gtest/gtest.h>

#include "reshaper/model/meta_event.h"
#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::ReadTrack;
using reshaper_test::WrittenTrack;
using test_support::Bytes;
using test_support::Chunk;

namespace {

uint32_t MetaValue(int type, std::initializer_list<int> data) {
  auto track = ReadTrack(Chunk("MTrk", test_support::Track().Meta(0, type, Bytes(data))));
  return track == nullptr ? 0xDEADu : track->firstEvent()->value();
}

uint32_t MetaCategory(int type) {
  auto track = ReadTrack(Chunk("MTrk", test_support::Track().Meta(0, type, "")));
  return track == nullptr ? 0xDEADu : track->firstEvent()->category();
}

}  // namespace

TEST(ReshaperMetaEvent, ValuesAndCategories) {
  EXPECT_EQ(MetaValue(0x51, {0x07, 0xA1, 0x20}), 500000u);
  EXPECT_EQ(MetaValue(0x58, {6, 3, 24, 8}), 6u | (8u << 8) | (24u << 16) | (8u << 24));
  EXPECT_EQ(MetaValue(0x58, {6, 9, 24, 8}), 6u | (24u << 16) | (8u << 24));  // 2^9 leaves 8 bits empty
  EXPECT_EQ(MetaValue(0x59, {0xFD, 0x01}), 0xFD01u);
  EXPECT_EQ(MetaValue(0x51, {0x07, 0xA1}), 0u);  // too short to hold a tempo
  EXPECT_EQ(MetaValue(0x01, {'a'}), 0u);
  for (int type = 1; type <= 9; ++type) EXPECT_EQ(MetaCategory(type), 1u) << type;
  EXPECT_EQ(MetaCategory(0x51), 2u);
  EXPECT_EQ(MetaCategory(0x58), 3u);
  EXPECT_EQ(MetaCategory(0x59), 4u);
  for (int type : {0x00, 0x0A, 0x20, 0x2F, 0x54, 0x7F}) EXPECT_EQ(MetaCategory(type), 0u) << type;
}

TEST(ReshaperEvent, DescribeAndApplyChannelEvent) {
  auto track = ReadTrack(Chunk("MTrk", Bytes({0x05, 0x90, 0x3C, 0x40})));
  ASSERT_NE(track, nullptr);
  MidiEvent& note = *track->firstEvent();
  EventInfo info;
  note.describe(info);
  EXPECT_EQ(info.kind, EventKind::Channel);
  EXPECT_EQ(info.delta, 5u);
  EXPECT_EQ(info.data1, 0x3C);
  EXPECT_EQ(info.data2, 0x40);

  // Became a program change two hundred ticks later: one data byte less,
  // one delta byte more.
  info.delta = 200;
  info.status = 0xC3;
  info.data1 = 7;
  ASSERT_TRUE(note.apply(info));
  EXPECT_EQ(note.size(), 4u);
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", Bytes({0x81, 0x48, 0xC3, 0x07})));

  for (int status : {0x05, 0x7F, 0xF0, 0xFF}) {
    EventInfo bad = info;
    bad.delta = 1;
    bad.status = static_cast<uint8_t>(status);
    EXPECT_FALSE(note.apply(bad)) << status;
    EXPECT_EQ(note.delta(), 200u) << "a refused change leaves the delta alone";
    EXPECT_EQ(note.status(), 0xC3);
  }
}

TEST(ReshaperEvent, ApplyBlocksOfMetaAndSysExEvents) {
  auto track = ReadTrack(Chunk("MTrk", Bytes({0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0xF0, 0x01, 0xF7})));
  ASSERT_NE(track, nullptr);
  MidiEvent& text = *track->firstEvent();
  MidiEvent& sysex = *text.next();

  EventInfo info;
  text.describe(info);
  EXPECT_EQ(info.kind, EventKind::Meta);
  EXPECT_EQ(info.metaType, 0x01);
  info.metaType = 0x03;
  info.data.assign(200, 'x');  // the length now takes two bytes
  info.dataLength = 200;
  ASSERT_TRUE(text.apply(info));
  EXPECT_EQ(text.size(), 1u + 2u + 2u + 200u);
  EventInfo wrongStatus = info;
  wrongStatus.status = 0xF0;
  EXPECT_FALSE(text.apply(wrongStatus));
  EventInfo sysexInfo;
  sysex.describe(sysexInfo);
  EXPECT_FALSE(text.apply(sysexInfo)) << "a meta event takes no system-exclusive description";

  EXPECT_EQ(sysexInfo.kind, EventKind::SysEx);
  sysexInfo.status = 0xF7;
  EXPECT_TRUE(sysex.apply(sysexInfo));
  for (int status : {0x90, 0xFF}) {
    EventInfo bad = sysexInfo;
    bad.status = static_cast<uint8_t>(status);
    EXPECT_FALSE(sysex.apply(bad)) << status;
  }
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", Bytes({0x00, 0xFF, 0x03, 0x81, 0x48}) + std::string(200, 'x') +
                                                    Bytes({0x00, 0xF7, 0x01, 0xF7})));
}

TEST(ReshaperEvent, SetDeltaKeepsSizeInStepAndIgnoresTooLargeValues) {
  auto end = MetaEvent::endOfTrack(0);
  EXPECT_EQ(end->size(), 4u);
  end->setDelta(16384);
  EXPECT_EQ(end->size(), 6u);
  end->setDelta(0x10000000);
  EXPECT_EQ(end->delta(), 16384u);
  EXPECT_EQ(end->size(), 6u);
}
