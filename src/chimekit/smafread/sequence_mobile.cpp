// A Mobile Standard sequence: events of a duration (a variable-length
// number of timebase units since the event before) and a MIDI-like message:
//   8n key gate            a note at the channel's last velocity (first 64)
//   9n key velocity gate   a note, which sets the channel's velocity
//   An key value           key pressure
//   Bn controller value    a control change (bank select, volume, pan, ...)
//   Cn program             Dn value (channel pressure)
//   En lsb msb             pitch bend
//   F0, a length and the exclusive message;  FF 00 a no-operation;
//   FF 2F 00 the end of the sequence (four zero bytes at the very end of
//   the chunk end it too).
// A data byte in the place of a status byte repeats the last channel
// message's status (running status); F0 and FF cancel it.
#include "chimekit/smafread/huge_pages.h"
#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

constexpr uint8_t kFirstVelocity = 64;

uint32_t Saturated(uint64_t ms) { return ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms); }

class MobileReader {
 public:
  MobileReader(ByteView bytes, size_t begin, size_t end, bool decoded, size_t problem_at, ScoreTrack& track,
               Problems& problems)
      : bytes_(bytes), cursor_(bytes, begin, end), decoded_(decoded), problem_at_(problem_at), track_(track),
        problems_(problems) {
    for (uint8_t& velocity : velocities_) velocity = kFirstVelocity;
  }

  void Run() {
    // Every event takes three bytes at least: room for all of them at once.
    track_.events.reserve(track_.events.size() + cursor_.left() / 3 + 1);
    OfferHugePages(track_.events.data(), track_.events.capacity() * sizeof(ScoreEvent));
    while (ReadEvent()) {
    }
    track_.end_ms = end_ms_;
  }

 private:
  void Problem(size_t at, const std::string& text) {
    if (decoded_) {
      problems_.Add(problem_at_, "in the decoded sequence at " + Hex(at, 4) + ": " + text);
    } else {
      problems_.Add(at, text);
    }
  }

  bool Cut(size_t at, const char* what) {
    Problem(at, std::string(what) + " cut off by the end of the sequence");
    return false;
  }

  bool ClosingZeros() const {
    if (cursor_.left() != 4) return false;
    for (size_t i = 0; i < 4; ++i) {
      if (cursor_.Peek(i) != 0) return false;
    }
    return true;
  }

  bool Number(uint32_t& value, size_t at, const char* what) {
    if (cursor_.left() > 0 && cursor_.Peek() < 0x80) {  // the most of them: one byte
      value = cursor_.Peek();
      cursor_.Skip(1);
      return true;
    }
    bool too_long = false;
    if (cursor_.Vlq(value, too_long)) return true;
    if (too_long) {
      Problem(at, std::string(what) + " longer than four bytes");
      return false;
    }
    return Cut(at, what);
  }

  // A data byte: false (with a problem) when it is cut off or above 0x7F.
  bool Data(uint8_t& value, size_t at, const char* what) {
    if (cursor_.left() > 0 && cursor_.Peek() < 0x80) {
      value = cursor_.Peek();
      cursor_.Skip(1);
      return true;
    }
    return BadData(at, what);
  }

  bool BadData(size_t at, const char* what) {
    uint8_t value = 0;
    if (!cursor_.Byte(value)) return Cut(at, what);
    Problem(cursor_.position() - 1, std::string(what) + " " + Hex(value) + " above 0x7F");
    return false;
  }

  // One event, read in its place behind the events read before (stores
  // straight into the storage, where an event built aside and copied there
  // is loaded back before its stores have landed); kept when it is one the
  // score lists. False when the sequence ends here.
  bool ReadEvent() {
    ScoreEvent& event = track_.events.emplace_back();
    kept_ = false;
    const bool more = ReadEventInto(event);
    if (!kept_) track_.events.pop_back();
    return more;
  }

  bool ReadEventInto(ScoreEvent& event) {
    const size_t at = cursor_.position();
    event.at = static_cast<uint32_t>(at);
    if (cursor_.AtEnd()) {
      Problem(at, "the sequence ends without its end of sequence (FF 2F 00)");
      return false;
    }
    if (ClosingZeros()) {
      event.kind = EventKind::kEnd;
      event.time_ms = end_ms_;
      Keep();
      return false;
    }
    if (!Number(event.units, at, "event duration")) return false;
    units_ += event.units;
    event.time_ms = units_ * track_.duration_ms;
    end_ms_ = event.time_ms;
    if (cursor_.AtEnd()) return Cut(at, "event after its duration");
    uint8_t status = cursor_.Peek();
    if (status < 0x80) {
      if (running_ == 0) {
        Problem(cursor_.position(), "data byte " + Hex(status) + " where a status byte comes first");
        return false;
      }
      status = running_;
    } else {
      cursor_.Skip(1);
    }
    event.code = status;
    if (status >= 0xF0) {
      running_ = 0;
      return ReadSystem(event, status);
    }
    running_ = status;
    event.channel = static_cast<uint8_t>(status & 0x0F);
    return ReadChannelMessage(event, status >> 4);
  }

  bool ReadChannelMessage(ScoreEvent& event, uint32_t type) {
    uint8_t first = 0;
    uint8_t second = 0;
    const size_t at = event.at;
    switch (type) {
      case 0x8:
      case 0x9:
        if (!Data(first, at, "note key")) return false;
        if (type == 0x9) {
          if (!Data(second, at, "note velocity")) return false;
          velocities_[event.channel] = second;
        }
        if (!Number(event.data, at, "note gate time")) return false;
        event.kind = EventKind::kNote;
        event.key = first;
        event.velocity = velocities_[event.channel];
        event.gate_ms = Saturated(uint64_t{event.data} * track_.gate_ms);
        break;
      case 0xA:
        if (!Data(first, at, "key pressure key") || !Data(second, at, "key pressure value")) return false;
        event.kind = EventKind::kKeyPressure;
        event.key = first;
        event.data = second;
        break;
      case 0xB:
        if (!Data(first, at, "controller number") || !Data(second, at, "controller value")) return false;
        event.kind = EventKind::kControl;
        event.key = first;
        event.data = second;
        break;
      case 0xC:
        if (!Data(first, at, "program")) return false;
        event.kind = EventKind::kProgram;
        event.data = first;
        break;
      case 0xD:
        if (!Data(first, at, "channel pressure value")) return false;
        event.kind = EventKind::kChannelPressure;
        event.data = first;
        break;
      default:  // 0xE
        if (!Data(first, at, "pitch bend") || !Data(second, at, "pitch bend")) return false;
        event.kind = EventKind::kPitchBend;
        event.data = (uint32_t{second} << 7) | first;
        break;
    }
    Keep();
    return true;
  }

  bool ReadSystem(ScoreEvent& event, uint8_t status) {
    const size_t at = event.at;
    if (status == 0xF0) return ReadExclusive(event);
    if (status != 0xFF) {
      Problem(at, "status byte " + Hex(status) + ", which the format does not define; the rest of the sequence is skipped");
      return false;
    }
    uint8_t type = 0;
    if (!cursor_.Byte(type)) return Cut(at, "event FF");
    event.code = type;
    if (type == 0x00) {
      event.kind = EventKind::kNop;
      Keep();
      return true;
    }
    uint8_t length = 0;
    if (!cursor_.Byte(length)) return Cut(at, "event FF");
    if (type == 0x2F && length == 0) {
      event.kind = EventKind::kEnd;
      Keep();
      return false;
    }
    if (!cursor_.Skip(length)) return Cut(at, "event FF");
    Problem(at, "event FF " + Hex(type).substr(2) + " of " + std::to_string(length) +
                    " bytes, which the format does not define");
    return true;
  }

  bool ReadExclusive(ScoreEvent& event) {
    uint32_t length = 0;
    if (!Number(length, event.at, "exclusive message length")) return false;
    if (length > cursor_.left()) {
      Problem(event.at, "exclusive message of " + std::to_string(length) + " bytes runs past the sequence (" +
                            std::to_string(cursor_.left()) + " bytes left)");
      return false;
    }
    const size_t message = cursor_.position();
    cursor_.Skip(length);
    size_t message_end = cursor_.position();
    if (length > 0 && midifile::ByteAt(bytes_, message_end - 1) == 0xF7) --message_end;
    event.kind = EventKind::kExclusive;
    event.data = static_cast<uint32_t>(track_.exclusives.size());
    track_.exclusives.push_back({static_cast<uint32_t>(track_.exclusive_bytes.size()),
                                 static_cast<uint32_t>(message_end - message)});
    track_.exclusive_bytes.append(bytes_.substr(message, message_end - message));
    Keep();
    return true;
  }

  void Keep() { kept_ = true; }

  ByteView bytes_;
  Cursor cursor_;
  bool decoded_;
  size_t problem_at_;
  ScoreTrack& track_;
  Problems& problems_;
  uint64_t units_ = 0;
  uint64_t end_ms_ = 0;
  bool kept_ = false;  // the event being read is one to keep
  uint8_t running_ = 0;
  uint8_t velocities_[16];
};

}  // namespace

void ReadMobileSequence(ByteView bytes, size_t begin, size_t end, bool decoded, size_t problem_at,
                        ScoreTrack& track, Problems& problems) {
  MobileReader(bytes, begin, end, decoded, problem_at, track, problems).Run();
}

}  // namespace chimekit::smafread::detail
