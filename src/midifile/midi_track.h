// One MTrk chunk: the events of a track in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/midi_event.h"
#include "midifile/rounding.h"

namespace midifile {

// Index from (channel, key) to the newest 9n event of a track, so that each
// note-off finds its note-on in constant time. One index serves all tracks
// of a load; Reset() clears only the entries the last track touched.
class NotePairing {
 public:
  static constexpr int32_t kNone = -1;
  int32_t Find(uint8_t status, uint8_t key) const { return static_cast<int32_t>(newest_[Slot(status, key)] - 1); }
  void Remember(uint8_t status, uint8_t key, int32_t event_index) {
    size_t slot = Slot(status, key);
    if (newest_[slot] == 0) touched_.push_back(slot);
    newest_[slot] = static_cast<uint32_t>(event_index) + 1;
  }
  void Reset();

 private:
  static size_t Slot(uint8_t status, uint8_t key) { return (static_cast<size_t>(status & 0x0F) << 8) | key; }
  // Index + 1 of the newest 9n event per slot; 0 for none, so that the
  // index starts as zeroed memory.
  std::vector<uint32_t> newest_ = std::vector<uint32_t>(16 * 256);
  std::vector<size_t> touched_;
};

// A track's events are one run of the loaded file's event array
// (TEventArray), which the file owns; the model has no insertion. Exports
// walk the events, may change them in place or copy them, and write what
// they want to keep. A track lives as long as its file and is not copied.
class TMidiTrack {
 public:
  TMidiTrack() = default;
  TMidiTrack(const TMidiTrack&) = delete;
  TMidiTrack& operator=(const TMidiTrack&) = delete;
  TMidiTrack(TMidiTrack&&) = default;
  TMidiTrack& operator=(TMidiTrack&&) = default;

  int32_t EventCount() const { return static_cast<int32_t>(count_); }
  // The event at a 0-based index, or null outside 0 .. EventCount() - 1.
  PMidiEvent GetEvent(int32_t index) {
    return index < 0 || index >= EventCount() ? nullptr : &events_[static_cast<size_t>(index)];
  }
  const TMidiEvent* GetEvent(int32_t index) const {
    return index < 0 || index >= EventCount() ? nullptr : &events_[static_cast<size_t>(index)];
  }
  // Time of the last event; 0 for a track without events.
  int32_t TrackLength() const { return count_ == 0 ? 0 : events_[count_ - 1].Time; }
  // Data of the last sequence/track name (03) and instrument name (04)
  // meta events of the track.
  ByteView TrackName() const { return track_name_; }
  ByteView InstrumentName() const { return instrument_name_; }
  // Running absolute time while the track is read; then the time of its last
  // event.
  int32_t EndTime() const { return end_time_; }

  std::span<const TMidiEvent> Events() const { return {events_, count_}; }
  std::span<TMidiEvent> Events() { return {events_, count_}; }

  // Where the track's events are (and are written while it is read), with
  // room for `room` of them; set by the reader.
  void UseStorage(TMidiEvent* storage, size_t room) {
    events_ = storage;
    room_ = room;
  }
  // Appends an event while the track is read: sets its Time, names the
  // track, and pairs note-offs with the nearest earlier 9n event of the same
  // channel and key (through the reader's pairing index).
  void AddEvent(TMidiEvent event, NotePairing& pairing) {
    if (count_ == room_) throw std::length_error("more events than the track's storage holds");
    end_time_ = WrappingAdd(end_time_, event.DeltaTime);
    event.Time = end_time_;
    event.Duration = 0;
    const uint8_t kind = event.Status & 0xF0;
    if (kind == 0x80 || kind == 0x90) {
      PairNote(event, pairing);
    } else if (event.IsMeta(0x03)) {
      track_name_ = event.DataBytes;
    } else if (event.IsMeta(0x04)) {
      instrument_name_ = event.DataBytes;
    }
    events_[count_++] = event;
  }

 private:
  // Pairs a note-off with the nearest earlier 9n event of its channel and
  // key; remembers a 9n event (whatever its velocity) as the next to pair.
  void PairNote(TMidiEvent& event, NotePairing& pairing) {
    const bool note_on = (event.Status & 0xF0) == 0x90;
    if (!note_on || event.Data2 == 0) {
      // Whatever its velocity and whether or not it was paired before.
      int32_t found = pairing.Find(static_cast<uint8_t>(0x90 | (event.Status & 0x0F)), event.Data1);
      if (found != NotePairing::kNone) {
        TMidiEvent& paired = events_[static_cast<size_t>(found)];
        paired.Duration = WrappingSub(end_time_, paired.Time);
        event.Duration = -1;
      }
    }
    if (note_on) pairing.Remember(event.Status, event.Data1, static_cast<int32_t>(count_));
  }

  TMidiEvent* events_ = nullptr;
  size_t count_ = 0;
  size_t room_ = 0;
  TEventData track_name_;
  TEventData instrument_name_;
  int32_t end_time_ = 0;
};

}  // namespace midifile
