#include "export_calls.h"

#include <array>

#include "chimekit.h"
#include "reshaper.h"

namespace hardening {
namespace {

using A = ExportArguments;
constexpr auto kOne = Library::chimekit;
constexpr auto kNone = SecondInput::none;

const std::array<ExportCall, 20> kExports = {{
    {"MIDIGetLengthMs", kOne, kNone, Output::none, 0, [](A& a) -> int32_t { return MIDIGetLengthMs(a.input, &a.value); }},
    {"MIDIFirstNoteTimeMs", kOne, kNone, Output::none, 0,
     [](A& a) -> int32_t { return MIDIFirstNoteTimeMs(a.input, &a.value); }},
    {"MIDIGetVol", kOne, kNone, Output::none, 0,
     [](A& a) -> int32_t { return MIDIGetVol(a.input, &a.levels[0], &a.levels[1], &a.levels[2]); }},
    {"MIDIUsedChannels", kOne, kNone, Output::text, 0,
     [](A& a) -> int32_t { return MIDIUsedChannels(a.input, a.output); }},
    {"MIDIDump", kOne, kNone, Output::text, 0, [](A& a) -> int32_t { return MIDIDump(a.input, a.output, 1); }},
    {"MIDIDump notes", kOne, kNone, Output::text, 0, [](A& a) -> int32_t { return MIDIDump(a.input, a.output, 0); }},
    {"MIDIGetTags", kOne, kNone, Output::text, 0, [](A& a) -> int32_t { return MIDIGetTags(a.input, a.output); }},
    {"MIDISetTags", kOne, SecondInput::tags, Output::midi, 0,
     [](A& a) -> int32_t { return MIDISetTags(a.input, a.second, a.output); }},
    {"MIDITrimMs", kOne, kNone, Output::midi, 3,
     [](A& a) -> int32_t { return MIDITrimMs(a.input, a.output, a.numbers[0], a.numbers[1]); }},
    {"MIDITrimPercents", kOne, kNone, Output::midi, 3,
     [](A& a) -> int32_t { return MIDITrimPercents(a.input, a.output, a.numbers[0], a.numbers[1]); }},
    {"MIDISetVol", kOne, kNone, Output::midi, 0,
     [](A& a) -> int32_t {
       return MIDISetVol(a.input, a.output, static_cast<int32_t>(a.numbers[0]), static_cast<int32_t>(a.numbers[1]),
                         a.numbers[2]);
     }},
    {"MIDIEqualizer", kOne, kNone, Output::midi, 0,
     [](A& a) -> int32_t {
       const uint32_t* n = a.numbers;
       return MIDIEqualizer(a.input, a.output, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8]);
     }},
    {"MIDISetInstrMap", kOne, kNone, Output::midi, 0,
     [](A& a) -> int32_t { return MIDISetInstrMap(a.input, a.output, a.keep, a.map); }},
    {"MIDICopyChannel", kOne, kNone, Output::midi, 0,
     [](A& a) -> int32_t { return MIDICopyChannel(a.input, a.output, a.numbers[0], a.numbers[1]); }},
    {"MIDIRemoveChannel", kOne, kNone, Output::midi, 0,
     [](A& a) -> int32_t { return MIDIRemoveChannel(a.input, a.output, a.numbers[0]); }},
    {"MIDIMerge", kOne, SecondInput::midi, Output::midi, 0,
     [](A& a) -> int32_t { return MIDIMerge(a.input, a.second, a.output); }},
    {"MIDICombine", kOne, SecondInput::midi, Output::midi, 0,
     [](A& a) -> int32_t { return MIDICombine(a.input, a.second, a.output); }},
    {"MIDI2SMAF", kOne, kNone, Output::smaf, 0, [](A& a) -> int32_t { return MIDI2SMAF(a.input, a.output); }},
    {"MIDI2SP", kOne, kNone, Output::midi, 4,
     [](A& a) -> int32_t { return MIDI2SP(a.input, a.output, a.order, a.numbers[0], a.numbers[1]); }},
    {"ConvertMidi", Library::reshaper, kNone, Output::midi, 0,
     [](A& a) -> int32_t { return ConvertMidi(a.input, a.output); }},
}};

}  // namespace

std::span<const ExportCall> AllExports() { return kExports; }

}  // namespace hardening
