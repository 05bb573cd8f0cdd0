// One MTrk chunk: the events of a track in file order.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/midi_event.h"

namespace midifile {

class NotePairing;

class TMidiTrack {
 public:
  TMidiTrack() = default;

  int32_t EventCount() const { return static_cast<int32_t>(events_.size()); }
  // The event at a 0-based index, or null outside 0 .. EventCount() - 1.
  PMidiEvent GetEvent(int32_t index) {
    return index < 0 || index >= EventCount() ? nullptr : &events_[static_cast<size_t>(index)];
  }
  const TMidiEvent* GetEvent(int32_t index) const {
    return index < 0 || index >= EventCount() ? nullptr : &events_[static_cast<size_t>(index)];
  }
  // Time of the last event; 0 for a track without events.
  int32_t TrackLength() const { return events_.empty() ? 0 : events_.back().Time; }
  // Data of the last sequence/track name (03) and instrument name (04)
  // meta events of the track.
  const ByteString& TrackName() const { return track_name_; }
  const ByteString& InstrumentName() const { return instrument_name_; }
  // Running absolute time while the track is read; then the time of its last
  // event.
  int32_t EndTime() const { return end_time_; }

  const std::vector<TMidiEvent>& Events() const { return events_; }
  std::vector<TMidiEvent>& Events() { return events_; }

  // Appends an event while the track is read: sets its Time, names the
  // track, and pairs note-offs with the nearest earlier 9n event of the same
  // channel and key (through the reader's pairing index).
  void AddEvent(TMidiEvent event, NotePairing& pairing);

 private:
  std::vector<TMidiEvent> events_;
  ByteString track_name_;
  ByteString instrument_name_;
  int32_t end_time_ = 0;
};

// Index from (channel, key) to the newest 9n event of a track, so that each
// note-off finds its note-on in constant time. One index serves all tracks
// of a load; Reset() clears only the entries the last track touched.
class NotePairing {
 public:
  NotePairing();
  static constexpr int32_t kNone = -1;
  int32_t Find(uint8_t status, uint8_t key) const { return newest_[Slot(status, key)]; }
  void Remember(uint8_t status, uint8_t key, int32_t event_index);
  void Reset();

 private:
  static size_t Slot(uint8_t status, uint8_t key) { return (static_cast<size_t>(status & 0x0F) << 8) | key; }
  std::vector<int32_t> newest_;
  std::vector<size_t> touched_;
};

}  // namespace midifile
