// A Handyphone Standard sequence (and an audio track's, which is laid out
// the same): events of a duration (a length number, in timebase units since
// the event before) and then
//   a note byte ch<<6 | octave<<4 | note (note 1 to 12) and its gate time
//     (in an audio track: ch<<6 | wave number, and how long the wave plays);
//   00 and a control byte ch<<6 | kind<<4 | data:
//     kind 0 expression, 1 pitch bend, 2 modulation, each with its value in
//     `data` (1 to 14); kind 3 a control with one value byte after it, by
//     `data`: 0 program, 1 bank select, 2 octave setting, 3 modulation,
//     4 pitch bend, 7 volume, 10 pan, 11 expression;
//   00 00 00: the end of the sequence;
//   FF 00: a no-operation;  FF F0, a length number and an exclusive message.
// An octave setting (00 the original octave, 01 to 04 up, 81 to 84 down)
// places the base of its channel's notes at 36 + 12 times the setting,
// counted from the original octave; a note plays base + 12 * octave + note.
#include "chimekit/smafread/huge_pages.h"
#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

constexpr uint8_t kHandyphoneVelocity = 127;
// The short modulation values 1 to 14; 0 and 15 are reserved.
constexpr uint8_t kShortModulation[16] = {0,    0x00, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30,
                                          0x38, 0x40, 0x48, 0x50, 0x60, 0x70, 0x7F, 0};

class HandyphoneReader {
 public:
  HandyphoneReader(ByteView file, size_t begin, size_t end, uint32_t duration_ms, uint32_t gate_ms, bool audio,
                   SequenceOut out, Problems& problems)
      : file_(file), cursor_(file, begin, end), duration_ms_(duration_ms), gate_ms_(gate_ms), audio_(audio),
        out_(out), problems_(problems) {}

  void Run() {
    // Every event takes three bytes at least: room for all of them at once.
    out_.events.reserve(out_.events.size() + cursor_.left() / 3 + 1);
    OfferHugePages(out_.events.data(), out_.events.capacity() * sizeof(ScoreEvent));
    while (ReadEvent()) {
    }
    out_.end_ms = end_ms_;
  }

 private:
  // One event, read in its place behind the events read before (stores
  // straight into the storage, where an event built aside and copied there
  // is loaded back before its stores have landed); kept when it is one the
  // score lists. False when the sequence ends here.
  bool ReadEvent() {
    ScoreEvent& event = out_.events.emplace_back();
    kept_ = false;
    const bool more = ReadEventInto(event);
    if (!kept_) out_.events.pop_back();
    return more;
  }

  bool ReadEventInto(ScoreEvent& event) {
    event.at = static_cast<uint32_t>(cursor_.position());
    if (cursor_.AtEnd()) {
      problems_.Add(event.at, "the sequence ends without its end of sequence (00 00 00)");
      return false;
    }
    if (!cursor_.LengthNumber(event.units)) return Cut(event.at, "event duration");
    CheckSecondByte(event.at, "event duration");
    units_ += event.units;
    event.time_ms = units_ * duration_ms_;
    end_ms_ = event.time_ms;
    uint8_t lead = 0;
    if (!cursor_.Byte(lead)) return Cut(event.at, "event after its duration");
    if (lead == 0x00) return ReadControl(event);
    if (lead == 0xFF) return ReadEscaped(event);
    return ReadNote(event, lead);
  }

  bool Cut(size_t at, const char* what) {
    problems_.Add(at, std::string(what) + " cut off by the end of the sequence");
    return false;
  }

  void CheckSecondByte(size_t at, const char* what) {
    const size_t read = cursor_.position() - at;
    if (read == 2 && (midifile::ByteAt(file_, at + 1) & 0x80) != 0) {
      problems_.Add(at, std::string(what) + " has a second byte above 0x7F, which no length number holds");
    }
  }

  bool ReadNote(ScoreEvent& event, uint8_t lead) {
    event.code = lead;
    event.channel = static_cast<uint8_t>(lead >> 6);
    const size_t gate_at = cursor_.position();
    if (!cursor_.LengthNumber(event.data)) return Cut(event.at, "note gate time");
    CheckSecondByte(gate_at, "note gate time");
    event.gate_ms = event.data * gate_ms_;  // at most 16511 * 50
    if (audio_) {
      event.kind = EventKind::kWave;
      event.key = static_cast<uint8_t>(lead & 0x3F);
      if (event.key == 0) {
        problems_.Add(event.at, "wave event " + Hex(lead) + " names wave 0");
        return true;
      }
    } else {
      const int32_t octave = (lead >> 4) & 0x03;
      const int32_t note = lead & 0x0F;
      if (note < 1 || note > 12) {
        problems_.Add(event.at, "note byte " + Hex(lead) + " holds note " + std::to_string(note) + " (1 to 12)");
        return true;
      }
      const int32_t key = bases_[event.channel] + 12 * octave + note;
      if (key < 0 || key > 127) {
        problems_.Add(event.at, "note byte " + Hex(lead) + " plays key " + std::to_string(key) +
                                    " from base " + std::to_string(bases_[event.channel]) + ", outside 0 to 127");
        return true;
      }
      event.kind = EventKind::kNote;
      event.key = static_cast<uint8_t>(key);
      event.velocity = kHandyphoneVelocity;
    }
    Keep();
    return true;
  }

  bool ReadControl(ScoreEvent& event) {
    uint8_t control = 0;
    if (!cursor_.Byte(control)) return Cut(event.at, "control event");
    event.code = control;
    if (control == 0x00) {
      uint8_t last = 0;
      if (!cursor_.Byte(last)) return Cut(event.at, "end of sequence");
      if (last != 0x00) {
        problems_.Add(event.at, "event 00 00 " + Hex(last).substr(2) + ", which the format does not define");
        return true;
      }
      event.kind = EventKind::kEnd;
      Keep();
      // Zeros after the end pad the chunk; anything else is a problem.
      for (size_t i = 0; i < cursor_.left(); ++i) {
        if (cursor_.Peek(i) != 0) {
          problems_.Add(cursor_.position(), "the sequence goes on for " + std::to_string(cursor_.left()) +
                                                " bytes after its end of sequence");
          break;
        }
      }
      return false;
    }
    event.channel = static_cast<uint8_t>(control >> 6);
    const uint32_t kind = (control >> 4) & 0x03;
    const uint32_t data = control & 0x0F;
    if (kind == 3) return ReadLongControl(event, data);
    if (data == 0 || data == 15) {
      static constexpr const char* kNames[] = {"expression", "pitch bend", "modulation"};
      problems_.Add(event.at, std::string("short ") + kNames[kind] + " value " + std::to_string(data) +
                                  ", which the format reserves (1 to 14)");
      return true;
    }
    if (kind == 0) {
      SetControl(event, 11, data == 1 ? 0 : data * 8 + 15);
    } else if (kind == 1) {
      event.kind = EventKind::kPitchBend;
      event.data = (data * 8) << 7;
    } else {
      SetControl(event, 1, kShortModulation[data]);
    }
    Keep();
    return true;
  }

  bool ReadLongControl(ScoreEvent& event, uint32_t type) {
    uint8_t value = 0;
    if (!cursor_.Byte(value)) return Cut(event.at, "control event");
    event.data = value;
    switch (type) {
      case 0x0:
        event.kind = EventKind::kProgram;
        break;
      case 0x1:
        SetControl(event, 0, value);  // values from 0x80 on name banks of drum voices
        break;
      case 0x2:
        event.kind = EventKind::kOctaveSetting;
        if (const std::optional<int32_t> base = smaf::OctaveSettingBase(value)) {
          bases_[event.channel] = *base;
        } else {
          problems_.Add(event.at,
                        "octave setting value " + Hex(value) + " (00 original, 01 to 04 up, 81 to 84 down)");
        }
        break;
      case 0x3: SetControl(event, 1, value); break;
      case 0x4:
        event.kind = EventKind::kPitchBend;
        event.data = uint32_t{value} << 7;
        break;
      case 0x7: SetControl(event, 7, value); break;
      case 0xA: SetControl(event, 10, value); break;
      case 0xB: SetControl(event, 11, value); break;
      default:
        problems_.Add(event.at, "unknown control type " + Hex(0x30 | type) + " with value " + std::to_string(value));
        return true;
    }
    Keep();
    return true;
  }

  void SetControl(ScoreEvent& event, uint8_t controller, uint32_t value) {
    event.kind = EventKind::kControl;
    event.key = controller;
    event.data = value;
  }

  bool ReadEscaped(ScoreEvent& event) {
    uint8_t second = 0;
    if (!cursor_.Byte(second)) return Cut(event.at, "no-operation");
    event.code = second;
    if (second == 0x00) {
      event.kind = EventKind::kNop;
      Keep();
      return true;
    }
    if (second != 0xF0) {
      // Its length is unknown, so nothing after it can be read.
      problems_.Add(event.at, "unknown event FF " + Hex(second).substr(2) + "; the rest of the sequence is skipped");
      return false;
    }
    uint32_t length = 0;
    if (!cursor_.LengthNumber(length)) return Cut(event.at, "exclusive message length");
    if (length > cursor_.left()) {
      problems_.Add(event.at, "exclusive message of " + std::to_string(length) + " bytes runs past the sequence (" +
                                  std::to_string(cursor_.left()) + " bytes left)");
      return false;
    }
    size_t message = cursor_.position();
    cursor_.Skip(length);
    size_t message_end = cursor_.position();
    if (length > 0 && midifile::ByteAt(file_, message_end - 1) == 0xF7) --message_end;
    event.kind = EventKind::kExclusive;
    event.data = static_cast<uint32_t>(out_.exclusives.size());
    out_.exclusives.push_back({static_cast<uint32_t>(out_.exclusive_bytes.size()),
                               static_cast<uint32_t>(message_end - message)});
    out_.exclusive_bytes.append(file_.substr(message, message_end - message));
    Keep();
    return true;
  }

  void Keep() { kept_ = true; }

  ByteView file_;
  Cursor cursor_;
  uint32_t duration_ms_;
  uint32_t gate_ms_;
  bool audio_;
  SequenceOut out_;
  Problems& problems_;
  uint64_t units_ = 0;
  uint64_t end_ms_ = 0;
  bool kept_ = false;  // the event being read is one to keep
  int32_t bases_[4] = {smaf::kOriginalOctaveBase, smaf::kOriginalOctaveBase, smaf::kOriginalOctaveBase,
                       smaf::kOriginalOctaveBase};
};

}  // namespace

void ReadHandyphoneSequence(ByteView file, size_t begin, size_t end, uint32_t duration_ms, uint32_t gate_ms,
                            bool audio, SequenceOut out, Problems& problems) {
  HandyphoneReader(file, begin, end, duration_ms, gate_ms, audio, out, problems).Run();
}

}  // namespace chimekit::smafread::detail
