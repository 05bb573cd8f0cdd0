// MIDI2SMAF: a MIDI file in, a SMAF ringtone out.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/smaf/convert.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDI2SMAF(const char* InFile, const char* OutFile) {
  return RunFileToFileExport(InFile, OutFile,
                             [](const midifile::TMidiFile& file) { return smaf::ConvertToSmaf(file).bytes; });
}

}  // extern "C"
