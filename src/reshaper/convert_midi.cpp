#include "reshaper/convert_midi.h"

#include <filesystem>
#include <system_error>

#include "reshaper/merge_tracks.h"
#include "reshaper/midi_song.h"
#include "reshaper/midi_stream.h"

namespace reshaper {

namespace {

// Opening the output would empty the input before it is read.
bool sameFile(const char* inputPath, const char* outputPath) {
  if (outputPath == nullptr || outputPath[0] == '\0') return false;
  std::error_code ignored;
  return std::filesystem::equivalent(inputPath, outputPath, ignored);
}

int32_t convert(const char* inputPath, const char* outputPath) {
  MidiSong source;
  MidiSong target;
  MidiStream input;
  MidiStream output;
  if (!input.open(inputPath, MidiStream::Reading)) return kFileFailure;
  if (sameFile(inputPath, outputPath)) return kFileFailure;
  if (!output.open(outputPath, MidiStream::Writing)) return kFileFailure;

  source.transfer(input);
  if (source.getFormat() != 1) return kNotFormat1;
  target.setHeader(0, 1, source.getDivision());
  mergeTracks(source, target);
  target.transfer(output);
  bool written = output.close();
  input.close();
  return written ? kConverted : kFileFailure;
}

}  // namespace

int32_t convertMidi(const char* inputPath, const char* outputPath) noexcept {
  try {
    return convert(inputPath, outputPath);
  } catch (...) {
    // Memory ran out; every object of the call is gone again.
    return kFileFailure;
  }
}

}  // namespace reshaper
