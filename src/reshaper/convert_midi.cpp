#include "reshaper/convert_midi.h"

#include "reshaper/merge_tracks.h"
#include "reshaper/midi_song.h"
#include "reshaper/midi_stream.h"

namespace reshaper {

namespace {

// Reads the source from input and writes its merged form to output. Leaves
// output empty when the source is no format 1 file.
ConversionResult convertStreams(MidiStream& input, MidiStream& output) {
  ConversionResult result;
  MidiSong source;
  MidiSong target;
  // The merged file is about as long as the source.
  output.reserve(input.remaining());
  // The format field alone decides; a damaged rest converts as far as it
  // could be read.
  source.transfer(input);
  if (source.getFormat() != 1) {
    result.status = kNotFormat1;
    return result;
  }
  target.setHeader(0, 1, source.getDivision());
  MergeCounts counts = mergeTracks(source, target);
  target.transfer(output);
  result.tracksMerged = counts.tracks;
  result.eventsWritten = counts.events;
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
  if (!output.open(outputPath, MidiStream::Writing)) return failure(kFileFailure, FailedFile::Output);
  ConversionResult result = convertStreams(input, output);
  input.close();
  // Also the empty output of a file that is no format 1 must get there.
  if (!output.close()) return failure(kWriteFailure);
  return result;
}

}  // namespace

ConversionResult convertBytes(std::span<const uint8_t> input, std::vector<uint8_t>& output) noexcept {
  try {
    MidiStream in;
    MidiStream out;
    in.openBytes(input);
    out.openMemory();
    ConversionResult result = convertStreams(in, out);
    output = result.status == kConverted ? out.takeBytes() : std::vector<uint8_t>{};
    return result;
  } catch (...) {
    // Only memory can run out here; every object of the call is gone again.
    output.clear();
    return failure(kOutOfMemory);
  }
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
