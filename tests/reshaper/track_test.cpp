// Reading tracks (delta times, running status, blocks, damaged tracks) and
// writing them back with running status.
#include <gtest/gtest.h>

#include "reshaper/model/channel_event.h"
#include "reshaper/model/meta_event.h"
#include "reshaper/model/midi_song.h"
#include "reshaper_test_support.h"

using namespace reshaper;
using reshaper_test::ReadTrack;
using reshaper_test::StreamOver;
using reshaper_test::WrittenTrack;
using test_support::Bytes;
using test_support::Chunk;

namespace {

std::vector<uint8_t> Statuses(const MidiTrack& track) {
  std::vector<uint8_t> out;
  for (const MidiEvent* e = track.firstEvent(); e != nullptr; e = e->next()) out.push_back(e->status());
  return out;
}

}  // namespace

TEST(ReshaperTrack, RunningStatusIsReadAndWrittenBack) {
  std::string body = Bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40});
  auto track = ReadTrack(Chunk("MTrk", body));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(Statuses(*track), (std::vector<uint8_t>{0x90, 0x90}));
  auto* second = dynamic_cast<ChannelEvent*>(track->firstEvent()->next());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->data1(), 0x3E);
  EXPECT_EQ(track->computeLength(), 7u);
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", body));
}

TEST(ReshaperTrack, MetaEventInterruptsRunningStatusOnWriting) {
  std::string body = Bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x90, 0x3E, 0x40});
  auto track = ReadTrack(Chunk("MTrk", body));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", body));
  EXPECT_EQ(track->outLength, body.size());
}

TEST(ReshaperTrack, DataByteRepeatsTheStatusOfThePreviousEventWhateverItsKind) {
  // Behind a meta event the data byte starts another meta event (type 06),
  // behind a system-exclusive event another block of the same status.
  auto track = ReadTrack(Chunk("MTrk", Bytes({0x00, 0xC0, 0x05, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x06, 0x01, 'b',
                                              0x00, 0xF0, 0x01, 0xF7, 0x00, 0x02, 0x7E, 0xF7, 0x00, 0xC0, 0x06})));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(Statuses(*track), (std::vector<uint8_t>{0xC0, 0xFF, 0xFF, 0xF0, 0xF0, 0xC0}));
  auto* marker = dynamic_cast<MetaEvent*>(track->firstEvent()->next()->next());
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->metaType(), 0x06);
  EXPECT_EQ(marker->data(), (std::vector<uint8_t>{'b'}));
  EXPECT_EQ(track->firstEvent()->next()->next()->next()->next()->data(), (std::vector<uint8_t>{0x7E, 0xF7}));
  // Written back, only channel events leave their status out, and only
  // behind an event of the same status.
  EXPECT_EQ(WrittenTrack(*track),
            Chunk("MTrk", Bytes({0x00, 0xC0, 0x05, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0xFF, 0x06, 0x01, 'b', 0x00, 0xF0,
                                 0x01, 0xF7, 0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xC0, 0x06})));
}

TEST(ReshaperTrack, DataByteWithoutAnyStatusBreaksTheTrack) {
  EXPECT_EQ(ReadTrack(Chunk("MTrk", Bytes({0x00, 0x3C, 0x40}))), nullptr);
  // Behind an End of Track the data byte is read as another meta event.
  auto track = ReadTrack(Chunk("MTrk", Bytes({0x00, 0xFF, 0x2F, 0x00, 0x00, 0x2F, 0x00})));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(Statuses(*track), (std::vector<uint8_t>{0xFF, 0xFF}));
}

TEST(ReshaperTrack, EmptyMetaBlockAndSysExBlockRoundTrip) {
  std::string body = Bytes({0x00, 0xFF, 0x01, 0x00, 0x05, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xFF, 0x2F, 0x00});
  auto track = ReadTrack(Chunk("MTrk", body));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(track->firstEvent()->dataLength(), 0u);
  EXPECT_EQ(track->firstEvent()->next()->data(), (std::vector<uint8_t>{0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", body));
}

TEST(ReshaperTrack, EventsAfterEndOfTrackAndTheValue65535AreKept) {
  // 83 FF 7F is 65535: a legal delta time and a legal block length.
  std::string block(65535, '\x11');
  std::string body = Bytes({0x00, 0xFF, 0x2F, 0x00, 0x83, 0xFF, 0x7F, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x83, 0xFF, 0x7F}) +
                     block + Bytes({0x00, 0xFF, 0x01, 0x83, 0xFF, 0x7F}) + block;
  auto track = ReadTrack(Chunk("MTrk", body));
  ASSERT_NE(track, nullptr);
  ASSERT_EQ(Statuses(*track), (std::vector<uint8_t>{0xFF, 0x90, 0xF0, 0xFF}));
  EXPECT_EQ(track->firstEvent()->next()->delta(), 65535u);
  EXPECT_EQ(track->firstEvent()->next()->next()->dataLength(), 65535u);
  EXPECT_EQ(WrittenTrack(*track), Chunk("MTrk", body));
}

TEST(ReshaperTrack, CutOffInsideAnEventBodyKeepsTheEventsBefore) {
  // The meta event claims far more data than the file holds.
  std::string chunk = Chunk("MTrk", Bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'}));
  auto track = ReadTrack(chunk);
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(Statuses(*track), (std::vector<uint8_t>{0x90}));
  // Cut inside a channel event's data bytes.
  auto shortNote = ReadTrack(Chunk("MTrk", Bytes({0x00, 0xC0, 0x01, 0x00, 0x90, 0x3C})));
  ASSERT_NE(shortNote, nullptr);
  EXPECT_EQ(Statuses(*shortNote), (std::vector<uint8_t>{0xC0}));
}

TEST(ReshaperTrackList, ReadsEveryTrackChunkWhateverTheHeaderSays) {
  std::string track = test_support::Track().NoteOn(0, 0, 60, 64).EndOfTrack(0);
  auto countTracks = [](const std::string& file) {
    StreamOver input(file);
    MidiSong song;
    song.transfer(input.stream);
    return song.tracks().count();
  };
  std::string three = Chunk("MTrk", track) + Chunk("MTrk", track) + Chunk("MTrk", track);
  EXPECT_EQ(countTracks(test_support::Header(1, 2, 96) + three), 3u);
  EXPECT_EQ(countTracks(test_support::Header(1, 3, 96) + Chunk("MTrk", track) + Chunk("MTrk", track)), 2u);
  // An unknown chunk ends the reading.
  EXPECT_EQ(countTracks(test_support::Header(1, 3, 96) + Chunk("MTrk", track) + Chunk("XTRA", "zz") +
                        Chunk("MTrk", track)),
            1u);
  // A track cut off inside a delta time is dropped.
  std::string cut = Bytes({'M', 'T', 'r', 'k', 0, 0, 0, 9, 0x00, 0x90, 0x3C, 0x40, 0x81});
  EXPECT_EQ(countTracks(test_support::Header(1, 2, 96) + Chunk("MTrk", track) + cut), 1u);
}
