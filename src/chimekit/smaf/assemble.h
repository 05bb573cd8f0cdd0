// Assembly of the SMAF file: timebase, content information, score tracks,
// the "MMMD" frame and its checksum.
#pragma once

#include <cstdint>

#include "chimekit/smaf/encode.h"
#include "chimekit/smaf/smaf_format.h"
#include "midifile/bytes.h"

namespace chimekit::smaf {

// The smallest timebase that is not finer than one MIDI tick: 4, 5, 10, 20,
// 40 or 50 ms, from the microseconds per tick rounded halves to even.
TTimebase ChooseTimebase(double microseconds_per_tick);

// A sequence body ("Mtsq" header and events) that holds at least one event.
bool HasEvents(const TSequenceBody& body);

// The content-information chunk ("CNTI") with the given option text.
midifile::ByteString ContentInfoChunk(midifile::ByteView option_text);

struct TAssembled {
  midifile::ByteString bytes;
  int32_t score_tracks = 0;
};

// The whole file: "MMMD", the content information, one score track for each
// body with events (body 3 is track 1, body 0 track 4), each carrying the
// same setup chunk, and the CRC-16 of everything before it.
TAssembled AssembleSmaf(midifile::ByteView content_info, midifile::ByteView setup_chunk,
                        const TSequenceBodies& bodies, uint8_t timebase_code);

}  // namespace chimekit::smaf
