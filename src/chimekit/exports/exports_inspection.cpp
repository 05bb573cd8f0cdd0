// The inspection exports: a thin layer over the core.
#include "chimekit.h"
#include "chimekit/frame/frame.h"
#include "chimekit/inspection/length.h"
#include "midifile/file_io.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetLengthMs(const char* InFile, int32_t* LengthMs) {
  return RunExport([&]() -> uint8_t {
    if (LengthMs != nullptr) *LengthMs = 0;
    if (!midifile::InputExists(InFile)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(InFile));
    int32_t length = file.SongLengthMs();
    if (LengthMs != nullptr) *LengthMs = length;
    return kDone;
  });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIFirstNoteTimeMs(const char* InFile, int32_t* FirstNoteTime) {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(InFile)) return kMissingInput;
    midifile::TMidiFile file = LoadMidiFile(PathArgument(InFile));
    int32_t first = chimekit::FirstNoteTime(file);
    if (FirstNoteTime != nullptr) *FirstNoteTime = first;
    return kDone;
  });
}

}  // extern "C"
