// Pieces of the dump's lines: numbers, note names, controller names and the
// descriptions of meta events.
#pragma once

#include <cstdint>
#include <string_view>

#include "midifile/bytes.h"
#include "midifile/midi_event.h"

namespace chimekit::dump {

// A number in decimal, with a sign only when negative.
void AppendDecimal(midifile::ByteString& out, int64_t value);
// Two upper-case hexadecimal digits (midifile::AppendHex).
using midifile::AppendHex;
// For every byte: two blanks and the byte in hexadecimal.
void AppendHexBytes(midifile::ByteString& out, midifile::ByteView bytes);

// Note name and octave of a key: 60 is C4, 0 is C-1, 127 is G9.
void AppendNoteName(midifile::ByteString& out, uint8_t key);

// A controller that has a name: the fixed part and, for the numbered
// families, the number that follows it (-1 when none does).
struct ControllerName {
  std::string_view text;  // empty: the controller has no name
  int32_t number = -1;
};
ControllerName NameOfController(uint8_t controller);

// The controller as listed: "\"Main Volume\" [7]" for a named one, the bare
// number for the others.
void AppendControllerText(midifile::ByteString& out, uint8_t controller);

// ": " and the description of a meta event (type in Data1, payload in
// DataBytes), or ": [XX]" with the type in hexadecimal when the type has no
// description. A channel prefix's channel counts from first_channel (0 or 1).
void AppendMetaDescription(midifile::ByteString& out, const midifile::TMidiEvent& event, uint8_t first_channel);

}  // namespace chimekit::dump
