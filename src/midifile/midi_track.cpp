#include "midifile/midi_track.h"

namespace midifile {

NotePairing::NotePairing() : newest_(16 * 256, kNone) {}

void NotePairing::Reset() {
  for (size_t slot : touched_) newest_[slot] = kNone;
  touched_.clear();
}

}  // namespace midifile
