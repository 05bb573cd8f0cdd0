// A song built in memory, event by event, into the same model the reader
// loads: what the reader would load from the bytes of those events is what
// the builder gives (absolute times as wrapping 32-bit sums of the deltas,
// note pairing, track names, the file's single tempo), without writing or
// reading a byte. WriteSong (song_writer.h) writes such a song out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/event_array.h"
#include "midifile/midi_file.h"

namespace midifile {

class TSongBuilder {
 public:
  // A song of `format` whose header gives `division` ticks per quarter
  // note; room is made for `events` events (it grows beyond).
  TSongBuilder(TFileFormat format, uint16_t division, size_t events = 0);

  // Starts the next track; the events added from now on are its own.
  void BeginTrack();
  // Appends an event to the track begun last. Channel messages keep the
  // data bytes their status has (C0-DF: one); meta (FF) and system
  // exclusive (F0, F7) events take `data`, copied, and their Data2 is its
  // length's low 8 bits.
  void Add(uint8_t status, uint8_t data1, uint8_t data2, int32_t delta, ByteView data = {});
  // The events added so far, in all tracks.
  size_t EventCount() const { return events_.size(); }

  TMidiFile Finish();

 private:
  struct Track {
    size_t first = 0;  // index of its first event
    size_t to_end = 0;   // events up to its first end of track; 0 while there is none
    size_t name = kNone, instrument = kNone;  // the last 03 and 04 meta events
    int32_t time = 0;
    uint32_t tempo = 0;  // its last tempo, as the reader takes tempo events
  };
  static constexpr size_t kNone = SIZE_MAX;

  TMidiFile file_;
  TEventArray events_;
  std::vector<Track> tracks_;
  // The data of meta and system-exclusive events, each behind its length
  // field as a file holds it, and where each event's data begins.
  ByteString data_;
  std::vector<std::pair<size_t, size_t>> data_of_;
  NotePairing pairing_;
};

}  // namespace midifile
