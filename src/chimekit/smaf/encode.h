// Encoding: the entries of the conversion list become SMAF sequence bytes in
// the body of their slot's score track.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chimekit/smaf/recent_results.h"
#include "chimekit/smaf/sequence_body.h"
#include "chimekit/smaf/smaf_event.h"
#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/voices.h"

namespace chimekit::smaf {

// A duration in timebase units. Durations above 16511 are written as fillers
// of 16511 units, each followed by a no-operation, then the remainder.
void PutDuration(TSequenceBody& body, int64_t n);
// A control message of `type` on SMAF channel 0-3 after a duration.
void PutControl(TSequenceBody& body, int32_t channel, int64_t duration, int32_t type, int32_t value);
// A no-operation after a duration; nothing for a duration of 0 or less.
void PutNop(TSequenceBody& body, int64_t duration);

// What one slot has been told so far.
struct TSlotState : TSmafSettings {
  // Pitch of octave 0, note 0 of the slot, as its octave setting places it.
  int32_t octave_base = kOriginalOctaveBase;
};

// Writes a note of key k on the slot's channel: the octave setting that
// brings k into the slot's four-octave window when it needs another, then
// the note (duration, note byte,
// gate) or, for a drum key outside 35 to 81 or a gate of 0, a no-operation
// of the same duration. Returns whether the note itself was written.
bool PutNote(TSequenceBody& body, int32_t channel, TSlotState& slot, int32_t key, int64_t duration,
             int64_t gate);

using TSequenceBodies = std::array<TSequenceBody, kBodyCount>;

// Encodes entries, one after the other (times already deltas), into the
// bodies, which hold their "Mtsq" headers. Program changes of melodic
// entries request their voice from `voices`. Bodies and voices must outlive
// the encoder.
class TSequenceEncoder {
 public:
  TSequenceEncoder(int32_t timebase_ms, TVoiceSetup& voices, TSequenceBodies& bodies);

  // Returns whether a note was written.
  bool Encode(const TSmafEvent& entry);

 private:
  struct MsInUnits {
    int32_t timebase_ms;
    int64_t operator()(int64_t ms) const;
  };

  TVoiceSetup& voices_;
  TSequenceBodies& bodies_;
  std::array<TSlotState, kSlotCount> slots_{};
  TRecentResults<int64_t, MsInUnits> units_;
};

}  // namespace chimekit::smaf
