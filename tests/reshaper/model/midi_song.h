// One MIDI file in memory: its header and its tracks. Reshaper's object
// model (songs of tracks of event objects) is not part of the library: the
// tests keep it as the plain reference that the streaming conversion is
// compared with (differential_test.cpp) and read tracks with.
#pragma once

#include <cstdint>

#include "reshaper/midi_header.h"
#include "reshaper/midi_stream.h"
#include "reshaper/model/track_list.h"

namespace reshaper {

class MidiSong {
 public:
  // A reading stream replaces the song with the file's content, as far as it
  // can be read; a writing stream receives the song as a MIDI file.
  void transfer(MidiStream& stream);

  uint16_t getFormat() const { return header_.format; }
  uint16_t getDivision() const { return header_.division; }
  void setHeader(uint16_t format, uint16_t trackCount, uint16_t division) {
    header_.set(format, trackCount, division);
  }
  const MidiHeader& header() const { return header_; }
  TrackList& tracks() { return tracks_; }

 private:
  MidiHeader header_;
  TrackList tracks_;
};

}  // namespace reshaper
