// The pieces of the SMAF inspector: the log that collects the listing and
// the problems, and the readers of the setup and sequence chunks. Every
// reader gets the whole file and a [begin, end) range inside it, so that
// problems carry file offsets; none reads at or past `end`.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>

#include "chimekit/smaf/inspect.h"
#include "midifile/bytes.h"

namespace chimekit::smaf::inspect {

class InspectionLog {
 public:
  explicit InspectionLog(SmafInspection& result) : result_(result) {}

  // A listing line at the current depth.
  void Line(const std::string& text);
  // A problem at a file offset, listed in place and collected.
  void Problem(size_t offset, const std::string& text);
  size_t ProblemCount() const { return result_.problems.size(); }

  // Lines written while a Nested lives are indented one level deeper.
  class Nested {
   public:
    explicit Nested(InspectionLog& log) : log_(log) { ++log_.depth_; }
    ~Nested() { --log_.depth_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    InspectionLog& log_;
  };

 private:
  SmafInspection& result_;
  uint32_t depth_ = 0;
};

// "1 note", "2 notes".
std::string Count(uint64_t n, const char* singular, const char* plural);
// "0x1C" with at least `digits` hexadecimal digits.
std::string Hex(uint64_t value, int digits = 2);
// "60 01 14": the bytes in hexadecimal, separated by blanks.
std::string HexBytes(midifile::ByteView bytes);
// The bytes as printable text: blanks and visible ASCII as they are, a
// backslash as "\\", "\"" escaped, anything else as "\xNN".
std::string Printable(midifile::ByteView bytes);

// Reads a SMAF length number at `position` within [.., end). A cut-off
// number is a problem and gives false; a second byte above 0x7F is a
// problem, the value is still used.
bool ReadLengthNumber(midifile::ByteView file, size_t& position, size_t end, uint32_t& value, InspectionLog& log,
                      const char* what);

// The voice messages of a setup chunk body.
struct SetupContents {
  std::bitset<256> programs;  // programs that have a voice message
  uint32_t voices = 0;
};
SetupContents InspectSetup(midifile::ByteView file, size_t begin, size_t end, InspectionLog& log);

// The events of a sequence chunk body, up to its closing zeros.
struct SequenceContents {
  uint64_t events = 0;
  uint64_t notes = 0;
  uint64_t units = 0;  // sum of all durations, in timebase units
};
SequenceContents InspectSequence(midifile::ByteView file, size_t begin, size_t end, const std::bitset<256>& voiced,
                                 InspectionLog& log);

}  // namespace chimekit::smaf::inspect
