// The song model in memory: the faithful writer gives back what the reader
// read, and a song built event by event is the song the reader loads from
// the same events' bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midifile/midi_file.h"
#include "midifile/song_builder.h"
#include "midifile/song_writer.h"
#include "support/smf_builder.h"

using midifile::ByteView;
using midifile::TMidiEvent;
using midifile::TMidiFile;
using test_support::Bytes;
using test_support::Chunk;
using test_support::Header;
using test_support::Smf;
using test_support::Track;

namespace {

TMidiFile Read(const std::string& bytes) {
  TMidiFile file;
  file.ReadBytes(bytes);
  return file;
}

// Everything a loaded song holds, compared field by field.
void ExpectSameSong(const TMidiFile& a, const TMidiFile& b, const std::string& label) {
  ASSERT_EQ(a.NumberOfTracks(), b.NumberOfTracks()) << label;
  EXPECT_EQ(a.FileFormat(), b.FileFormat()) << label;
  EXPECT_EQ(a.TicksPerQuarter(), b.TicksPerQuarter()) << label;
  EXPECT_EQ(a.Bpm(), b.Bpm()) << label;
  EXPECT_EQ(a.TickDuration(), b.TickDuration()) << label;
  for (int32_t t = 0; t < a.NumberOfTracks(); ++t) {
    const auto x = a.GetTrack(t).Events(), y = b.GetTrack(t).Events();
    ASSERT_EQ(x.size(), y.size()) << label << " track " << t;
    EXPECT_EQ(a.GetTrack(t).ToEndOfTrack().size(), b.GetTrack(t).ToEndOfTrack().size()) << label;
    EXPECT_EQ(a.GetTrack(t).TrackName(), b.GetTrack(t).TrackName()) << label;
    EXPECT_EQ(a.GetTrack(t).InstrumentName(), b.GetTrack(t).InstrumentName()) << label;
    for (size_t i = 0; i < x.size(); ++i) {
      const TMidiEvent &e = x[i], &f = y[i];
      const std::string at = label + " track " + std::to_string(t) + " event " + std::to_string(i);
      EXPECT_EQ(e.Status, f.Status) << at;
      EXPECT_EQ(e.Data1, f.Data1) << at;
      EXPECT_EQ(e.Data2, f.Data2) << at;
      EXPECT_EQ(e.DeltaTime, f.DeltaTime) << at;
      EXPECT_EQ(e.Time, f.Time) << at;
      EXPECT_EQ(e.Duration, f.Duration) << at;
      EXPECT_EQ(ByteView(e.DataBytes), ByteView(f.DataBytes)) << at;
    }
  }
}

// Songs with every kind of event the reader takes, each in an odd place.
std::vector<std::pair<std::string, std::string>> Songs() {
  const std::string five_byte_delta = Bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F});  // 0xFFFFFFFF: -1 as a delta
  return {
      {"notes, running status, a pairing of two note-ons", Smf(0, 96, {Track()
                                                                        .Meta(0, 0x03, "title")
                                                                        .Raw(0, {0x90, 60, 100})
                                                                        .Raw(10, {60, 90})
                                                                        .Raw(10, {60, 0})
                                                                        .NoteOff(5, 0, 60)
                                                                        .Tempo(0, 400000)
                                                                        .EndOfTrack(7)})},
      {"system exclusive, system events, a short tempo, events after the end",
       Smf(1, 480, {Track()
                        .Raw(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})
                        .Raw(3, {0xF7, 0x01, 0x42})
                        .Raw(0, {0xF6})
                        .Raw(2, {0xFE})
                        .Meta(0, 0x51, Bytes({0x07, 0xA1}))
                        .Meta(0, 0x04, "piano")
                        .EndOfTrack()
                        .Program(4, 3, 0x85)  // a stray high data byte
                        .Raw(0, {0xD3, 0x40}),
                    Track().Control(0, 9, 7, 100).NoteOn(0, 9, 36, 1)})},  // no end of track
      {"a delta beyond 31 bits, time code division, format 2",
       Smf(2, 0xE728, {std::string(Track().NoteOn(0, 1, 40, 64)) + five_byte_delta + Bytes({0x81, 40, 0}) +
                           std::string(Track().EndOfTrack())})},
      {"a header after the tracks, an empty track, a chunk skipped",
       Chunk("MTrk", Track().NoteOn(0, 0, 1, 1)) + Chunk("MTxx", "skipped") + Header(1, 9, 120) + Chunk("MTrk", "")},
  };
}

}  // namespace

TEST(SongModel, WhatTheReaderReadsTheWriterWritesBack) {
  for (const auto& [label, bytes] : Songs()) {
    const TMidiFile read = Read(bytes);
    const std::string written = midifile::WriteSong(read);
    ExpectSameSong(read, Read(written), label);
    EXPECT_EQ(midifile::WriteSong(Read(written)), written) << label;
  }
}

TEST(SongModel, AnEventWithoutStatusIsLeftOutAndItsDeltaPassesOn) {
  // A delta before any status byte: an event of status 0 that holds nothing
  // (the byte after it is the next event's delta).
  const TMidiFile read = Read(Smf(0, 96, {Track().Raw(7, {}).NoteOn(5, 0, 60, 1).EndOfTrack()}));
  ASSERT_EQ(read.GetTrack(0).EventCount(), 3);
  const TMidiFile again = Read(midifile::WriteSong(read));
  ASSERT_EQ(again.GetTrack(0).EventCount(), 2);
  EXPECT_EQ(again.GetTrack(0).GetEvent(0)->DeltaTime, 12);
  EXPECT_EQ(again.GetTrack(0).GetEvent(0)->Time, read.GetTrack(0).GetEvent(1)->Time);
}

TEST(SongModel, ABuiltSongIsTheSongReadFromTheSameEvents) {
  for (const auto& [label, bytes] : Songs()) {
    const TMidiFile read = Read(bytes);
    midifile::TSongBuilder builder(read.FileFormat(), static_cast<uint16_t>(read.TicksPerQuarter()));
    for (int32_t t = 0; t < read.NumberOfTracks(); ++t) {
      builder.BeginTrack();
      for (const TMidiEvent& event : read.GetTrack(t).Events()) {
        builder.Add(event.Status, event.Data1, event.Data2, event.DeltaTime, event.DataBytes);
      }
    }
    ExpectSameSong(builder.Finish(), read, label);
  }
}
