// A few helpers to write the JSON text the jobs give: strings, numbers and
// arrays of numbers. Nothing here parses.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::jobs {

// A JSON string: quotes, backslashes and control characters escaped; other
// bytes as they are (the texts written are ASCII).
inline void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20) {
      out += "\\u00";
      midifile::AppendHex(out, byte);
    } else {
      out += c;
    }
  }
  out += '"';
}

// `"name":` before a value.
inline void AppendKey(std::string& out, std::string_view name) {
  if (!out.empty() && out.back() != '{' && out.back() != '[') out += ',';
  AppendJsonString(out, name);
  out += ':';
}

// `"name":value` for a number or a truth value.
template <class Value>
void AppendField(std::string& out, std::string_view name, Value value) {
  AppendKey(out, name);
  if constexpr (std::is_same_v<Value, bool>) {
    out += value ? "true" : "false";
  } else {
    out += std::to_string(value);
  }
}

// An array of numbers; written without a string per number, since the
// notes of a song or a ringtone run to hundreds of thousands.
template <class Number>
void AppendNumbers(std::string& out, const std::vector<Number>& numbers) {
  out.reserve(out.size() + 8 * numbers.size() + 2);
  out += '[';
  char text[24];
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) out += ',';
    out.append(text, std::to_chars(text, text + sizeof text, numbers[i]).ptr);
  }
  out += ']';
}

// Bytes of unknown encoding (tag texts) as an array of numbers, for the page
// to decode.
inline void AppendByteArray(std::string& out, std::string_view bytes) {
  std::vector<uint32_t> numbers;
  for (const char c : bytes) numbers.push_back(static_cast<unsigned char>(c));
  AppendNumbers(out, numbers);
}

}  // namespace chimekit::jobs
