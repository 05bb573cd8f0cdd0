#include "midifile/midi_track.h"

#include "midifile/rounding.h"

namespace midifile {

NotePairing::NotePairing() : newest_(16 * 256, kNone) {}

void NotePairing::Remember(uint8_t status, uint8_t key, int32_t event_index) {
  size_t slot = Slot(status, key);
  if (newest_[slot] == kNone) touched_.push_back(slot);
  newest_[slot] = event_index;
}

void NotePairing::Reset() {
  for (size_t slot : touched_) newest_[slot] = kNone;
  touched_.clear();
}

void TMidiTrack::AddEvent(TMidiEvent event, NotePairing& pairing) {
  if (event.IsMeta(0x03)) track_name_ = event.DataBytes;
  if (event.IsMeta(0x04)) instrument_name_ = event.DataBytes;

  end_time_ = WrappingAdd(end_time_, event.DeltaTime);
  event.Time = end_time_;
  event.Duration = 0;

  uint8_t kind = event.Status & 0xF0;
  bool note_off = kind == 0x80 || (kind == 0x90 && event.Data2 == 0);
  if (note_off) {
    // The nearest earlier 9n event of this channel and key, whatever its
    // velocity and whether or not it was paired before.
    int32_t found = pairing.Find(static_cast<uint8_t>(0x90 | (event.Status & 0x0F)), event.Data1);
    if (found != NotePairing::kNone) {
      TMidiEvent& note_on = events_[static_cast<size_t>(found)];
      note_on.Duration = WrappingSub(end_time_, note_on.Time);
      event.Duration = -1;
    }
  }
  int32_t index = static_cast<int32_t>(events_.size());
  events_.push_back(std::move(event));
  if (kind == 0x90) pairing.Remember(events_.back().Status, events_.back().Data1, index);
}

}  // namespace midifile
