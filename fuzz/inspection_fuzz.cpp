// libFuzzer target: the inspection exports (MIDIGetLengthMs,
// MIDIFirstNoteTimeMs, MIDIUsedChannels, MIDIDump, MIDIGetTags, MIDIGetVol)
// on the file as their export loads it. Only the core's own typed failures
// may leave them, and their answers agree with each other.
#include <cstddef>
#include <cstdint>

#include "chimekit/editing/tags.h"
#include "chimekit/editing/volume.h"
#include "chimekit/inspection/channels.h"
#include "chimekit/inspection/dump.h"
#include "chimekit/inspection/length.h"
#include "fuzz_input.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  midifile::TMidiFile file;
  try {
    file.ReadBytes(input.Rest());
  } catch (const midifile::ChimeError&) {
    return 0;  // the export's status 1
  }
  (void)file.SongLengthMs();
  const int32_t first_note = chimekit::FirstNoteTime(file);

  const midifile::ByteString report = chimekit::UsedChannelsReport(file);
  fuzz::Check(report.size() == 18 && report.substr(16) == "\r\n" &&
                  report.find_first_not_of("01") == 16,
              "the channel report is not sixteen 0/1 characters and CR LF", report);
  const bool any_note_on = report.find('1') < 16;
  // Both look at every track up to its end of track.
  fuzz::Check(first_note == 2147483647 || any_note_on, "a first note on no channel");

  const chimekit::VolumeLevels levels = chimekit::MeasureVolume(file);
  // The means keep their low 7 bits; the largest volume is the largest
  // data byte, which a damaged file may have above 127.
  fuzz::Check(levels.mean_volume <= 127 && levels.mean_key <= 127, "a mean volume or key above 127");
  fuzz::Check(any_note_on || levels.mean_key == 0, "a mean key without any note-on");

  const midifile::ByteString tags = chimekit::TagList(file);
  fuzz::Check(tags.size() >= 3 * chimekit::CollectTags(file).size(), "the tag list is shorter than its tags");
  for (bool verbose : {false, true}) {
    const midifile::ByteString dump = chimekit::DumpText(file, verbose);
    fuzz::Check(dump.empty() || dump.ends_with("\r\n"), "a dump line without CR LF");
  }
  return 0;
}
