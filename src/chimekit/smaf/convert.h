// MIDI to SMAF: the whole conversion of a loaded MIDI file into the bytes of
// a SMAF ("MMMD") ringtone.
#pragma once

#include <cstdint>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit::smaf {

struct TSmafSummary {
  int32_t timebase_ms = 0;
  uint8_t timebase_code = 0;
  int32_t score_tracks = 0;      // score tracks written (0 to 4)
  int32_t voices = 0;            // voice messages the file carries (none without a score track)
  int32_t notes_converted = 0;   // notes written as SMAF notes
  int32_t notes_without_slot = 0;  // notes dropped because no slot was free
};

struct TSmafConversion {
  midifile::ByteString bytes;
  TSmafSummary summary;
};

// Converts the first track of the file, timed at the file's single tempo.
// Throws midifile::ConversionError when the file holds no track or its
// division or tempo gives no time base.
TSmafConversion ConvertToSmaf(const midifile::TMidiFile& file);

}  // namespace chimekit::smaf
