#include "chimekit/preview/wav_writer.h"

#include "midifile/errors.h"

namespace chimekit::preview {
namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint16_t kBytesPerSample = 2;

void Append16(midifile::ByteString& out, uint32_t value) {
  midifile::AppendByte(out, value);
  midifile::AppendByte(out, value >> 8);
}

void Append32(midifile::ByteString& out, uint32_t value) {
  Append16(out, value & 0xFFFF);
  Append16(out, value >> 16);
}

}  // namespace

midifile::ByteString WavFile(const std::vector<int16_t>& samples, uint16_t channels, uint32_t sample_rate) {
  const uint64_t data_bytes = static_cast<uint64_t>(samples.size()) * kBytesPerSample;
  if (data_bytes > UINT32_MAX - kHeaderBytes) throw midifile::ConversionError("The sound is too long for a WAV file");
  midifile::ByteString out;
  out.reserve(kHeaderBytes + data_bytes);
  out += "RIFF";
  Append32(out, static_cast<uint32_t>(kHeaderBytes - 8 + data_bytes));
  out += "WAVEfmt ";
  Append32(out, 16);  // size of the format chunk
  Append16(out, 1);   // PCM
  Append16(out, channels);
  Append32(out, sample_rate);
  Append32(out, sample_rate * channels * kBytesPerSample);  // bytes per second
  Append16(out, channels * kBytesPerSample);                // bytes per frame
  Append16(out, 8 * kBytesPerSample);                       // bits per sample
  out += "data";
  Append32(out, static_cast<uint32_t>(data_bytes));
  for (int16_t sample : samples) Append16(out, static_cast<uint16_t>(sample));
  return out;
}

}  // namespace chimekit::preview
