// libFuzzer target: MIDIMerge and MIDICombine, two files loaded as their
// exports load them. The joined file reads strictly and in chimekit's
// reader alike, counts the tracks of both inputs, is of format 1 (0 when
// neither has a track) at the first file's division, and is its own
// rewrite.
//
// Input: a flag byte (bit 0: combine), the first file with its length in
// two bytes, then the second file.
#include <cstddef>
#include <cstdint>

#include "chimekit/editing/join.h"
#include "midifile/errors.h"
#include "written_midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool sequential = (input.Byte() & 1) != 0;
  std::optional<chimekit::LoadedInput> first = fuzz::LoadSong(input.Sized());
  std::optional<chimekit::LoadedInput> second = fuzz::LoadSong(input.Rest());
  if (!first || !second) return 0;
  chimekit::JoinedFile joined;
  try {
    joined = chimekit::JoinInputs(*first, *second, sequential);
  } catch (const midifile::ConversionError&) {
    return 0;  // a delta time beyond 2^31 - 1: the exports' status 1
  }
  const int32_t tracks = first->file.NumberOfTracks() + second->file.NumberOfTracks();
  fuzz::CheckWrittenMidi(joined.bytes, {static_cast<uint16_t>(tracks > 0 ? 1 : 0), tracks, first->division}, {});
  fuzz::CheckWalkGivesItBack(joined.bytes);
  return 0;
}
