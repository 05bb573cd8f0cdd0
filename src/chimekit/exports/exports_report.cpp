// The text report exports: channel usage and the dump.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/inspection/channels.h"
#include "chimekit/inspection/dump.h"
#include "midifile/file_io.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIUsedChannels(const char* InFile, const char* OutFile) {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(InFile)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(InFile));
    midifile::WriteFileAtomically(PathArgument(OutFile), UsedChannelsReport(file));
    return kDone;
  });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIDump(const char* InFile, const char* OutFile, uint32_t Verbose) {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(InFile)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(InFile));
    midifile::WriteFileAtomically(PathArgument(OutFile), DumpText(file, LowByte(Verbose) != 0));
    return kDone;
  });
}

}  // extern "C"
