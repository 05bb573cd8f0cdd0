// Reading a SMAF ringtone back: a listing in words of every chunk, voice
// message and sequence event, and every fault that makes the file differ
// from what the converter writes (sizes, CRC, fixed bytes, event coding).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::smaf {

struct SmafInspection {
  bool ok = false;                    // true when no problem was found
  std::vector<std::string> lines;     // the listing; problems appear in place as "problem: ..." lines
  std::vector<std::string> problems;  // each problem in the order found, starting "at 0x<offset>: "
  std::string summary;                // the last line of the listing
  uint32_t timebase_ms = 0;           // of the first score track; 0 when unknown or absent
  uint32_t score_tracks = 0;
  uint32_t voices = 0;  // voice messages in the first setup chunk
  uint64_t notes = 0;   // note events of all score tracks
};

// Never throws for any content of `file` (only std::bad_alloc) and reads no
// byte outside it; time and output grow linearly with its size.
SmafInspection InspectSmaf(midifile::ByteView file);

}  // namespace chimekit::smaf
