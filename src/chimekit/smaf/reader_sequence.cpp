// The sequence chunk: events, each a duration (length number) followed by
//   a note byte ch<<6 | octave<<4 | note (note 1..12) and a gate time,
//   00, a control byte ch<<6 | type and a value, or
//   FF 00, a no-operation,
// and closed by the four bytes 00 00 00 00. No control byte is 00, so four
// zeros where an event would begin can only be the closing. An octave
// setting (control 0x32: 00 the original octave, 01 to 04 up, 81 to 84 down
// by as many octaves from it) places the base that later notes of its
// channel count from.
#include <array>

#include "chimekit/smaf/reader_parts.h"
#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/smaf_text.h"

namespace chimekit::smaf::reader {
namespace {

constexpr size_t kClosingBytes = 4;

bool AllZero(midifile::ByteView bytes) { return bytes.find_first_not_of('\0') == midifile::ByteView::npos; }

// The base after an octave setting; values other than 00-04 and 81-84 leave
// it where it was.
int64_t SetBase(int64_t base, uint32_t value) {
  const int64_t octaves = value & 0x7F;
  if (!IsOctaveSetting(value)) return base;
  return (value & 0x80) != 0 ? kInitialOctaveBase - 12 * octaves : kInitialOctaveBase + 12 * octaves;
}

}  // namespace

SmafSequence ReadSequence(midifile::ByteView file, const SmafChunk& chunk) {
  using midifile::ByteAt;
  SmafSequence sequence;
  sequence.chunk = chunk;
  std::vector<SmafFault>& faults = sequence.faults;
  std::array<int64_t, 4> bases{kInitialOctaveBase, kInitialOctaveBase, kInitialOctaveBase, kInitialOctaveBase};
  const size_t end = chunk.end;
  size_t position = chunk.begin;
  while (true) {
    const size_t before = sequence.events.size();
    const size_t remaining = end - position;
    if (remaining == 0) {
      faults.push_back({position, "the sequence ends without its closing 00 00 00 00", before});
      break;
    }
    if (AllZero(file.substr(position, remaining < kClosingBytes ? remaining : kClosingBytes))) {
      if (remaining < kClosingBytes) {
        faults.push_back({position,
                          "the closing zeros of the sequence are cut short: " + std::to_string(remaining) +
                              " of 4 bytes",
                          before});
      } else if (remaining > kClosingBytes) {
        faults.push_back({position + kClosingBytes,
                          "the sequence goes on for " + Count(remaining - kClosingBytes, "byte", "bytes") +
                              " after its closing zeros",
                          before});
      }
      break;
    }
    SmafSequenceEvent event;
    event.at = position;
    if (!ReadLengthNumber(file, position, end, event.duration, faults, before, "event duration")) break;
    if (position == end) {
      faults.push_back({event.at, "event cut off after its duration", before});
      break;
    }
    const uint32_t kind = ByteAt(file, position++);
    if (kind == 0x00) {
      if (end - position < 2) {
        faults.push_back({event.at, "control event cut off by the end of the sequence", before});
        break;
      }
      const uint32_t control = ByteAt(file, position);
      event.kind = SmafEventKind::kControl;
      event.channel = static_cast<uint8_t>(control >> 6);
      event.type = static_cast<uint8_t>(control & 0x3F);
      event.value = ByteAt(file, position + 1);
      position += 2;
      int64_t& base = bases[event.channel];
      if (event.type == kControlOctave) base = SetBase(base, event.value);
      event.octave_base = base;
    } else if (kind == 0xFF) {
      if (position == end) {
        faults.push_back({event.at, "no-operation cut off by the end of the sequence", before});
        break;
      }
      const uint32_t second = ByteAt(file, position++);
      if (second != 0x00) {
        // Its length is unknown, so nothing after it can be read.
        faults.push_back(
            {event.at, "unknown event FF " + Hex(second).substr(2) + "; the rest of the sequence is skipped", before});
        break;
      }
      event.kind = SmafEventKind::kNop;
    } else {
      event.kind = SmafEventKind::kNote;
      event.channel = static_cast<uint8_t>(kind >> 6);
      event.octave = static_cast<uint8_t>((kind >> 4) & 3);
      event.note = static_cast<uint8_t>(kind & 0x0F);
      event.gate_at = position;
      if (!ReadLengthNumber(file, position, end, event.gate, faults, before, "note gate time")) break;
      event.octave_base = bases[event.channel];
    }
    sequence.events.push_back(event);
  }
  return sequence;
}

}  // namespace chimekit::smaf::reader
