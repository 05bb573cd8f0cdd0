#include <cstdint>

#include "chimekit/smaf/inspect_parts.h"

namespace chimekit::smaf::inspect {

void InspectionLog::Line(const std::string& text) {
  result_.lines.push_back(std::string(2 * static_cast<size_t>(depth_), ' ') + text);
}

void InspectionLog::Problem(size_t offset, const std::string& text) {
  std::string problem = "at " + Hex(offset, 4) + ": " + text;
  Line("problem: " + problem);
  result_.problems.push_back(std::move(problem));
}

void FaultCursor::ListUpTo(size_t before, InspectionLog& log) {
  for (; next_ < faults_.size() && faults_[next_].before <= before; ++next_) {
    log.Problem(faults_[next_].at, faults_[next_].text);
  }
}

bool FaultCursor::ListAll(InspectionLog& log) {
  ListUpTo(SIZE_MAX, log);
  return !faults_.empty();
}

}  // namespace chimekit::smaf::inspect
