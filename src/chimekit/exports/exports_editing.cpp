// The editing exports: a MIDI file in, a changed MIDI file out.
#include "chimekit.h"
#include "chimekit/editing/tags.h"
#include "chimekit/editing/trim.h"
#include "chimekit/editing/volume.h"
#include "chimekit/frame/frame.h"
#include "midifile/file_io.h"

using namespace chimekit;

extern "C" {

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDITrimMs(const char* InFile, const char* OutFile, uint32_t StartMs,
                                              uint32_t EndMs) {
  return RunExport([&]() { return TrimFile(InFile, OutFile, TrimRange{StartMs, EndMs, true}); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDITrimPercents(const char* InFile, const char* OutFile, uint32_t StartPercent,
                                                    uint32_t EndPercent) {
  return RunExport(
      [&]() { return TrimFile(InFile, OutFile, TrimRange{LowByte(StartPercent), LowByte(EndPercent), false}); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetVol(const char* InFile, const char* OutFile, int32_t VolumeShift,
                                              int32_t KeyShift, uint32_t DrumsToo) {
  chimekit::VolumeShift shift{SignedLowByte(VolumeShift), SignedLowByte(KeyShift), LowByte(DrumsToo) != 0};
  return RunRewriteExport(InFile, OutFile, [&](const LoadedInput& input) { return ShiftVolume(input, shift).bytes; });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetTags(const char* InFile, const char* TagFile, const char* OutFile) {
  return RunExport([&]() -> uint8_t {
    if (!midifile::InputExists(InFile) || !midifile::InputExists(TagFile)) return kMissingInput;
    LoadedInput input = LoadForRewrite(PathArgument(InFile));
    midifile::ByteString tags = midifile::ReadWholeFile(PathArgument(TagFile));
    midifile::WriteFileAtomically(PathArgument(OutFile), PlaceTags(input, tags));
    return kDone;
  });
}

}  // extern "C"
