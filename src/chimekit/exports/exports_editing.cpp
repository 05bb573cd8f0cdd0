// The editing exports: a MIDI file in, a changed MIDI file out.
#include <algorithm>

#include "chimekit.h"
#include "chimekit/editing/channel_edit.h"
#include "chimekit/editing/equalizer.h"
#include "chimekit/editing/instrument_map.h"
#include "chimekit/editing/join.h"
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

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIEqualizer(const char* InFile, const char* OutFile, uint32_t Band1,
                                                 uint32_t Band2, uint32_t Band3, uint32_t Band4, uint32_t Band5,
                                                 uint32_t Band6, uint32_t Band7, uint32_t Band8, uint32_t DrumLevel) {
  EqualizerLevels levels{{LowByte(Band1), LowByte(Band2), LowByte(Band3), LowByte(Band4), LowByte(Band5),
                          LowByte(Band6), LowByte(Band7), LowByte(Band8)},
                         LowByte(DrumLevel)};
  return RunRewriteExport(InFile, OutFile, [&](const LoadedInput& input) { return Equalize(input, levels); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDISetInstrMap(const char* InFile, const char* OutFile, const uint8_t* KeepTable,
                                                   const uint8_t* MapTable) {
  return RunExport([&]() -> uint8_t {
    // The call's own copies, taken before anything else.
    InstrumentTables tables;
    if (KeepTable == nullptr || MapTable == nullptr) return kLibraryError;
    std::copy_n(KeepTable, tables.keep.size(), tables.keep.begin());
    std::copy_n(MapTable, tables.map.size(), tables.map.begin());
    return RunRewriteExport(InFile, OutFile,
                            [&](const LoadedInput& input) { return MapInstruments(input, tables); });
  });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDICopyChannel(const char* InFile, const char* OutFile, uint32_t FromChannel,
                                                   uint32_t ToChannel) {
  return RunRewriteExport(InFile, OutFile, [&](const LoadedInput& input) {
    return CopyChannel(input, LowByte(FromChannel), LowByte(ToChannel));
  });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIRemoveChannel(const char* InFile, const char* OutFile, uint32_t Channel) {
  return RunRewriteExport(InFile, OutFile,
                          [&](const LoadedInput& input) { return RemoveChannel(input, LowByte(Channel)); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDIMerge(const char* FirstFile, const char* SecondFile, const char* OutFile) {
  return RunExport([&]() { return JoinFiles(FirstFile, SecondFile, OutFile, false); });
}

CHIMEKIT_API uint8_t CHIMEKIT_CALL MIDICombine(const char* FirstFile, const char* SecondFile, const char* OutFile) {
  return RunExport([&]() { return JoinFiles(FirstFile, SecondFile, OutFile, true); });
}

}  // extern "C"
