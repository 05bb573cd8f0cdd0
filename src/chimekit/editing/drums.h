// Drum events, as the volume shift, the equalizer and the instrument map
// tell them: events on channels 9 and 15 (MIDI channels 10 and 16), and
// every event of a track that follows a bank select (controller 0, on any
// channel) with an odd value, until a bank select with an even value.
#pragma once

#include "chimekit/editing/rewrite.h"

namespace chimekit {

// The drum rule of one track; a new track starts a new rule.
class DrumRule {
 public:
  // Whether the event is a drum event, by its channel and the bank selects
  // seen before it.
  bool IsDrum(const WalkEvent& event) const { return odd_bank_ || event.Channel() == 9 || event.Channel() == 15; }
  // Follows a bank select; any other event leaves the rule as it is.
  void See(const WalkEvent& event) {
    if (event.IsControl(0)) odd_bank_ = (event.data2 & 1) != 0;
  }

 private:
  bool odd_bank_ = false;
};

}  // namespace chimekit
