// A place for one sounding note of the preview, whatever its voice's
// engine: two-operator FM, Mobile Standard FM or a sampled voice. A note
// started in a place where one of the same engine still sounds cuts that
// one off (its envelopes go on from where they are); one of another engine
// silences it.
#pragma once

#include <cstdint>
#include <vector>

#include "chimekit/preview/channel_controls.h"
#include "chimekit/preview/fm4_note.h"
#include "chimekit/preview/fm_note.h"
#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/fm_waveforms.h"
#include "chimekit/preview/pcm_note.h"
#include "chimekit/preview/score.h"

namespace chimekit::preview {

class NoteSlot {
 public:
  // `waves` must outlive the note; a sampled voice's wave index must lie in
  // it.
  void Start(const PlayVoice& voice, const std::vector<DecodedWave>& waves, int32_t key, uint32_t velocity,
             uint64_t gate_samples);

  bool Sounding() const;
  // Stops the note at once.
  void Silence();

  // `waveforms` may be null when no voice has four operators.
  void Render(const FmTables& tables, const FmWaveforms* waveforms, const ChannelControls& controls, uint32_t samples,
              float* left, float* right);

 private:
  Engine engine_ = Engine::kFm;
  FmNote fm_;
  Fm4Note fm4_;
  PcmNote pcm_;
};

}  // namespace chimekit::preview
