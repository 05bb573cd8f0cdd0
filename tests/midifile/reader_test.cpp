// Loading SMF bytes into tracks and events.
#include <gtest/gtest.h>

#include "midifile/errors.h"
#include "midifile/midi_file.h"
#include "support/load_midi.h"
#include "support/smf_builder.h"

using midifile::ByteView;
using midifile::TFileFormat;
using midifile::TMidiEvent;
using midifile::TMidiFile;
using test_support::Bytes;
using test_support::Chunk;
using test_support::Header;
using test_support::Smf;
using test_support::Track;

namespace {

TMidiFile Load(const std::string& bytes) { return test_support::LoadMidi(bytes); }

TMidiFile LoadTrack(const std::string& track_content) { return Load(Smf(0, 96, {track_content})); }

}  // namespace

TEST(Reader, EmptyFileHasNoTracksAndNoDivision) {
  TMidiFile file = Load("");
  EXPECT_EQ(file.NumberOfTracks(), 0);
  EXPECT_EQ(file.TicksPerQuarter(), 0);
  EXPECT_EQ(file.FileFormat(), TFileFormat::single);
  EXPECT_EQ(file.SongLengthMs(), 0);
}

TEST(Reader, HeaderFieldsAndRealTrackCount) {
  // The header announces 5 tracks, the file holds 2: the count is the real one.
  std::string bytes = Chunk("MThd", Bytes({0, 1, 0, 5, 0x01, 0xE0})) + Chunk("MTrk", "") + Chunk("MTrk", "");
  TMidiFile file = Load(bytes);
  EXPECT_EQ(file.FileFormat(), TFileFormat::multi_synch);
  EXPECT_EQ(file.TicksPerQuarter(), 480);
  EXPECT_EQ(file.NumberOfTracks(), 2);
  EXPECT_EQ(Load(Header(2, 1, 96)).FileFormat(), TFileFormat::multi_asynch);
  // An unknown format value leaves the format as it was; an SMPTE division
  // is taken as a plain count.
  EXPECT_EQ(Load(Header(7, 0, 0xE728)).FileFormat(), TFileFormat::single);
  EXPECT_EQ(Load(Header(7, 0, 0xE728)).TicksPerQuarter(), 0xE728);
}

TEST(Reader, SecondHeaderWinsAndShortHeaderReadsZeros) {
  TMidiFile two = Load(Header(1, 1, 96) + Header(0, 1, 480));
  EXPECT_EQ(two.TicksPerQuarter(), 480);
  EXPECT_EQ(two.FileFormat(), TFileFormat::single);
  TMidiFile short_header = Load(Chunk("MThd", Bytes({0, 1, 0, 1, 0x02})));
  EXPECT_EQ(short_header.FileFormat(), TFileFormat::multi_synch);
  EXPECT_EQ(short_header.TicksPerQuarter(), 0x0200);
  EXPECT_DOUBLE_EQ(short_header.TickDuration(), 500000.0 / 512);
  // A longer header is read from its first six bytes; the rest is skipped.
  EXPECT_EQ(Load(Chunk("MThd", Bytes({0, 0, 0, 1, 0, 96, 9, 9})) + Chunk("MTrk", "")).NumberOfTracks(), 1);
}

TEST(Reader, UnknownChunks) {
  // "MT" chunks other than MThd/MTrk are skipped by their length; any other
  // identifier consumes only its 8 header bytes, whatever its length says.
  std::string bytes = Header(0, 1, 96) + Chunk("MTxx", Bytes({1, 2, 3})) + "RIFF" + Bytes({0xFF, 0xFF, 0xFF, 0xFF}) +
                      Chunk("MTrk", Track().NoteOn(0, 0, 60, 100).EndOfTrack());
  TMidiFile file = Load(bytes);
  ASSERT_EQ(file.NumberOfTracks(), 1);
  EXPECT_EQ(file.GetTrack(0).EventCount(), 2);
}

TEST(Reader, TruncationIsReadBeyondEndOfFile) {
  std::string whole = Smf(0, 96, {Track().NoteOn(0, 0, 60, 100).EndOfTrack()});
  for (size_t cut = 1; cut < whole.size(); ++cut) {
    if (cut == 14) continue;  // the header chunk alone is a whole file
    TMidiFile file;
    try {
      file.ReadBytes(std::string_view(whole).substr(0, cut));
      ADD_FAILURE() << "no failure at length " << cut;
    } catch (const midifile::InOutError& error) {
      EXPECT_STREQ(error.what(), "Read beyond end of file");
    }
  }
  // A length field far beyond the file fails without trying to hold it.
  std::string huge = Header(0, 1, 96) + "MTrk" + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0x90});
  TMidiFile file;
  EXPECT_THROW(file.ReadBytes(huge), midifile::InOutError);
  // Tracks read before the failure stay loaded.
  EXPECT_EQ(file.NumberOfTracks(), 0);
  TMidiFile partial;
  EXPECT_THROW(partial.ReadBytes(whole + "MTr"), midifile::InOutError);
  EXPECT_EQ(partial.NumberOfTracks(), 1);
  // The count is the real one also when the header announced more.
  TMidiFile header_only;
  EXPECT_THROW(header_only.ReadBytes(Header(1, 4, 96) + "MTrkMT"), midifile::InOutError);
  EXPECT_EQ(header_only.NumberOfTracks(), 0);
}

TEST(Reader, RunningStatusAndNotePairing) {
  TMidiFile file = LoadTrack(Bytes({0x00, 0x90, 0x3C, 0x64, 0x10, 0x3C, 0x00}));
  const auto& events = file.GetTrack(0).Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Status, 0x90);
  EXPECT_EQ(events[0].Data1, 0x3C);
  EXPECT_EQ(events[0].Data2, 0x64);
  EXPECT_EQ(events[0].Time, 0);
  EXPECT_EQ(events[0].Duration, 16);
  EXPECT_EQ(events[1].Status, 0x90);
  EXPECT_EQ(events[1].Time, 16);
  EXPECT_EQ(events[1].Duration, -1);
}

TEST(Reader, NotePairingTakesNearestEarlierNoteOnOfSameChannelAndKey) {
  // Two note-ons of one key, two 8n note-offs: both pair with the second.
  TMidiFile a = LoadTrack(Track().NoteOn(0, 0, 60, 100).NoteOn(10, 0, 60, 100).NoteOff(10, 0, 60).NoteOff(10, 0, 60));
  const auto& ea = a.GetTrack(0).Events();
  EXPECT_EQ(ea[0].Duration, 0);
  EXPECT_EQ(ea[1].Duration, 20);
  EXPECT_EQ(ea[2].Duration, -1);
  EXPECT_EQ(ea[3].Duration, -1);
  // A first note-off of the form 9n velocity 0 is itself taken by the next
  // note-off, which overwrites its -1 with a length.
  TMidiFile b = LoadTrack(Track().NoteOn(0, 0, 60, 100).NoteOn(10, 0, 60, 100).NoteOn(10, 0, 60, 0).NoteOff(5, 0, 60));
  const auto& eb = b.GetTrack(0).Events();
  EXPECT_EQ(eb[1].Duration, 10);
  EXPECT_EQ(eb[2].Duration, 5);
  EXPECT_EQ(eb[3].Duration, -1);
  // Other channels and keys are not taken; an unmatched note-off keeps 0.
  TMidiFile c = LoadTrack(Track().NoteOn(0, 1, 60, 100).NoteOn(0, 0, 61, 100).NoteOff(7, 0, 60));
  const auto& ec = c.GetTrack(0).Events();
  EXPECT_EQ(ec[0].Duration, 0);
  EXPECT_EQ(ec[1].Duration, 0);
  EXPECT_EQ(ec[2].Duration, 0);
  // Pairing does not reach across tracks.
  TMidiFile d = Load(Smf(1, 96, {Track().NoteOn(0, 0, 60, 100), Track().NoteOff(5, 0, 60)}));
  EXPECT_EQ(d.GetTrack(0).Events()[0].Duration, 0);
  EXPECT_EQ(d.GetTrack(1).Events()[0].Duration, 0);
}

TEST(Reader, SysExMetaAndNames) {
  TMidiFile file = LoadTrack(Bytes({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00}));
  const auto& events = file.GetTrack(0).Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].Status, 0xF0);
  EXPECT_EQ(ByteView(events[0].DataBytes), Bytes({0x7E, 0x7F, 0x09, 0x01, 0xF7}));
  EXPECT_EQ(events[0].Data2, 5);
  EXPECT_TRUE(events[1].IsEndOfTrack());
  EXPECT_EQ(events[1].Time, 0);

  TMidiFile meta = LoadTrack(Track()
                                 .Meta(0, 0x59, Bytes({0, 0}))
                                 .Meta(0, 0x03, "first")
                                 .Meta(0, 0x04, "piano")
                                 .Meta(0, 0x03, "second")
                                 .Meta(0, 0x01, std::string(300, 'x')));
  const auto& m = meta.GetTrack(0).Events();
  EXPECT_EQ(ByteView(m[0].DataBytes), Bytes({0, 0}));
  EXPECT_EQ(m[0].Data2, 2);
  EXPECT_EQ(meta.GetTrack(0).TrackName(), "second");
  EXPECT_EQ(meta.GetTrack(0).InstrumentName(), "piano");
  EXPECT_EQ(m[4].Data2, 300 & 0xFF);
  EXPECT_EQ(m[4].DataBytes.size(), 300u);
}

TEST(Reader, ShortTracksAndStatuslessEvents) {
  EXPECT_EQ(LoadTrack("").GetTrack(0).EventCount(), 0);
  EXPECT_EQ(LoadTrack(Bytes({0x00})).GetTrack(0).EventCount(), 0);
  EXPECT_EQ(LoadTrack("").GetTrack(0).TrackLength(), 0);
  // A data byte before any status: an event of status 0 that consumes
  // nothing more; the data byte is then read as the next delta time.
  TMidiFile file = LoadTrack(Bytes({0x05, 0x3C, 0x07, 0x90, 0x3C, 0x40}));
  const auto& events = file.GetTrack(0).Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].Status, 0);
  EXPECT_EQ(events[0].Time, 5);
  EXPECT_EQ(events[1].Status, 0);
  EXPECT_EQ(events[1].DeltaTime, 0x3C);
  EXPECT_EQ(events[2].Status, 0x90);
  EXPECT_EQ(events[2].Time, 5 + 0x3C + 7);
  // F1-FE other than F7 carry no data and become the running status.
  TMidiFile realtime = LoadTrack(Bytes({0x00, 0xF8, 0x00, 0xFA, 0x03, 0x00}));
  const auto& r = realtime.GetTrack(0).Events();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].Status, 0xF8);
  EXPECT_EQ(r[1].Status, 0xFA);
  EXPECT_EQ(r[2].Status, 0xFA);
  EXPECT_EQ(r[2].Time, 3);
}

TEST(Reader, EventsCutOffByTheChunkEndAreDropped) {
  // A note-on missing its velocity, a meta event whose data runs past the
  // chunk, a delta time that never ends: the events before stay.
  for (const std::string& tail : {Bytes({0x00, 0x90, 0x3C}), Bytes({0x00, 0xFF, 0x01, 0x05, 'a', 'b'}),
                                  Bytes({0x00, 0xF0, 0x81}), Bytes({0x81, 0x80}), Bytes({0x00, 0xFF, 0x2F})}) {
    TMidiFile file = LoadTrack(Track().NoteOn(0, 0, 60, 100).bytes() + tail);
    EXPECT_EQ(file.GetTrack(0).EventCount(), 1);
  }
  // Huge data lengths do not allocate: they are simply cut off.
  TMidiFile huge = LoadTrack(Bytes({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}));
  EXPECT_EQ(huge.GetTrack(0).EventCount(), 0);
}

TEST(Reader, VariableLengthQuantities) {
  // Five bytes are accepted: 81 80 80 80 00 is 2^28.
  TMidiFile five = LoadTrack(Bytes({0x81, 0x80, 0x80, 0x80, 0x00, 0xC0, 0x01}));
  EXPECT_EQ(five.GetTrack(0).Events()[0].DeltaTime, 268435456);
  // Longer ones shift earlier bits out of the 32-bit value.
  TMidiFile six = LoadTrack(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01}));
  EXPECT_EQ(six.GetTrack(0).Events()[0].DeltaTime, -1);
  // Absolute times wrap as two's complement without undefined behaviour.
  TMidiFile wrap = LoadTrack(Bytes({0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01, 0x01, 0xC0, 0x02}));
  EXPECT_EQ(wrap.GetTrack(0).Events()[0].Time, 2147483647);
  EXPECT_EQ(wrap.GetTrack(0).Events()[1].Time, -2147483647 - 1);
}

TEST(Reader, TrackAccess) {
  TMidiFile file = Load(Smf(1, 96, {Track().Program(0, 0, 1), Track()}));
  EXPECT_NE(file.GetTrack(0).GetEvent(0), nullptr);
  EXPECT_EQ(file.GetTrack(0).GetEvent(1), nullptr);
  EXPECT_EQ(file.GetTrack(0).GetEvent(-1), nullptr);
  try {
    file.GetTrack(2);
    ADD_FAILURE();
  } catch (const midifile::ListIndexError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(file.GetTrack(-1), midifile::ListIndexError);
  // A second load starts from an empty track list.
  file.ReadBytes(Smf(0, 96, {Track()}));
  EXPECT_EQ(file.NumberOfTracks(), 1);
}
