#include "reshaper/convert_midi.h"

#include <new>

#include "reshaper/file_buffer.h"
#include "reshaper/merge_tracks.h"
#include "reshaper/midi_stream.h"
#include "reshaper/output_file.h"
#include "reshaper/source_song.h"

namespace reshaper {

namespace {

// Converts the file held by the reading stream input into output, a byte
// vector. Leaves output empty when the file is no format 1 file.
template <class Bytes>
ConversionResult convertStream(MidiStream& input, Bytes& output) {
  ConversionResult result;
  output.clear();
  SourceSong source = readSource(input);
  // The format field alone decides; a damaged rest converts as far as it
  // could be read.
  if (source.format != 1) {
    result.status = kNotFormat1;
    return result;
  }
  uint64_t bound = mergedFileBound(source);
  if (bound > output.max_size()) throw std::bad_alloc();
  output.resize(static_cast<size_t>(bound));
  MergedFile merged = mergeTracks(source, output.data());
  output.resize(merged.size);
  result.tracksMerged = merged.tracks;
  result.eventsWritten = merged.events;
  return result;
}

ConversionResult failure(int32_t status, FailedFile file = FailedFile::None) {
  ConversionResult result;
  result.status = status;
  result.failedFile = file;
  return result;
}

ConversionResult convertFiles(const char* inputPath, const char* outputPath) {
  MidiStream input;
  MidiStream output;
  if (!input.open(inputPath, MidiStream::Reading)) return failure(kFileFailure, FailedFile::Input);
  // The input is in memory now; an output that is the input file, however
  // spelt, is replaced only by a converted file.
  const bool inPlace = sameFile(inputPath, outputPath);
  if (!output.open(outputPath, MidiStream::Writing)) return failure(kFileFailure, FailedFile::Output);
  FileBytes converted;
  ConversionResult result = convertStream(input, converted);
  input.close();
  // A file that is no format 1 leaves an empty output, unless that would
  // empty the input itself (the output stream is then dropped unwritten).
  if (result.status == kNotFormat1 && inPlace) return result;
  if (!output.closeWith(converted)) return failure(kWriteFailure);
  return result;
}

template <class Bytes>
ConversionResult convertInMemory(std::span<const uint8_t> input, Bytes& output) noexcept {
  try {
    MidiStream in;
    in.openBytes(input);
    return convertStream(in, output);
  } catch (...) {
    // Only memory can run out here; every object of the call is gone again.
    output.clear();
    return failure(kOutOfMemory);
  }
}

}  // namespace

ConversionResult convertBytes(std::span<const uint8_t> input, std::vector<uint8_t>& output) noexcept {
  return convertInMemory(input, output);
}

ConversionResult convertBytes(std::span<const uint8_t> input, FileBytes& output) noexcept {
  return convertInMemory(input, output);
}

ConversionResult convertFile(const char* inputPath, const char* outputPath) noexcept {
  try {
    return convertFiles(inputPath, outputPath);
  } catch (...) {
    // Only memory can run out here (the file system is asked without
    // exceptions); the streams are gone and the target is untouched.
    return failure(kOutOfMemory);
  }
}

int32_t convertMidi(const char* inputPath, const char* outputPath) noexcept {
  return convertFile(inputPath, outputPath).status;
}

}  // namespace reshaper
