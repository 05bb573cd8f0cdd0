#include "chimekit/preview/wav_writer.h"

#include <algorithm>

#include "midifile/errors.h"

namespace chimekit::preview {
namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint16_t kBytesPerSample = 2;
constexpr size_t kRiffSizeAt = 4;
constexpr size_t kDataSizeAt = 40;

void Append16(midifile::ByteString& out, uint32_t value) {
  midifile::AppendByte(out, value);
  midifile::AppendByte(out, value >> 8);
}

void Append32(midifile::ByteString& out, uint32_t value) {
  Append16(out, value & 0xFFFF);
  Append16(out, value >> 16);
}

void Patch32(midifile::ByteString& out, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

WavWriter::WavWriter(uint16_t channels, uint32_t sample_rate, uint64_t expected_frames) {
  bytes_.reserve(kHeaderBytes +
                 static_cast<size_t>(std::min<uint64_t>(expected_frames * channels * kBytesPerSample, UINT32_MAX)));
  bytes_ += "RIFF";
  Append32(bytes_, 0);  // set by Finish
  bytes_ += "WAVEfmt ";
  Append32(bytes_, 16);  // size of the format chunk
  Append16(bytes_, 1);   // PCM
  Append16(bytes_, channels);
  Append32(bytes_, sample_rate);
  Append32(bytes_, sample_rate * channels * kBytesPerSample);  // bytes per second
  Append16(bytes_, channels * kBytesPerSample);                // bytes per frame
  Append16(bytes_, 8 * kBytesPerSample);                       // bits per sample
  bytes_ += "data";
  Append32(bytes_, 0);  // set by Finish
}

void WavWriter::Append(const int16_t* samples, size_t count) {
  char little_endian[512];
  while (count > 0) {
    const size_t part = std::min(count, sizeof little_endian / kBytesPerSample);
    for (size_t i = 0; i < part; ++i) {
      const auto bits = static_cast<uint16_t>(samples[i]);
      little_endian[2 * i] = static_cast<char>(bits & 0xFF);
      little_endian[2 * i + 1] = static_cast<char>(bits >> 8);
    }
    bytes_.append(little_endian, part * kBytesPerSample);
    samples += part;
    count -= part;
  }
}

midifile::ByteString WavWriter::Finish() {
  const uint64_t data_bytes = bytes_.size() - kHeaderBytes;
  if (data_bytes > UINT32_MAX - kHeaderBytes) throw midifile::ConversionError("The sound is too long for a WAV file");
  Patch32(bytes_, kRiffSizeAt, static_cast<uint32_t>(bytes_.size() - 8));
  Patch32(bytes_, kDataSizeAt, static_cast<uint32_t>(data_bytes));
  return std::move(bytes_);
}

}  // namespace chimekit::preview
