// The pieces of the SMAF inspector: the log that collects the listing and
// the problems, and the listings of the setup and sequence chunks as the
// reader returns them.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/smaf/inspect.h"
#include "chimekit/smaf/reader.h"
#include "chimekit/smaf/smaf_text.h"
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

using smaf::Count;
using smaf::Hex;
using smaf::HexBytes;
using smaf::Printable;

// Lists the reader's faults of one list in their places: each call lists
// those found before `before` elements of the list had been read.
class FaultCursor {
 public:
  explicit FaultCursor(const std::vector<SmafFault>& faults) : faults_(faults) {}
  void ListUpTo(size_t before, InspectionLog& log);
  // Lists the rest; true when the list had any fault at all.
  bool ListAll(InspectionLog& log);

 private:
  const std::vector<SmafFault>& faults_;
  size_t next_ = 0;
};

// The voice messages of a setup chunk body.
struct SetupContents {
  std::bitset<256> programs;  // programs that have a voice message
  uint32_t voices = 0;
};
SetupContents InspectSetup(const SmafSetup& setup, InspectionLog& log);

// The events of a sequence chunk body, up to its closing zeros.
struct SequenceContents {
  uint64_t events = 0;
  uint64_t notes = 0;
  uint64_t units = 0;  // sum of all durations, in timebase units
};
SequenceContents InspectSequence(const SmafSequence& sequence, const std::bitset<256>& voiced, InspectionLog& log);

}  // namespace chimekit::smaf::inspect
