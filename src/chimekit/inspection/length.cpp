#include "chimekit/inspection/length.h"

#include <algorithm>
#include <limits>

namespace chimekit {

int32_t FirstNoteTime(const midifile::TMidiFile& file) {
  int32_t earliest = std::numeric_limits<int32_t>::max();
  int32_t tracks = file.NumberOfTracks();
  for (int32_t t = 0; t < tracks; ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).ToEndOfTrack()) {
      if (event.IsNoteOn()) earliest = std::min(earliest, event.Time);
    }
  }
  return earliest;
}

}  // namespace chimekit
