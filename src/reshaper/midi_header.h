// The MThd chunk: format, track count and division of a MIDI file.
#pragma once

#include <cstdint>

#include "reshaper/midi_chunk.h"

namespace reshaper {

class MidiHeader : public MidiChunk {
 public:
  // Reads the file's header, unwrapping a RIFF RMID form first: the MThd is
  // then the first chunk of the data chunk. A short field fails at once and
  // leaves the fields behind it at 0. Excess header bytes are skipped.
  bool read(MidiStream& stream);
  void write(MidiStream& stream) const;
  // A header built for writing: id "MThd", the three fields, and 6 more
  // bytes of body to write.
  void set(uint16_t newFormat, uint16_t newTrackCount, uint16_t newDivision);

  uint16_t format = 0;      // 0, 1 or 2 in a valid file
  uint16_t trackCount = 0;  // as the header states it
  uint16_t division = 0;    // raw: ticks per quarter note or the SMPTE form
};

}  // namespace reshaper
