// libFuzzer target: MIDI2SMAF from the file as its export loads it, and the
// ringtone preparation of `chimekit ringtone` before it. Whatever the
// converter writes, the SMAF inspector must accept without a problem, and
// it must count what the converter says it wrote.
//
// Input: a flag byte (bit 0: prepare the song as a ringtone first), the
// ringtone's length in milliseconds (two bytes) and note limit, then the
// MIDI file.
#include <cstddef>
#include <cstdint>

#include "chimekit/smaf/convert.h"
#include "chimekit/smaf/inspect.h"
#include "chimekit/sp/ringtone_song.h"
#include "written_midi.h"

namespace {

void ConvertAndInspect(const midifile::TMidiFile& file) {
  chimekit::smaf::TSmafConversion converted;
  try {
    converted = chimekit::smaf::ConvertToSmaf(file);
  } catch (const midifile::ConversionError&) {
    return;  // no track, or no time base: the export's status 1
  }
  chimekit::smaf::SmafInspection inspection = chimekit::smaf::InspectSmaf(converted.bytes);
  if (!inspection.ok) {
    fuzz::Broken("the inspector finds a problem in the converter's output:",
                 inspection.problems.empty() ? std::string_view() : std::string_view(inspection.problems.front()));
  }
  fuzz::Check(static_cast<int64_t>(inspection.score_tracks) == converted.summary.score_tracks,
              "the inspector counts other score tracks");
  fuzz::Check(inspection.score_tracks == 0 || static_cast<int64_t>(inspection.timebase_ms) == converted.summary.timebase_ms,
              "the inspector reads another time base");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool ringtone = (input.Byte() & 1) != 0;
  chimekit::RingtoneSongOptions options;
  options.length_ms = static_cast<uint32_t>(input.Byte()) << 8;
  options.length_ms |= input.Byte();
  options.note_limit = input.Byte();
  std::optional<chimekit::LoadedInput> song = fuzz::LoadSong(input.Rest());
  if (!song) return 0;
  if (!ringtone) {
    ConvertAndInspect(song->file);
    return 0;
  }
  chimekit::RingtoneSong ready = chimekit::PrepareRingtoneSong(*song, options);
  if (!ready.bytes) {
    ConvertAndInspect(song->file);
    return 0;
  }
  fuzz::CheckWrittenMidi(*ready.bytes, fuzz::RewriteHeaderOf(*song), {.running_status = true, .tags = true});
  midifile::TMidiFile changed;
  changed.ReadBytes(*ready.bytes);
  ConvertAndInspect(changed);
  return 0;
}
