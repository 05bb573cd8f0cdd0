// The FM voice of the preview: the twelve voice parameter bytes of a SMAF
// voice message (the layout of tools/voicegen) as named fields.
#pragma once

#include <array>
#include <cstdint>

#include "midifile/bytes.h"

namespace chimekit::preview {

// One operator, five bytes:
//   multiplier (7-4), vibrato (3), sustained envelope (2), sustain (1), key scale rate (0);
//   release rate (7-4), decay rate (3-0);
//   attack rate (7-4), sustain level (3-0);
//   total level (7-2), key scale level (1-0);
//   modulation-depth and waveform bits (not used by the preview).
struct FmOperator {
  uint8_t multiplier = 1;  // 0 stands for one half
  bool vibrato = false;
  bool sustained = true;  // holds at the sustain level while the key is down
  bool sustain = false;   // not used by the preview
  bool key_scale_rate = false;
  uint8_t attack_rate = 15;  // 0 (never) to 15 (fastest)
  uint8_t decay_rate = 0;
  uint8_t sustain_level = 0;  // 0 (peak) to 15 (silent)
  uint8_t release_rate = 15;
  uint8_t total_level = 0;      // 0 (loudest) to 63
  uint8_t key_scale_level = 0;  // 0 to 3
};

// The whole voice: byte 0 LFO (7-6), feedback (5-3), algorithm (2-0),
// byte 1 unused, then the modulator's and the carrier's five bytes.
struct FmVoice {
  uint8_t lfo = 0;
  uint8_t feedback = 0;
  uint8_t algorithm = 0;  // 1: both operators sound; any other: the modulator drives the carrier
  FmOperator modulator;
  FmOperator carrier;
};

// Decodes voice parameter bytes; bytes missing at the end read as 0.
FmVoice DecodeVoice(midifile::ByteView parameters);

// The voice of the library's own table for a program (its low seven bits).
FmVoice BuiltInVoice(uint32_t program);

}  // namespace chimekit::preview
