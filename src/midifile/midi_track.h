// One MTrk chunk: the events of a track in file order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "midifile/buffer.h"
#include "midifile/bytes.h"
#include "midifile/midi_event.h"
#include "midifile/rounding.h"

namespace midifile {

// Index from (channel, key) to the newest 9n event of a track, so that each
// note-off finds its note-on in constant time. One index serves all tracks
// of a load. A channel's row of 256 keys is cleared when the track in hand
// first plays a note-on on the channel, so a load clears only the rows its
// tracks use.
class NotePairing {
 public:
  static constexpr int32_t kNone = -1;
  int32_t Find(uint8_t status, uint8_t key) const {
    const size_t channel = status & 0x0F;
    return in_use_[channel] ? static_cast<int32_t>(rows_[channel][key] - 1) : kNone;
  }
  void Remember(uint8_t status, uint8_t key, int32_t event_index) {
    const size_t channel = status & 0x0F;
    if (!in_use_[channel]) {
      rows_[channel].fill(0);
      in_use_[channel] = true;
    }
    rows_[channel][key] = static_cast<uint32_t>(event_index) + 1;
  }
  // Forgets every note-on: the next track starts afresh.
  void Reset() { in_use_.fill(false); }

 private:
  // Index + 1 of the newest 9n event per key; 0 for none.
  using Row = std::array<uint32_t, 256>;
  std::unique_ptr<Row[]> rows_ = MakeBufferForOverwrite<Row>(16);
  std::array<bool, 16> in_use_{};
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

  std::span<const TMidiEvent> Events() const { return {events_, count_}; }
  std::span<TMidiEvent> Events() { return {events_, count_}; }
  // The events that play: up to and including the first end-of-track
  // event, or all of them when there is none. Every walk that stops at the
  // end of a track walks these.
  std::span<const TMidiEvent> ToEndOfTrack() const { return {events_, to_end_}; }

  // Where the track's events are (and are written while it is read), with
  // room for `room` of them; set by the reader.
  void UseStorage(TMidiEvent* storage, size_t room) {
    events_ = storage;
    room_ = room;
  }
  TMidiEvent* Storage() const { return events_; }
  size_t Room() const { return room_; }
  // What the reader found: `count` events written into the storage, the
  // number up to and including the first end of track (`count` without
  // one), and the data of the last name (03) and instrument name (04) meta
  // events.
  void FinishReading(size_t count, size_t to_end, TEventData track_name, TEventData instrument_name) {
    count_ = count;
    to_end_ = to_end;
    track_name_ = track_name;
    instrument_name_ = instrument_name;
  }

 private:
  TMidiEvent* events_ = nullptr;
  size_t count_ = 0;
  size_t to_end_ = 0;
  size_t room_ = 0;
  TEventData track_name_;
  TEventData instrument_name_;
};

}  // namespace midifile
