// The inspection exports: a thin layer over the core.
#include "chimekit.h"
#include "chimekit/editing/tags.h"
#include "chimekit/editing/volume.h"
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

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetTags(const char* InFile, const char* OutFile) {
  return RunFileToFileExport(InFile, OutFile, [](const midifile::TMidiFile& file) { return TagList(file); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIGetVol(const char* InFile, uint8_t* MaxVolume, uint8_t* MeanVolume,
                                              uint8_t* MeanKey) {
  return RunExport([&]() -> uint8_t {
    for (uint8_t* result : {MaxVolume, MeanVolume, MeanKey}) {
      if (result != nullptr) *result = 0;
    }
    if (!midifile::InputExists(InFile)) return kMissingInput;
    VolumeLevels levels = MeasureVolume(LoadMidiFile(PathArgument(InFile)));
    if (MaxVolume != nullptr) *MaxVolume = levels.max_volume;
    if (MeanVolume != nullptr) *MeanVolume = levels.mean_volume;
    if (MeanKey != nullptr) *MeanKey = levels.mean_key;
    return kDone;
  });
}

}  // extern "C"
