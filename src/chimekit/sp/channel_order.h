// The channel order of MIDI2SP: a text of hexadecimal digits whose
// character i names the channel that input channel i becomes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace chimekit {

// map[input channel] = output channel; a permutation of 0 to 15.
using ChannelMap = std::array<uint8_t, 16>;

// The most characters of an order text that are looked at.
inline constexpr size_t kOrderTextLength = 16;

struct OrderCompletion {
  std::optional<ChannelMap> map;  // no value: the text is not acceptable
  std::string problem;            // why not, in words
};

// Completes an order text, of which only the first 16 characters count (a
// null pointer is the empty text). Each must be a digit 0-9 or a letter A-F
// in either case, no value twice. The values missing are appended in
// ascending order. Without the drum switch, 9 and F are then taken out
// wherever they stand and put back at positions 10 and 16, so that channels
// 9 and 15 keep their numbers and the others the relative order of the
// text. The empty text completes to the identity.
OrderCompletion CompleteChannelOrder(const char* text, bool drums);

// The completed text of a map: sixteen digits, letters in upper case.
std::string OrderText(const ChannelMap& map);

}  // namespace chimekit
