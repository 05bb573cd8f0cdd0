// The trimming of one track (trim.h): the events from the start tick to the
// end tick (both included) written at their times from the start, the
// channel state in force at the start sent again before the first of them,
// tempo events up to the end where the event written before them stands,
// and All Notes Off on every channel still sounding, then the end of track.
// Written into a TrackOutput (the trimming exports) or a SongTrackOutput
// (the ringtone job's cut), event by event.
//
// The trimming writes the first All Notes Off as far after the event
// written last as the track's first event after the end lies after the
// end, and the end of track right after it. The ringtone job's cut
// (`ends_at_window`) ends a track that goes on past the window at the
// window's end instead, so that a ringtone lasts its window.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/trim.h"

namespace chimekit {
namespace trimming {

// The captured values of a channel, in the order they are restored.
enum Captured { kBank, kVolume, kPan, kModulation, kProgram, kBend, kPressure, kCapturedCount };

// How each captured value is sent again: status kind and, for control
// changes and pitch bend, the first data byte (the value is the second).
struct RestoredEvent {
  uint8_t kind;
  uint8_t data1;
};
constexpr std::array<RestoredEvent, kCapturedCount> kRestored = {{
    {0xB0, 0x00},  // bank select
    {0xB0, 0x07},  // channel volume
    {0xB0, 0x0A},  // pan
    {0xB0, 0x01},  // modulation
    {0xC0, 0},     // program: the value is the only data byte
    {0xE0, 0x7F},  // pitch bend: least significant byte 127
    {0xD0, 0},     // channel pressure: the value is the only data byte
}};

constexpr int16_t kAbsent = -1;
// Restored for a channel that had no channel volume before the start.
constexpr int16_t kDefaultVolume = 100;

struct ChannelState {
  std::array<int16_t, kCapturedCount> captured{kAbsent, kDefaultVolume, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent};
  std::array<uint64_t, 2> sounding{};  // one flag per key

  void SetSounding(uint8_t key, bool on) {
    uint64_t bit = uint64_t{1} << (key & 0x3F);
    uint64_t& word = sounding[(key & 0x7F) >> 6];
    word = on ? (word | bit) : (word & ~bit);
  }
  bool AnySounding() const { return (sounding[0] | sounding[1]) != 0; }
};

template <class Out>
class TrackTrimmer {
 public:
  TrackTrimmer(const TickRange& ticks, Out& out, bool ends_at_window = false)
      : ticks_(ticks), out_(out), last_written_(ticks.start), ends_at_window_(ends_at_window) {}

  // Every event of a track (up to its end of track within the range), then Close().
  void Trim(const midifile::TMidiTrack& track) {
    const std::span<const midifile::TMidiEvent> events = track.Events();
    for (size_t i = 0; i < events.size(); ++i) {
      if constexpr (requires { out_.From(i); }) out_.From(i);
      if (!Take(CopyEvent(track, events[i]))) break;
    }
    Close();
  }

  // One event; false once the track has ended.
  bool Take(const WalkEvent& event) {
    int64_t time = event.time;
    bool channel_event = event.status >= 0x80 && event.status < 0xF0;
    if (event.status >= 0xF0) running_status_ = 0;
    if (channel_event && time < ticks_.start) Capture(event);
    if (event.status == 0xFF && time <= ticks_.end) {
      if (event.data1 == 0x2F) return false;
      // Tempo lands where the event written before it stands.
      if (event.data1 == 0x51) out_.MetaEvent(0, 0x51, 3, event.data);
    }
    if (channel_event && time >= ticks_.start && time <= ticks_.end) Copy(event, time);
    if (!overshoot_ && time > ticks_.end) overshoot_ = time - ticks_.end;
    return true;
  }

  // Whether an event after the end has been met: while times only grow,
  // nothing after it changes what the track becomes.
  bool PastEnd() const { return overshoot_.has_value(); }

  // All Notes Off on every channel that still sounds, then the end of track.
  void Close() {
    const bool to_window_end = ends_at_window_ && overshoot_;
    int32_t delta = static_cast<int32_t>(to_window_end ? ticks_.end - last_written_ : overshoot_.value_or(0));
    for (uint8_t channel = 0; channel < 16; ++channel) {
      if (!channels_[channel].AnySounding()) continue;
      Write(delta, static_cast<uint8_t>(0xB0 | channel), 123, 0);
      delta = 0;
    }
    out_.MetaEvent(to_window_end ? delta : 0, 0x2F, 0, {});
  }

 private:
  void Capture(const WalkEvent& event) {
    std::array<int16_t, kCapturedCount>& captured = channels_[event.Channel()].captured;
    switch (event.Kind()) {
      case 0xB0:
        if (event.data1 == 0x00) captured[kBank] = event.data2;
        if (event.data1 == 0x01) captured[kModulation] = event.data2;
        if (event.data1 == 0x07) captured[kVolume] = event.data2;
        if (event.data1 == 0x0A) captured[kPan] = event.data2;
        break;
      case 0xC0: captured[kProgram] = event.data1; break;
      case 0xD0: captured[kPressure] = event.data1; break;
      case 0xE0: captured[kBend] = event.data2; break;
      default: break;
    }
  }

  void Restore() {
    for (uint8_t channel = 0; channel < 16; ++channel) {
      for (size_t i = 0; i < kCapturedCount; ++i) {
        int16_t value = channels_[channel].captured[i];
        if (value == kAbsent) continue;
        uint8_t status = static_cast<uint8_t>(kRestored[i].kind | channel);
        uint8_t byte = static_cast<uint8_t>(value);
        bool one_byte = kRestored[i].kind == 0xC0 || kRestored[i].kind == 0xD0;
        out_.ChannelEvent(0, status, one_byte ? byte : kRestored[i].data1, byte);
      }
    }
    running_status_ = 0;
    restored_ = true;
  }

  void Copy(const WalkEvent& event, int64_t time) {
    if (!restored_) Restore();
    int64_t delta = std::max<int64_t>(time - last_written_, 0);
    last_written_ = std::max(last_written_, time);
    Write(static_cast<int32_t>(delta), event.status, event.data1, event.data2);
    if (event.Kind() == 0x80) channels_[event.Channel()].SetSounding(event.data1, false);
    if (event.Kind() == 0x90) channels_[event.Channel()].SetSounding(event.data1, true);
  }

  // A channel event with running status.
  void Write(int32_t delta, uint8_t status, uint8_t data1, uint8_t data2) {
    out_.ChannelEvent(delta, status, data1, data2, status != running_status_);
    running_status_ = status;
  }

  const TickRange& ticks_;
  Out& out_;
  std::array<ChannelState, 16> channels_{};
  int64_t last_written_;
  const bool ends_at_window_;
  uint8_t running_status_ = 0;  // 0: none
  bool restored_ = false;
  std::optional<int64_t> overshoot_;
};

}  // namespace trimming

using trimming::TrackTrimmer;

}  // namespace chimekit
