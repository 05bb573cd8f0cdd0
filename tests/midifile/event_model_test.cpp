// Events as small values: data views into the loaded bytes, copies that
// carry new data, and tracks packed into one block without overlap.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "midifile/midi_file.h"
#include "support/event_bytes.h"
#include "support/smf_builder.h"

using midifile::ByteView;
using test_support::TEventBytes;
using midifile::TMidiEvent;
using midifile::TMidiFile;
using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

TEST(EventModel, DataViewsStayValidWhileTheFileLives) {
  TMidiFile moved;
  {
    // The source bytes die before the file is used; the file moves.
    std::string bytes = Smf(0, 96,
                            {Track()
                                 .Meta(0, 0x03, "title")
                                 .Raw(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})
                                 .Meta(0, 0x01, std::string(200, 'y'))
                                 .Meta(0, 0x59, "")  // no data
                                 // A length field of seven bytes: the leading ones carry bits that fall away.
                                 .Raw(0, {0xFF, 0x51, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x03, 0x06, 0x1A, 0x80})});
    TMidiFile file;
    file.ReadBytes(bytes);
    bytes.assign(bytes.size(), '\0');
    moved = std::move(file);
  }
  const auto events = moved.GetTrack(0).Events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(ByteView(events[0].DataBytes), "title");
  EXPECT_EQ(moved.GetTrack(0).TrackName(), "title");
  EXPECT_EQ(ByteView(events[1].DataBytes), Bytes({0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(ByteView(events[2].DataBytes), std::string(200, 'y'));
  EXPECT_EQ(events[2].Data2, 200);
  EXPECT_TRUE(events[3].DataBytes.empty());
  EXPECT_EQ(ByteView(events[4].DataBytes), Bytes({0x06, 0x1A, 0x80}));
  EXPECT_EQ(events[4].Data2, 3);
  EXPECT_EQ(moved.Bpm(), 150);  // 400,000 microseconds per quarter note: the tempo was applied
  // Channel events carry no data.
  TMidiFile notes;
  notes.ReadBytes(Smf(0, 96, {Track().NoteOn(0, 0, 60, 1)}));
  EXPECT_TRUE(notes.GetTrack(0).GetEvent(0)->DataBytes.empty());
}

TEST(EventModel, CopiesChangeFreelyAndCanCarryNewData) {
  TMidiFile file;
  file.ReadBytes(Smf(0, 96, {Track().Tempo(0, 500000).NoteOn(5, 1, 60, 100)}));
  const TMidiEvent& tempo = *file.GetTrack(0).GetEvent(0);

  TMidiEvent copy = tempo;
  const TEventBytes faster(Bytes({0x03, 0xD0, 0x90}));
  copy.DataBytes = faster;
  copy.DeltaTime = 7;
  EXPECT_EQ(ByteView(copy.DataBytes), Bytes({0x03, 0xD0, 0x90}));
  EXPECT_EQ(ByteView(tempo.DataBytes), Bytes({0x07, 0xA1, 0x20}));  // the loaded event is untouched
  EXPECT_EQ(tempo.DeltaTime, 0);

  // New data of any length, none included.
  for (size_t length : {size_t{0}, size_t{1}, size_t{127}, size_t{128}, size_t{20000}}) {
    const TEventBytes data(std::string(length, 'z'));
    copy.DataBytes = data;
    EXPECT_EQ(ByteView(copy.DataBytes), std::string(length, 'z'));
  }
  // A loaded event changed in place stays changed.
  file.GetTrack(0).GetEvent(1)->Data2 = 1;
  EXPECT_EQ(file.GetTrack(0).Events()[1].Data2, 1);
}

TEST(EventModel, DenseTracksFillTheirRoomExactlyWithoutOverlap) {
  // Data bytes before any status are events of one byte each: a chunk of n
  // such bytes holds n - 1 events, the most any chunk of n bytes can hold.
  const std::string dense(3000, '\x05');
  TMidiFile file;
  file.ReadBytes(Smf(1, 96, {dense, Track().NoteOn(0, 2, 61, 9).EndOfTrack(), dense}));
  ASSERT_EQ(file.NumberOfTracks(), 3);
  for (int32_t t : {0, 2}) {
    ASSERT_EQ(file.GetTrack(t).EventCount(), 2999);
    EXPECT_EQ(file.GetTrack(t).TrackLength(), 2999 * 5);
    EXPECT_EQ(file.GetTrack(t).Events()[1234].Status, 0);
  }
  EXPECT_EQ(file.GetTrack(1).GetEvent(0)->Data1, 61);
  EXPECT_TRUE(file.GetTrack(1).GetEvent(1)->IsEndOfTrack());
  // A second load replaces everything.
  file.ReadBytes(Smf(0, 96, {Track().Meta(0, 0x04, "organ")}));
  EXPECT_EQ(file.NumberOfTracks(), 1);
  EXPECT_EQ(file.GetTrack(0).InstrumentName(), "organ");
}
