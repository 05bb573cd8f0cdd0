// SMAF conversion, first passes: collecting entries and tags from the first
// track, allocating the sixteen slots, and turning times into deltas.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "chimekit/smaf/collect.h"
#include "chimekit/smaf/slots.h"
#include "midifile/midi_file.h"
#include "smaf_lists.h"
#include "support/smf_builder.h"

using smaf_lists::AllocateSlots;
using smaf_lists::CollectEvents;
using smaf_lists::ConvertToDeltas;
using smaf_lists::TCollected;
using chimekit::smaf::TicksToMs;
using chimekit::smaf::TSmafEvent;
using test_support::Bytes;
using test_support::Smf;
using test_support::Track;

namespace {

// Loads a one-track file and collects its entries, with the file's own
// division x tempo.
TCollected Collect(const std::string& track) {
  midifile::TMidiFile file;
  file.ReadBytes(Smf(0, 96, {track}));
  return CollectEvents(file.GetTrack(0), static_cast<int64_t>(file.TicksPerQuarter()) * file.Bpm());
}

TSmafEvent Entry(int32_t time, int32_t gate, int32_t status = 0x90) {
  TSmafEvent event;
  event.time = time;
  event.gate = gate;
  event.status = status;
  return event;
}

std::vector<int32_t> Slots(const std::vector<TSmafEvent>& events) {
  std::vector<int32_t> slots;
  for (const TSmafEvent& event : events) slots.push_back(event.status & 0x0F);
  return slots;
}

}  // namespace

TEST(SmafCollect, MillisecondsAreComputedInTheWrittenOrder) {
  // Division 96 at 100 bpm: 322 / 160 * 1000 is 2012.5000000000002 in double
  // precision, so it rounds up, while 322 * 60000 / 9600 would give 2012.
  EXPECT_EQ(TicksToMs(322, 9600), 2013);
  TCollected collected = Collect(Track().Tempo(0, 600000).NoteOn(322, 0, 60, 100).NoteOff(322, 0, 60));
  ASSERT_EQ(collected.events.size(), 2u);
  EXPECT_EQ(collected.events[0].time, 2013);
  EXPECT_EQ(collected.events[0].gate, 2013);
  EXPECT_EQ(collected.events[1].time, 4026);  // the end marker: latest end

  EXPECT_EQ(TicksToMs(-5, 6000), 0);
  EXPECT_EQ(TicksToMs(INT32_MAX, 3), INT32_MAX);  // saturated, not wrapped
  EXPECT_EQ(TicksToMs(100, 0), 0);
}

TEST(SmafCollect, OnlySoundingNotesPressureAndPitchBendBecomeEntries) {
  // A note-on of velocity 0 releases the first note; the following note-off
  // pairs with that release and gives it a positive length of its own.
  std::string track = Track()
                          .NoteOn(0, 0, 60, 100)
                          .NoteOn(96, 0, 60, 0)
                          .NoteOff(96, 0, 60)
                          .NoteOn(0, 1, 62, 100)   // never released
                          .NoteOn(0, 2, 64, 100)   // released on the same tick
                          .NoteOff(0, 2, 64)
                          .Raw(0, {0xA0, 60, 50})  // polyphonic pressure
                          .Raw(0, {0xF0, 1, 0xF7})
                          .Raw(96, {0xD3, 100})
                          .Raw(0, {0xE4, 0x00, 0x40});
  midifile::TMidiFile file;
  file.ReadBytes(Smf(0, 96, {track}));
  ASSERT_EQ(file.GetTrack(0).GetEvent(1)->Duration, 96);  // the reader let it happen

  TCollected collected = Collect(track);
  ASSERT_EQ(collected.events.size(), 4u);
  EXPECT_EQ(collected.events[0].status, 0x90);
  EXPECT_EQ(collected.events[0].gate, 500);
  EXPECT_EQ(collected.events[1].status, 0xD3);
  EXPECT_EQ(collected.events[1].byte1, 100);
  EXPECT_EQ(collected.events[1].time, 1500);
  EXPECT_EQ(collected.events[1].gate, 0);
  EXPECT_EQ(collected.events[2].status, 0xE4);
  EXPECT_EQ(collected.events[2].byte1, 0x00);
  EXPECT_EQ(collected.events[2].byte2, 0x40);
  EXPECT_EQ(collected.events[3].status, 0x80);  // end marker

  EXPECT_TRUE(Collect(Track().NoteOn(0, 0, 60, 100).EndOfTrack(10)).events.empty());
}

TEST(SmafCollect, ChannelSettingsTravelWithEachEntry) {
  std::string track = Track()
                          .Control(0, 0, 7, 127)
                          .Control(0, 0, 1, 30)
                          .Control(0, 0, 10, 90)
                          .Control(0, 0, 11, 5)  // ignored controller
                          .Program(0, 0, 40)
                          .Raw(0, {0xC1, 0xC5})  // a program with a stray top bit
                          .Control(0, 2, 0, 3)   // odd bank: drums
                          .Control(0, 3, 0, 3)
                          .Control(0, 3, 0, 2)  // even bank again
                          .NoteOn(0, 0, 60, 100)
                          .NoteOn(0, 1, 60, 100)
                          .NoteOn(0, 2, 60, 100)
                          .NoteOn(0, 3, 60, 100)
                          .NoteOn(0, 9, 60, 100)
                          .NoteOn(0, 15, 60, 100)
                          .NoteOff(96, 0, 60)
                          .NoteOff(0, 1, 60)
                          .NoteOff(0, 2, 60)
                          .NoteOff(0, 3, 60)
                          .NoteOff(0, 9, 60)
                          .NoteOff(0, 15, 60);
  TCollected collected = Collect(track);
  ASSERT_EQ(collected.events.size(), 7u);
  const TSmafEvent& first = collected.events[0];
  EXPECT_EQ(first.volume, 88);  // 127 -> 106 in the settings -> 88
  EXPECT_EQ(first.modulation, 30);
  EXPECT_EQ(first.pan, 90);
  EXPECT_EQ(first.program, 40);
  EXPECT_FALSE(first.drum);
  const TSmafEvent& second = collected.events[1];
  EXPECT_EQ(second.volume, 107);  // initial 128
  EXPECT_EQ(second.modulation, 64);
  EXPECT_EQ(second.pan, 0);
  EXPECT_EQ(second.program, 0x45);
  std::vector<bool> drums;
  for (const TSmafEvent& event : collected.events) drums.push_back(event.drum);
  EXPECT_EQ(drums, (std::vector<bool>{false, false, true, false, true, true, false}));

  const TSmafEvent& marker = collected.events.back();
  EXPECT_EQ(marker.time, 500);
  EXPECT_EQ(marker.gate, 0);
  EXPECT_EQ(marker.status, 0x80);
  EXPECT_EQ(marker.program, 0);
  EXPECT_EQ(marker.volume, 128);
  EXPECT_EQ(marker.modulation, 64);
  EXPECT_EQ(marker.pan, 0);
}

TEST(SmafCollect, EndOfTrackIsTheLastEventLookedAtAndTheMarkerTakesTheLatestEnd) {
  std::string track = Track()
                          .Meta(0, 0x01, "a")
                          .NoteOn(0, 0, 60, 100)
                          .NoteOn(96, 1, 62, 100)
                          .NoteOff(96, 1, 62)  // ends at 1000 ms
                          .NoteOff(192, 0, 60)  // ends at 2000 ms
                          .EndOfTrack(0)
                          .Meta(0, 0x01, "late")
                          .NoteOn(0, 0, 64, 100)
                          .NoteOff(96, 0, 64);
  TCollected collected = Collect(track);
  ASSERT_EQ(collected.events.size(), 3u);
  EXPECT_EQ(collected.events[0].time, 0);
  EXPECT_EQ(collected.events[1].time, 500);
  EXPECT_EQ(collected.events[2].time, 2000);
  EXPECT_EQ(collected.tags.vendor, "VN:a,");

}

TEST(SmafSlots, OneNoteAndItsEndMarker) {
  std::vector<TSmafEvent> events = {Entry(0, 1000), Entry(1000, 0, 0x80)};
  EXPECT_EQ(AllocateSlots(events), 0);
  EXPECT_EQ(Slots(events), (std::vector<int32_t>{15, 14}));
  EXPECT_EQ(events[0].status, 0x9F);
  EXPECT_EQ(events[1].status, 0x8E);
}

TEST(SmafSlots, OverlapAndLegatoNeedAnotherSlotButARestDoesNot) {
  std::vector<TSmafEvent> events = {
      Entry(0, 100),    // slot 15
      Entry(50, 100),   // overlaps: 14
      Entry(100, 100),  // legato after the first: strictly later is needed, 13
      Entry(160, 10),   // after a rest: the lowest free own slot, 14 (ended at 150)
      Entry(160, 10, 0x91),  // another channel: a slot never claimed, 12
  };
  EXPECT_EQ(AllocateSlots(events), 0);
  EXPECT_EQ(Slots(events), (std::vector<int32_t>{15, 14, 13, 14, 12}));

  // A zero-length entry at t lends its slot to any channel at the same t.
  std::vector<TSmafEvent> shared = {Entry(0, 0, 0xE0), Entry(0, 50, 0x93)};
  AllocateSlots(shared);
  EXPECT_EQ(Slots(shared), (std::vector<int32_t>{15, 15}));
}

TEST(SmafSlots, SeventeenNotesAtOnceAndReuseWhenAllSlotsAreClaimed) {
  std::vector<TSmafEvent> events;
  for (int i = 0; i < 17; ++i) events.push_back(Entry(0, 100 + i));  // slot 15 - i ends at 100 + i
  EXPECT_EQ(AllocateSlots(events), 1);
  EXPECT_EQ(events[15].status, 0x90);  // slot 0
  EXPECT_EQ(events[16].status, 0x80);  // no slot: silent

  // All sixteen claimed: a legato note of the channel takes its own slot
  // that ends exactly now, the higher-numbered one on equal ends...
  std::vector<TSmafEvent> legato;
  for (int i = 0; i < 16; ++i) legato.push_back(Entry(0, i < 2 ? 100 : 500));
  legato.push_back(Entry(100, 10));
  EXPECT_EQ(AllocateSlots(legato), 0);
  EXPECT_EQ(legato[16].status & 0x0F, 15);

  // ...and other channels take the slot that ended earliest, the
  // higher-numbered one on equal ends, until none has ended.
  std::vector<TSmafEvent> other;
  for (int i = 0; i < 16; ++i) other.push_back(Entry(0, i >= 14 ? 200 : 300));  // slots 1 and 0 end first
  other.push_back(Entry(250, 10, 0x95));
  other.push_back(Entry(250, 10, 0x96));
  other.push_back(Entry(250, 10, 0x97));
  EXPECT_EQ(AllocateSlots(other), 1);
  EXPECT_EQ(other[16].status, 0x91);
  EXPECT_EQ(other[17].status, 0x90);
  EXPECT_EQ(other[18].status, 0x80);
}

TEST(SmafSlots, DeltasAreCountedPerSequenceBody) {
  std::vector<TSmafEvent> events = {Entry(0, 0, 0x9F), Entry(100, 0, 0x93), Entry(250, 0, 0x9E),
                                    Entry(400, 0, 0x80), Entry(450, 0, 0x92)};
  ConvertToDeltas(events);
  std::vector<int32_t> times;
  for (const TSmafEvent& event : events) times.push_back(event.time);
  EXPECT_EQ(times, (std::vector<int32_t>{0, 100, 250, 300, 50}));
}
