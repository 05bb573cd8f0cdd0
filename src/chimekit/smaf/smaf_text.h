// SMAF bytes and counts as text, for the reader's faults and the
// inspector's listing.
#pragma once

#include <cstdint>
#include <string>

#include "midifile/bytes.h"

namespace chimekit::smaf {

// "1 note", "2 notes".
std::string Count(uint64_t n, const char* singular, const char* plural);
// "0x1C" with at least `digits` hexadecimal digits.
std::string Hex(uint64_t value, int digits = 2);
// "60 01 14": the bytes in hexadecimal, separated by blanks.
std::string HexBytes(midifile::ByteView bytes);
// The bytes as printable text: blanks and visible ASCII as they are, a
// backslash as "\\", "\"" escaped, anything else as "\xNN".
std::string Printable(midifile::ByteView bytes);

}  // namespace chimekit::smaf
