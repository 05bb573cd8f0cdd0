// MIDI2SMAF: a MIDI file in, a SMAF ringtone out.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/smaf/convert.h"
#include "midifile/file_io.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDI2SMAF(const char* InFile, const char* OutFile) {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(InFile)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(InFile));
    smaf::TSmafConversion smaf = smaf::ConvertToSmaf(file);
    midifile::WriteFileAtomically(PathArgument(OutFile), smaf.bytes);
    return kDone;
  });
}

}  // extern "C"
