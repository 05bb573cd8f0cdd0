// The rewrite walk: how every editing export turns a loaded file back into
// a MIDI file. The header keeps the input's format and stored division;
// each loaded track becomes one chunk, walked up to and including its first
// end-of-track event. An export plugs its own step into the walk; the step
// may look at each event, change it, drop it, or write further events
// before it. Every event that survives is written by the event rule:
//
//   80-BF, E0-EF   delta, status, data 1, data 2 (full status, no running status)
//   C0-DF          delta, status, data 1
//   FF             through the meta-event writer: end of track and tempo
//                  stay, any other meta event becomes an empty text event
//   F0-FE, and an event met before any status byte: not written; its delta
//                  passes on to the next event written
//
// A track that yields no end-of-track event gets one, carrying whatever
// delta is left. The join of two files (join.h) uses the walk with its own
// header and a step that recomputes each delta from absolute times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "chimekit/editing/event_data.h"
#include "chimekit/editing/track_output.h"
#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// An event as the walk hands it to a step: a copy of the loaded event that
// the step may change. The loaded model itself is never changed.
struct WalkEvent {
  uint8_t status = 0;
  uint8_t data1 = 0;  // the meta type of a meta event
  uint8_t data2 = 0;  // the low 8 bits of a meta event's data length
  int32_t delta = 0;
  int32_t time = 0;         // absolute ticks in the input track
  int32_t duration = 0;     // a paired note-on's length in ticks, else 0 (-1 on a paired note-off)
  midifile::ByteView data;  // meta or system-exclusive data

  uint8_t Kind() const { return status & 0xF0; }
  uint8_t Channel() const { return status & 0x0F; }
  bool IsControl(uint8_t controller) const { return Kind() == 0xB0 && data1 == controller; }
};

WalkEvent CopyEvent(const midifile::TMidiTrack& track, const midifile::TMidiEvent& event);

// Writes an event by the event rule (or carries its delta on), into a
// TrackOutput or a SongTrackOutput (song_output.h).
template <class Out>
void WriteEvent(const WalkEvent& event, Out& out) {
  if (event.status >= 0x80 && event.status < 0xF0) {
    out.ChannelEvent(event.delta, event.status, event.data1, event.data2);
  } else if (event.status == 0xFF) {
    out.MetaEvent(event.delta, event.data1, event.data2, event.data);
  } else {
    out.Carry(event.delta);
  }
}

// Walks one track up to and including its first end-of-track event. For
// each event, `step(event, out)` returns true to have it written by the
// event rule, or false to drop it (its delta passes on). A step that has a
// member `After(event, out)` may write further events right after each
// event it kept.
template <class Out, class Step>
void WalkTrack(const midifile::TMidiTrack& track, Out& out, Step&& step) {
  const std::span<const midifile::TMidiEvent> events = track.ToEndOfTrack();
  for (size_t i = 0; i < events.size(); ++i) {
    if constexpr (requires { out.From(i); }) out.From(i);
    WalkEvent event = CopyEvent(track, events[i]);
    if (step(event, out)) {
      WriteEvent(event, out);
      if constexpr (requires { step.After(event, out); }) step.After(event, out);
    } else {
      out.Carry(event.delta);
    }
  }
}

// The step of an export that writes every event as it is.
inline constexpr auto KeepEvent = [](WalkEvent&, auto&) { return true; };

// The header of a rewritten input.
midifile::ByteString RewriteHeader(const LoadedInput& input);

// Appends one chunk per loaded track of `loaded`, in order: each is filled
// by `write_track(track, index, out)` (usually through WalkTrack) and then
// finished.
template <class WriteTrack>
void AppendTracks(const midifile::TMidiFile& loaded, midifile::ByteString& file, WriteTrack&& write_track) {
  int32_t tracks = loaded.NumberOfTracks();
  for (int32_t index = 0; index < tracks; ++index) {
    TrackOutput out(file);
    write_track(loaded.GetTrack(index), index, out);
    out.Finish();
  }
}

// The whole output: the header, then the chunks of AppendTracks.
template <class WriteTrack>
midifile::ByteString RewriteFile(const LoadedInput& input, WriteTrack&& write_track) {
  midifile::ByteString file = RewriteHeader(input);
  AppendTracks(input.file, file, write_track);
  return file;
}

}  // namespace chimekit
