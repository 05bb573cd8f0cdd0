// Collection: the playable events of a track become list entries with
// millisecond times and the channel settings in force for them; text,
// copyright and name events become the tags of the content information.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "chimekit/smaf/recent_results.h"
#include "chimekit/smaf/smaf_event.h"
#include "midifile/bytes.h"
#include "midifile/midi_track.h"

namespace chimekit::smaf {

// The three tags of the content information, built from meta events of
// type 1 (vendor), 2 (copyright) and 3 (title).
struct TSmafTags {
  midifile::ByteString vendor;
  midifile::ByteString copyright;
  midifile::ByteString title;

  // Adds the text of a meta event of type 1, 2 or 3: the first text of a
  // tag gets its prefix ("VN:", "CR:", "ST:"), later ones "; "; each text
  // is followed by ",". Other types are ignored.
  void Add(uint8_t meta_type, midifile::ByteView text);
  // The option text: vendor, copyright and title concatenated; trailing
  // commas collapse into one, and the text always ends with one comma.
  midifile::ByteString OptionText() const;
};

// k ticks in milliseconds when tempo_product = ticks per quarter x beats
// per minute: k / (q / 60) x 1000 in double precision, rounded halves to
// even; negative results give 0 and results beyond the 32-bit range are
// saturated. A product that is not positive gives 0.
int32_t TicksToMs(int64_t ticks, int64_t tempo_product);

// Walks a track up to and including its first end-of-track event and hands
// out its entries one at a time, in track order: every note-on with a
// positive velocity and a positive length, every channel pressure and every
// pitch bend, then the end marker (only when there was at least one entry).
// The track must outlive the collector.
class TCollector {
 public:
  TCollector(const midifile::TMidiTrack& track, int64_t tempo_product);

  // The next entry; false when the walk is over.
  bool Next(TSmafEvent& entry);
  // The tags of the events walked so far.
  const TSmafTags& Tags() const { return tags_; }
  // The index in the track of the event the last entry came from.
  uint32_t EventIndex() const { return static_cast<uint32_t>(next_ - 1); }

 private:
  struct TicksInMs {
    int64_t tempo_product;
    int32_t operator()(int64_t ticks) const { return TicksToMs(ticks, tempo_product); }
  };

  // An event that makes no entry: a controller or program into its
  // channel's settings, a text into the tags; the end of track ends the
  // walk.
  void TakeSetting(const midifile::TMidiEvent& event);

  std::span<const midifile::TMidiEvent> events_;
  size_t next_ = 0;
  // The settings an entry takes from its MIDI channel, the volume already
  // in the entry's scale.
  std::array<TSmafSettings, 16> channels_;
  int64_t running_ms_ = 0;
  int64_t latest_end_ = 0;
  bool any_entry_ = false;
  bool marker_given_ = false;
  TRecentResults<int32_t, TicksInMs> ms_;
  TSmafTags tags_;
};

}  // namespace chimekit::smaf
