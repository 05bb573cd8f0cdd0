#include <cstdio>

#include "chimekit/smaf/inspect_parts.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf::inspect {

void InspectionLog::Line(const std::string& text) {
  result_.lines.push_back(std::string(2 * static_cast<size_t>(depth_), ' ') + text);
}

void InspectionLog::Problem(size_t offset, const std::string& text) {
  std::string problem = "at " + Hex(offset, 4) + ": " + text;
  Line("problem: " + problem);
  result_.problems.push_back(std::move(problem));
}

std::string Count(uint64_t n, const char* singular, const char* plural) {
  return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string HexBytes(midifile::ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.push_back(' ');
    uint8_t byte = midifile::ByteAt(bytes, i);
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

std::string Printable(midifile::ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
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
      text.push_back(kDigits[byte >> 4]);
      text.push_back(kDigits[byte & 0x0F]);
    }
  }
  return text;
}

bool ReadLengthNumber(midifile::ByteView file, size_t& position, size_t end, uint32_t& value, InspectionLog& log,
                      const char* what) {
  const size_t at = position;
  if (!ReadLength(file.substr(0, end), position, value)) {
    log.Problem(at, std::string(what) + " cut off by the end of its chunk");
    return false;
  }
  if (position - at == 2 && (midifile::ByteAt(file, at + 1) & 0x80) != 0) {
    log.Problem(at, std::string(what) + " " + HexBytes(file.substr(at, 2)) +
                        " has a second byte above 0x7F, which no length number holds");
  }
  return true;
}

}  // namespace chimekit::smaf::inspect
