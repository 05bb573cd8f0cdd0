// The pieces of the SMAF reader: the chunk list and the readers of the
// setup and sequence chunks. Each gets the whole file and a [begin, end)
// range inside it, so that faults carry file offsets; none reads at or past
// `end`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "chimekit/smaf/reader.h"
#include "midifile/bytes.h"

namespace chimekit::smaf::reader {

// Reads the chunks of [begin, end) one after another; `container` names the
// range in the fault when the bytes left are too few for a chunk header or
// for the content it announces. The chunks are returned, the fault added to
// `faults`.
std::vector<SmafChunk> ReadChunks(midifile::ByteView file, size_t begin, size_t end, const char* container,
                                  std::vector<SmafFault>& faults);

// Reads a SMAF length number at `position` within [.., end), advancing it.
// A cut-off number is a fault and gives false; a second byte above 0x7F is a
// fault too, but the value is still used.
bool ReadLengthNumber(midifile::ByteView file, size_t& position, size_t end, uint32_t& value,
                      std::vector<SmafFault>& faults, size_t before, const char* what);

SmafSetup ReadSetup(midifile::ByteView file, const SmafChunk& chunk);
SmafSequence ReadSequence(midifile::ByteView file, const SmafChunk& chunk);

}  // namespace chimekit::smaf::reader
