// The RIFF "WAVE" file of 16-bit PCM samples: a 44-byte header ("RIFF",
// "fmt " with format 1, "data") and the samples, little-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::preview {

// Interleaved samples of `channels` channels. Throws
// midifile::ConversionError when the data would not fit the format's 32-bit
// sizes.
midifile::ByteString WavFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t sample_rate);

}  // namespace chimekit::preview
