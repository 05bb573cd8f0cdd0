#include "chimekit/preview/wave_data.h"

#include <algorithm>

namespace chimekit::preview {
namespace {

// The step's factor for a magnitude, in 256ths.
constexpr int32_t kStepScale[8] = {230, 230, 230, 230, 307, 409, 512, 614};
constexpr int32_t kMinStep = 127;
constexpr int32_t kMaxStep = 24576;

}  // namespace

int16_t AdpcmDecoder::Next(uint32_t nibble) {
  const int32_t magnitude = static_cast<int32_t>(nibble & 7);
  const int32_t change = step_ * (2 * magnitude + 1) / 8;
  sample_ = std::clamp((nibble & 8) != 0 ? sample_ - change : sample_ + change, -32768, 32767);
  step_ = std::clamp((step_ * kStepScale[magnitude]) >> 8, kMinStep, kMaxStep);
  return static_cast<int16_t>(sample_);
}

DecodedWave DecodeWave(WaveEncoding encoding, uint32_t sample_rate, midifile::ByteView data) {
  DecodedWave wave;
  wave.sample_rate = sample_rate;
  switch (encoding) {
    case WaveEncoding::kAdpcm: {
      wave.samples.reserve(2 * data.size());
      AdpcmDecoder decoder;
      for (const char c : data) {
        const auto byte = static_cast<uint8_t>(c);
        wave.samples.push_back(decoder.Next(byte & 0x0F));
        wave.samples.push_back(decoder.Next(byte >> 4));
      }
      break;
    }
    case WaveEncoding::kPcm8Signed:
      wave.samples.reserve(data.size());
      for (const char c : data) wave.samples.push_back(static_cast<int16_t>(static_cast<int8_t>(c) * 256));
      break;
    case WaveEncoding::kPcm8Unsigned:
      wave.samples.reserve(data.size());
      for (const char c : data) wave.samples.push_back(static_cast<int16_t>((static_cast<uint8_t>(c) - 128) * 256));
      break;
  }
  return wave;
}

}  // namespace chimekit::preview
