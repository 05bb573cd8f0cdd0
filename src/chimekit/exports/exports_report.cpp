// The text report exports: channel usage and the dump.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/inspection/channels.h"
#include "chimekit/inspection/dump.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIUsedChannels(const char* InFile, const char* OutFile) {
  return RunFileToFileExport(InFile, OutFile, [](const midifile::TMidiFile& file) { return UsedChannelsReport(file); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIDump(const char* InFile, const char* OutFile, uint32_t Verbose) {
  return RunFileToFileExport(InFile, OutFile,
                             [&](const midifile::TMidiFile& file) { return DumpText(file, LowByte(Verbose) != 0); });
}

}  // extern "C"
