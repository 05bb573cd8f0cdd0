#include "chimekit/smaf/smaf_text.h"

#include <cstdio>

namespace chimekit::smaf {

std::string Count(uint64_t n, const char* singular, const char* plural) {
  return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string HexBytes(midifile::ByteView bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.push_back(' ');
    midifile::AppendHex(text, midifile::ByteAt(bytes, i));
  }
  return text;
}

std::string Printable(midifile::ByteView bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t byte = midifile::ByteAt(bytes, i);
    if (byte == '\\' || byte == '"') {
      text.push_back('\\');
      text.push_back(static_cast<char>(byte));
    } else if (byte >= 0x20 && byte < 0x7F) {
      text.push_back(static_cast<char>(byte));
    } else {
      text += "\\x";
      midifile::AppendHex(text, byte);
    }
  }
  return text;
}

}  // namespace chimekit::smaf
