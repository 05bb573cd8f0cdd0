// MIDI2SP: a MIDI file in, the same file with its channels renumbered and
// its notes limited per channel out.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/sp/sp_convert.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDI2SP(const char* InFile, const char* OutFile, const char* ChannelOrder,
                                           uint32_t DrumSwitch, uint32_t NoteLimit) {
  return RunExport(
      [&]() { return SpFile(InFile, OutFile, ChannelOrder, LowByte(DrumSwitch) != 0, LowByte(NoteLimit)); });
}

}  // extern "C"
