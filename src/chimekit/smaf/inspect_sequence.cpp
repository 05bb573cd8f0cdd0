// The sequence chunk in words: notes with the key they play, controls by
// name, no-operations; unknown control types, octave setting values and
// note values are problems.
#include "chimekit/smaf/inspect_parts.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf::inspect {
namespace {

void DescribeOctaveSetting(const std::string& prefix, const SmafSequenceEvent& event, InspectionLog& log) {
  if (!IsOctaveSetting(event.value)) {
    log.Line(prefix + "octave setting " + Hex(event.value));
    log.Problem(event.at, "octave setting value " + Hex(event.value) + " (00 original, 01 to 04 up, 81 to 84 down)");
    return;
  }
  const uint32_t octaves = event.value & 0x7F;
  const std::string setting = octaves == 0                ? std::string("original")
                              : (event.value & 0x80) != 0 ? "down " + std::to_string(octaves)
                                                          : "up " + std::to_string(octaves);
  log.Line(prefix + "octave setting " + setting + " (base " + std::to_string(event.octave_base) + ")");
}

void DescribeControl(const std::string& prefix, const SmafSequenceEvent& event, const std::bitset<256>& voiced,
                     InspectionLog& log) {
  const std::string text = prefix + "ch" + std::to_string(event.channel) + " ";
  const std::string number = std::to_string(event.value);
  switch (event.type) {
    case kControlProgram:
      log.Line(text + "program change " + number);
      if (!voiced[event.value]) {
        log.Problem(event.at, "program change to " + number + ", which has no voice message in the setup");
      }
      return;
    case kControlOctave:
      DescribeOctaveSetting(text, event, log);
      return;
    case kControlModulation:
      log.Line(text + "modulation " + number);
      return;
    case kControlPitchBend:
      log.Line(text + "pitch bend " + number);
      return;
    case kControlVolume:
      log.Line(text + "volume " + number);
      return;
    case kControlPan:
      log.Line(text + "pan " + number);
      return;
    case kControlExpression:
      log.Line(text + "expression " + number);
      return;
    default:
      log.Line(text + "control type " + Hex(event.type) + " value " + number);
      log.Problem(event.at, "unknown control type " + Hex(event.type));
  }
}

void DescribeNote(const std::string& prefix, const SmafSequenceEvent& event, InspectionLog& log) {
  std::string text = prefix + "ch" + std::to_string(event.channel) + " note octave " + std::to_string(event.octave) +
                     " note " + std::to_string(event.note);
  if (event.HasKey()) {
    const uint32_t above_base = 12u * event.octave + event.note;
    text += " (base+" + std::to_string(above_base) + " = key " + std::to_string(event.Key()) + ")";
  }
  log.Line(text + " gate " + std::to_string(event.gate));
  if (!event.HasKey()) {
    const uint32_t note_byte = (static_cast<uint32_t>(event.channel) << 6) | (event.octave << 4) | event.note;
    log.Problem(event.at, "note byte " + Hex(note_byte) + " holds note " + std::to_string(event.note) + " (1 to 12)");
  }
}

}  // namespace

SequenceContents InspectSequence(const SmafSequence& sequence, const std::bitset<256>& voiced, InspectionLog& log) {
  SequenceContents contents;
  FaultCursor faults(sequence.faults);
  for (size_t i = 0; i < sequence.events.size(); ++i) {
    faults.ListUpTo(i, log);
    const SmafSequenceEvent& event = sequence.events[i];
    const std::string prefix = "+" + std::to_string(event.duration) + " ";
    switch (event.kind) {
      case SmafEventKind::kControl:
        DescribeControl(prefix, event, voiced, log);
        break;
      case SmafEventKind::kNop:
        log.Line(prefix + "nop");
        break;
      case SmafEventKind::kNote:
        DescribeNote(prefix, event, log);
        ++contents.notes;
        break;
    }
    ++contents.events;
    contents.units += event.duration;
  }
  faults.ListAll(log);
  return contents;
}

}  // namespace chimekit::smaf::inspect
