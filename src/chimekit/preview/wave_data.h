// The waves of a SMAF file as the preview plays them: audio-track waves,
// stream PCM and the waves of sampled voices, decoded to 16-bit samples at
// the wave's own rate before the render starts.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::preview {

enum class WaveEncoding : uint8_t {
  kAdpcm,         // 4-bit ADPCM, two samples a byte, the low nibble first
  kPcm8Signed,    // 8-bit PCM, two's complement
  kPcm8Unsigned,  // 8-bit PCM, offset binary (0x80 is silence)
};

struct DecodedWave {
  uint32_t sample_rate = 0;  // Hz
  std::vector<int16_t> samples;
};

// The 4-bit ADPCM of SMAF waves: each nibble (a sign bit and a 3-bit
// magnitude m) moves the sample by (2m + 1) / 8 of the step, rounded
// towards zero, within 16 bits; the step then grows or shrinks by a factor
// of the magnitude (0.90 for 0 to 3, 1.20, 1.60, 2.0, 2.40 for 4 to 7)
// and stays within 127 and 24576. A wave starts at 0 with the step 127.
class AdpcmDecoder {
 public:
  int16_t Next(uint32_t nibble);

 private:
  int32_t sample_ = 0;
  int32_t step_ = 127;
};

// The samples the bytes hold: two a byte of ADPCM, one a byte of PCM.
DecodedWave DecodeWave(WaveEncoding encoding, uint32_t sample_rate, midifile::ByteView data);

}  // namespace chimekit::preview
