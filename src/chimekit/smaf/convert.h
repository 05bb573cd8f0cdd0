// MIDI to SMAF: the whole conversion of a loaded MIDI file into the bytes of
// a SMAF ("MMMD") ringtone.
#pragma once

#include <cstdint>
#include <vector>

#include "chimekit/smaf/collect.h"
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

// Where a note of the first track went: written as a SMAF note, dropped for
// want of a free slot, or written as a rest (a drum key outside 35 to 81,
// or a gate of no timebase unit).
enum class TNoteOutcome : uint8_t { kConverted, kNoSlot, kRest };
struct TNoteResult {
  uint32_t event = 0;  // the note-on's index in the first track
  TNoteOutcome outcome = TNoteOutcome::kConverted;
};

struct TSmafOptions {
  // The content information's tags; null: those of the first track's text,
  // copyright and name events.
  const TSmafTags* tags = nullptr;
  // When given, receives every note the conversion took (a note-on of
  // positive velocity and length), in track order.
  std::vector<TNoteResult>* notes = nullptr;
};

// Converts the first track of the file, timed at the file's single tempo.
// Throws midifile::ConversionError when the file holds no track or its
// division or tempo gives no time base.
TSmafConversion ConvertToSmaf(const midifile::TMidiFile& file, const TSmafOptions& options = {});

}  // namespace chimekit::smaf
