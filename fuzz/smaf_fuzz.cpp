// libFuzzer target: MIDI2SMAF from the file as its export loads it, and the
// whole ringtone job of `chimekit ringtone` (merge, re-time, cut, volume,
// limit). The song the job writes must read strictly; whatever the
// converter writes, the inspector (the SMAF reader's listing) must accept
// without a problem, and it must count what the converter says it wrote.
//
// Input: a flag byte (bit 0: the ringtone job, bit 1: the library's timing,
// bit 2: a start, bit 3: a volume shift), the start (one byte, 64 ms
// steps, with bit 2), the length in milliseconds (two bytes), the note
// limit, the volume shift (with bit 3), then the MIDI file.
#include <cstddef>
#include <cstdint>

#include "chimekit/smaf/convert.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/read.h"
#include "chimekit/ringtone/ringtone.h"
#include "written_midi.h"

namespace {

void ConvertAndInspect(const midifile::TMidiFile& file) {
  chimekit::smaf::TSmafConversion converted;
  try {
    converted = chimekit::smaf::ConvertToSmaf(file);
  } catch (const midifile::ConversionError&) {
    return;  // no track, or no time base: the export's status 1
  }
  const chimekit::smafread::SmafListing inspection =
      chimekit::smafread::ListSmaf(converted.bytes, chimekit::smafread::ReadSmafScore(converted.bytes));
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
  const uint8_t flags = input.Byte();
  chimekit::RingtoneOptions options;
  options.timing = (flags & 2) != 0 ? chimekit::RingtoneTiming::kLibrary : chimekit::RingtoneTiming::kTempoMap;
  options.window = chimekit::RingtoneWindow{};
  options.window->start_ms = (flags & 4) != 0 ? uint32_t{input.Byte()} << 6 : 0;
  options.window->length_ms = static_cast<uint32_t>(input.Byte()) << 8;
  options.window->length_ms |= input.Byte();
  options.note_limit = input.Byte();
  options.volume_shift = (flags & 8) != 0 ? static_cast<int8_t>(input.Byte()) : 0;
  const std::string_view song = input.Rest();
  if ((flags & 1) == 0) {
    std::optional<chimekit::LoadedInput> loaded = fuzz::LoadSong(song);
    if (loaded) ConvertAndInspect(loaded->file);
    return 0;
  }
  // The whole job of the ringtone command; the reader's and the
  // conversion's own failures end it.
  chimekit::RingtoneJob job;
  try {
    job = chimekit::MakeRingtone(midifile::ByteString(song), options);
  } catch (const midifile::ChimeError&) {
    return 0;
  }
  midifile::TMidiFile made;
  made.ReadBytes(job.song);
  const std::string_view division = std::string_view(job.song).substr(12, 2);
  fuzz::CheckWrittenMidi(job.song, {static_cast<uint16_t>(made.FileFormat()), made.NumberOfTracks(), division},
                         {.running_status = true, .any_meta = true, .tags = true});
  ConvertAndInspect(made);
  return 0;
}
