// One MTrk chunk: its events in a list that the track owns.
#pragma once

#include <cstdint>

#include "reshaper/model/list_links.h"
#include "reshaper/midi_chunk.h"
#include "reshaper/model/midi_event.h"

namespace reshaper {

class MidiTrack : public MidiChunk, public ListLinks<MidiTrack> {
 public:
  explicit MidiTrack(uint32_t number = 0) : number_(number) {}
  ~MidiTrack() override { deleteMembers<MidiEvent>(events_); }
  MidiTrack(const MidiTrack&) = delete;
  MidiTrack& operator=(const MidiTrack&) = delete;

  // Reads one MTrk chunk. False when the chunk is no track, the track breaks
  // off in a delta time or a status byte, or its first event starts with a
  // data byte (no status to repeat); the caller then drops it.
  // A track that breaks off inside an event body keeps the events before it
  // and counts as read.
  bool read(MidiStream& stream);
  // Writes the chunk header and the events. outLength is computed on the
  // way, as computeLength does, and the header's length field filled in
  // behind the events: one pass over them instead of two.
  bool write(MidiStream& stream);
  // outLength: the events' sizes, less one byte for each channel event that
  // repeats the status of the event before it.
  uint32_t computeLength();

  MidiEvent* firstEvent() const { return events_.next(); }
  // The list head: new events are linked behind it or behind its members.
  MidiEvent& events() { return events_; }
  uint32_t number() const { return number_; }

 private:
  // Bytes event takes behind an event of status previous.
  static uint32_t writtenSize(const MidiEvent& event, uint8_t previous);

  uint32_t number_ = 0;  // 1 for the first track of a file, 0 for a list head
  EventListHead events_;
};

}  // namespace reshaper
