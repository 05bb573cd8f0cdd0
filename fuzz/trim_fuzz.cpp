// libFuzzer target: MIDITrimMs and MIDITrimPercents from the bytes as their
// exports load them. A refused range is refused before the song is looked
// at; a trimmed file reads strictly and in chimekit's reader alike, keeps
// the input's header and holds only channel messages (running status
// allowed), tempo events and its end of track.
//
// Input: a flag byte (bit 0: percentages), the start and the end (four
// bytes each), then the MIDI file.
#include <cstddef>
#include <cstdint>

#include "chimekit/editing/trim.h"
#include "written_midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool in_ms = (input.Byte() & 1) == 0;
  chimekit::TrimRange range{input.Word(), input.Word(), in_ms};
  // Small percentages are the useful ones.
  if (!in_ms) range = {range.start % 128, range.end % 128, false};
  std::optional<chimekit::LoadedInput> song = fuzz::LoadSong(input.Rest());
  const bool refused = chimekit::RangeProblem(range) != nullptr;
  fuzz::Check(refused == (range.start > range.end || (!in_ms && range.end > 100)), "the range test");
  if (!song || refused) return 0;
  std::optional<midifile::ByteString> trimmed = chimekit::TrimSong(*song, range);
  // A length that wrapped below 0 is no length either.
  fuzz::Check(trimmed.has_value() == (song->file.SongLengthMs() > 0), "status 3 for a song that has a length");
  if (!trimmed) return 0;
  fuzz::CheckWrittenMidi(*trimmed, fuzz::RewriteHeaderOf(*song), {.running_status = true});
  return 0;
}
