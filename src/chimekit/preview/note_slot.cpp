#include "chimekit/preview/note_slot.h"

namespace chimekit::preview {

void NoteSlot::Start(const PlayVoice& voice, const std::vector<DecodedWave>& waves, int32_t key, uint32_t velocity,
                     uint64_t gate_samples) {
  if (voice.engine != engine_) {
    Silence();
    engine_ = voice.engine;
  }
  switch (engine_) {
    case Engine::kFm:
      fm_.Start(voice.fm, key, velocity, gate_samples);
      break;
    case Engine::kFm4:
      fm4_.Start(voice.fm4, key, velocity, gate_samples);
      break;
    case Engine::kPcm:
      pcm_.Start(voice.pcm, waves[voice.wave], key, velocity, gate_samples);
      break;
  }
}

void NoteSlot::Silence() {
  fm_ = FmNote{};
  fm4_ = Fm4Note{};
  pcm_ = PcmNote{};
}

bool NoteSlot::Sounding() const {
  switch (engine_) {
    case Engine::kFm:
      return fm_.Sounding();
    case Engine::kFm4:
      return fm4_.Sounding();
    case Engine::kPcm:
      return pcm_.Sounding();
  }
  return false;
}

void NoteSlot::Render(const FmTables& tables, const FmWaveforms* waveforms, const ChannelControls& controls,
                      uint32_t samples, float* left, float* right) {
  switch (engine_) {
    case Engine::kFm:
      fm_.Render(tables, controls, samples, left, right);
      break;
    case Engine::kFm4:
      if (waveforms != nullptr) fm4_.Render(tables, *waveforms, controls, samples, left, right);
      break;
    case Engine::kPcm:
      pcm_.Render(tables, controls, samples, left, right);
      break;
  }
}

}  // namespace chimekit::preview
