// The SMAF conversion's passes over whole lists of entries, as the tests
// look at each pass apart; the conversion itself takes every entry through
// all passes at once (convert.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "chimekit/smaf/collect.h"
#include "chimekit/smaf/encode.h"
#include "chimekit/smaf/slots.h"

namespace smaf_lists {

using chimekit::smaf::TSmafEvent;

struct TCollected {
  // The entries in track order, then the end marker (only when there is at
  // least one entry).
  std::vector<TSmafEvent> events;
  chimekit::smaf::TSmafTags tags;
};

// The whole walk of a TCollector.
inline TCollected CollectEvents(const midifile::TMidiTrack& track, int64_t tempo_product) {
  chimekit::smaf::TCollector collector(track, tempo_product);
  TCollected collected;
  TSmafEvent entry;
  while (collector.Next(entry)) collected.events.push_back(entry);
  collected.tags = collector.Tags();
  return collected;
}

// The whole list through a TSlotAllocator; the notes that found no slot.
inline int32_t AllocateSlots(std::vector<TSmafEvent>& events) {
  chimekit::smaf::TSlotAllocator allocator;
  int32_t notes_without_slot = 0;
  for (TSmafEvent& event : events) {
    const bool note = event.Kind() == 0x90;
    if (!allocator.Assign(event) && note) ++notes_without_slot;
  }
  return notes_without_slot;
}

// The whole list through TBodyClocks.
inline void ConvertToDeltas(std::vector<TSmafEvent>& events) {
  chimekit::smaf::TBodyClocks clocks;
  for (TSmafEvent& event : events) clocks.ToDelta(event);
}

// The whole list through a TSequenceEncoder; the notes written.
inline int32_t EncodeEvents(const std::vector<TSmafEvent>& events, int32_t timebase_ms,
                            chimekit::smaf::TVoiceSetup& voices, chimekit::smaf::TSequenceBodies& bodies) {
  chimekit::smaf::TSequenceEncoder encoder(timebase_ms, voices, bodies);
  int32_t notes_written = 0;
  for (const TSmafEvent& event : events) notes_written += encoder.Encode(event) ? 1 : 0;
  return notes_written;
}

}  // namespace smaf_lists
