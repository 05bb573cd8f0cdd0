// Every export of both libraries as one kind of call, for the tests and the
// fuzz target that treat them all alike: the paths and number arguments go
// in one record, and the status comes back widened to 32 bits.
#pragma once

#include <cstdint>
#include <span>

namespace hardening {

struct ExportArguments {
  const char* input = nullptr;
  // The second input: MIDISetTags' tag file, the SecondFile of MIDIMerge and
  // MIDICombine.
  const char* second = nullptr;
  const char* output = nullptr;
  // The export's number arguments in their order (only the first few count
  // for most exports).
  uint32_t numbers[9] = {};
  const char* order = "";          // MIDI2SP's channel order text
  const uint8_t* keep = nullptr;   // MIDISetInstrMap's tables (256 bytes each)
  const uint8_t* map = nullptr;
  // The values of MIDIGetLengthMs, MIDIFirstNoteTimeMs and MIDIGetVol.
  int32_t value = 0;
  uint8_t levels[3] = {};
};

enum class Library : uint8_t { chimekit, reshaper };
enum class Output : uint8_t { none, text, midi, smaf };
enum class SecondInput : uint8_t { none, tags, midi };

struct ExportCall {
  const char* name;
  Library library;
  SecondInput second;
  Output output;
  // A status beside 0, 1 and 2 that the export gives for its arguments
  // (3 for a range, 4 for an order text); 0 when there is none.
  int32_t own_status;
  int32_t (*call)(ExportArguments& arguments);
};

// The eighteen exports of chimekit (MIDIDump twice: the full dump and the
// note list) and ConvertMidi.
std::span<const ExportCall> AllExports();

// The statuses of the two libraries.
inline constexpr int32_t kDone = 0;
inline constexpr int32_t kChimekitError = 1;
inline constexpr int32_t kMissingInput = 2;
inline constexpr int32_t kReshaperCannotOpen = -1;
inline constexpr int32_t kReshaperNotFormat1 = -4;
inline constexpr int32_t kReshaperCannotWrite = -5;

}  // namespace hardening
