// The sequence chunk: events, each a duration (length number) followed by
//   a note byte ch<<6 | octave<<4 | note (note 1..12) and a gate time,
//   00, a control byte ch<<6 | type and a value, or
//   FF 00, a no-operation,
// and closed by the four bytes 00 00 00 00. No control byte is 00, so four
// zeros where an event would begin can only be the closing.
#include <array>

#include "chimekit/smaf/inspect_parts.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf::inspect {
namespace {

constexpr size_t kClosingBytes = 4;
constexpr int64_t kInitialOctaveBase = 36;

struct Channels {
  std::array<int64_t, 4> octave_base{kInitialOctaveBase, kInitialOctaveBase, kInitialOctaveBase, kInitialOctaveBase};
};

bool AllZero(midifile::ByteView bytes) { return bytes.find_first_not_of('\0') == midifile::ByteView::npos; }

void DescribeOctaveShift(const std::string& prefix, size_t at, uint32_t value, int64_t& base, InspectionLog& log) {
  const uint32_t steps = value & 0x7F;
  const bool down = (value & 0x80) != 0;
  if (steps < 1 || steps > 4) {
    log.Line(prefix + "octave shift " + Hex(value));
    log.Problem(at, "octave shift value " + Hex(value) + " (01 to 04 up, 81 to 84 down)");
    return;
  }
  base += down ? -12 * static_cast<int64_t>(steps) : 12 * static_cast<int64_t>(steps);
  log.Line(prefix + "octave shift " + (down ? "down " : "up ") + std::to_string(steps) + " (base now " +
           std::to_string(base) + ")");
}

void DescribeControl(const std::string& prefix, size_t at, uint32_t control, uint32_t value,
                     const std::bitset<256>& voiced, Channels& channels, InspectionLog& log) {
  const uint32_t type = control & 0x3F;
  const std::string text = prefix + "ch" + std::to_string(control >> 6) + " ";
  const std::string number = std::to_string(value);
  switch (type) {
    case kControlProgram:
      log.Line(text + "program change " + number);
      if (!voiced[value]) log.Problem(at, "program change to " + number + ", which has no voice message in the setup");
      return;
    case kControlOctave:
      DescribeOctaveShift(text, at, value, channels.octave_base[control >> 6], log);
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
      log.Line(text + "control type " + Hex(type) + " value " + number);
      log.Problem(at, "unknown control type " + Hex(type));
  }
}

void DescribeNote(const std::string& prefix, size_t at, uint32_t note_byte, uint32_t gate, const Channels& channels,
                  InspectionLog& log) {
  const uint32_t channel = note_byte >> 6;
  const uint32_t octave = (note_byte >> 4) & 3;
  const uint32_t note = note_byte & 0x0F;
  std::string text = prefix + "ch" + std::to_string(channel) + " note octave " + std::to_string(octave) + " note " +
                     std::to_string(note);
  const bool known = note >= 1 && note <= 12;
  if (known) {
    const uint32_t above_base = 12 * octave + note;
    text += " (base+" + std::to_string(above_base) + " = key " +
            std::to_string(channels.octave_base[channel] + above_base) + ")";
  }
  log.Line(text + " gate " + std::to_string(gate));
  if (!known) log.Problem(at, "note byte " + Hex(note_byte) + " holds note " + std::to_string(note) + " (1 to 12)");
}

}  // namespace

SequenceContents InspectSequence(midifile::ByteView file, size_t begin, size_t end, const std::bitset<256>& voiced,
                                 InspectionLog& log) {
  using midifile::ByteAt;
  SequenceContents sequence;
  Channels channels;
  size_t position = begin;
  while (true) {
    const size_t remaining = end - position;
    if (remaining == 0) {
      log.Problem(position, "the sequence ends without its closing 00 00 00 00");
      break;
    }
    if (AllZero(file.substr(position, remaining < kClosingBytes ? remaining : kClosingBytes))) {
      if (remaining < kClosingBytes) {
        log.Problem(position,
                    "the closing zeros of the sequence are cut short: " + std::to_string(remaining) + " of 4 bytes");
      } else if (remaining > kClosingBytes) {
        log.Problem(position + kClosingBytes, "the sequence goes on for " +
                                                  Count(remaining - kClosingBytes, "byte", "bytes") +
                                                  " after its closing zeros");
      }
      break;
    }
    const size_t at = position;
    uint32_t duration = 0;
    if (!ReadLengthNumber(file, position, end, duration, log, "event duration")) break;
    const std::string prefix = "+" + std::to_string(duration) + " ";
    if (position == end) {
      log.Problem(at, "event cut off after its duration");
      break;
    }
    const uint32_t kind = ByteAt(file, position++);
    if (kind == 0x00) {
      if (end - position < 2) {
        log.Problem(at, "control event cut off by the end of the sequence");
        break;
      }
      const uint32_t control = ByteAt(file, position);
      const uint32_t value = ByteAt(file, position + 1);
      position += 2;
      DescribeControl(prefix, at, control, value, voiced, channels, log);
    } else if (kind == 0xFF) {
      if (position == end) {
        log.Problem(at, "no-operation cut off by the end of the sequence");
        break;
      }
      const uint32_t second = ByteAt(file, position++);
      if (second != 0x00) {
        // Its length is unknown, so nothing after it can be decoded.
        log.Problem(at, "unknown event FF " + Hex(second).substr(2) + "; the rest of the sequence is skipped");
        break;
      }
      log.Line(prefix + "nop");
    } else {
      uint32_t gate = 0;
      if (!ReadLengthNumber(file, position, end, gate, log, "note gate time")) break;
      DescribeNote(prefix, at, kind, gate, channels, log);
      ++sequence.notes;
    }
    ++sequence.events;
    sequence.units += duration;
  }
  return sequence;
}

}  // namespace chimekit::smaf::inspect
