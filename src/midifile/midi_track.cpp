#include "midifile/midi_track.h"

namespace midifile {

void NotePairing::Reset() {
  for (size_t slot : touched_) newest_[slot] = 0;
  touched_.clear();
}

}  // namespace midifile
