// A RIFF "WAVE" file of 16-bit PCM built in memory as the samples arrive: a
// 44-byte header ("RIFF", "fmt " with format 1, "data") and the samples,
// little-endian, interleaved.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midifile/bytes.h"

namespace chimekit::preview {

class WavWriter {
 public:
  // `expected_frames` only reserves room.
  WavWriter(uint16_t channels, uint32_t sample_rate, uint64_t expected_frames = 0);

  void Append(const int16_t* samples, size_t count);
  // The finished file. Throws midifile::ConversionError when the samples do
  // not fit the format's 32-bit sizes.
  midifile::ByteString Finish();

 private:
  midifile::ByteString bytes_;
};

}  // namespace chimekit::preview
