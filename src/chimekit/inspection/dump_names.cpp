#include "chimekit/inspection/dump_names.h"

#include <charconv>

namespace chimekit::dump {

using midifile::ByteAt;
using midifile::ByteString;
using midifile::ByteView;

void AppendDecimal(ByteString& out, int64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendHexBytes(ByteString& out, ByteView bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += "  ";
    AppendHex(out, ByteAt(bytes, i));
  }
}

void AppendNoteName(ByteString& out, uint8_t key) {
  static constexpr std::string_view kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  out += kNames[key % 12];
  AppendDecimal(out, key / 12 - 1);
}

ControllerName NameOfController(uint8_t controller) {
  if (controller >= 16 && controller <= 19) return {"General Purpose Controller ", controller - 15};
  if (controller >= 32 && controller <= 63) return {"LSB For Controller ", controller - 32};
  if (controller >= 80 && controller <= 83) return {"General Purpose Controller ", controller - 75};
  switch (controller) {
    case 0: return {"Bank Select (MSB)"};
    case 1: return {"Modulation Wheel"};
    case 2: return {"Breath Controller"};
    case 4: return {"Foot Controller"};
    case 5: return {"Portamento Time"};
    case 6: return {"Data Entry Slider"};
    case 7: return {"Main Volume"};
    case 8: return {"Balance"};
    case 10: return {"Pan"};
    case 11: return {"Expression Controller"};
    case 64: return {"Damper Pedal"};
    case 65: return {"Portamento"};
    case 66: return {"Sostenuto"};
    case 67: return {"Soft Pedal"};
    case 69: return {"Hold 2"};
    case 92: return {"Tremolo Depth"};
    case 93: return {"Chorus Depth"};
    case 94: return {"Celeste (Detune) Depth"};
    case 95: return {"Phaser Depth"};
    case 96: return {"Data Increment"};
    case 97: return {"Data Decrement"};
    case 98: return {"Non-Registered Parameter Number LSB"};
    case 99: return {"Non-Registered Parameter Number MSB"};
    case 100: return {"Registered Parameter Number LSB"};
    case 101: return {"Registered Parameter Number MSB"};
    case 122: return {"Local Control"};
    case 123: return {"All Notes"};
    case 124: return {"Omni Mode Off"};
    case 125: return {"Omni Mode On"};
    case 126: return {"Mono Mode On (Poly Off)"};
    case 127: return {"Mono Mode Off (Poly On)"};
    default: return {};
  }
}

void AppendControllerText(ByteString& out, uint8_t controller) {
  ControllerName name = NameOfController(controller);
  if (name.text.empty()) {
    AppendDecimal(out, controller);
    return;
  }
  out += '"';
  out += name.text;
  if (name.number >= 0) AppendDecimal(out, name.number);
  out += "\" [";
  AppendDecimal(out, controller);
  out += ']';
}

namespace {

// "Label [length]: " and the payload between double quotes, byte for byte.
void AppendQuotedPayload(ByteString& out, std::string_view label, ByteView payload) {
  out += label;
  out += " [";
  AppendDecimal(out, static_cast<int64_t>(payload.size()));
  out += "]: \"";
  out += payload;
  out += '"';
}

// " " and the payload's first byte in decimal, when there is one.
void AppendFirstByte(ByteString& out, ByteView payload) {
  if (payload.empty()) return;
  out += ' ';
  AppendDecimal(out, ByteAt(payload, 0));
}

// For each of the first `count` bytes, " " and the byte in decimal; nothing
// when the payload is shorter than that.
void AppendLeadingBytes(ByteString& out, ByteView payload, size_t count) {
  if (payload.size() < count) return;
  for (size_t i = 0; i < count; ++i) {
    out += ' ';
    AppendDecimal(out, ByteAt(payload, i));
  }
}

}  // namespace

void AppendMetaDescription(ByteString& out, const midifile::TMidiEvent& event, uint8_t first_channel) {
  ByteView payload = event.DataBytes;
  out += ": ";
  switch (event.Data1) {
    case 0x01: AppendQuotedPayload(out, "Text", payload); break;
    case 0x02: AppendQuotedPayload(out, "Copyright", payload); break;
    case 0x03: AppendQuotedPayload(out, "Track/Song Name", payload); break;
    case 0x04: AppendQuotedPayload(out, "Instrument Name", payload); break;
    case 0x05: AppendQuotedPayload(out, "Lyrics", payload); break;
    case 0x06: AppendQuotedPayload(out, "Marker", payload); break;
    case 0x07: AppendQuotedPayload(out, "Cue Point", payload); break;
    case 0x20:
      out += "MIDI Channel";
      if (!payload.empty()) {
        out += ' ';
        AppendDecimal(out, ByteAt(payload, 0) + first_channel);
      }
      break;
    case 0x21:
      out += "MIDI Port";
      AppendFirstByte(out, payload);
      break;
    case 0x2F: out += "End Of Sequence"; break;
    case 0x51:
      out += "Tempo";
      if (payload.size() >= 3) {
        out += ' ';
        AppendDecimal(out, (static_cast<int64_t>(ByteAt(payload, 0)) << 16) | (ByteAt(payload, 1) << 8) |
                               ByteAt(payload, 2));
      }
      break;
    case 0x54:
      out += "SMPTE Offset";
      AppendLeadingBytes(out, payload, 5);
      break;
    case 0x58:
      out += "Time Signature";
      AppendLeadingBytes(out, payload, 4);
      break;
    case 0x59:
      out += "Key Signature";
      AppendLeadingBytes(out, payload, 2);
      break;
    case 0x7F:
      out += "Proprietary Event [";
      AppendDecimal(out, static_cast<int64_t>(payload.size()));
      out += "]:  ";
      AppendHexBytes(out, payload);
      break;
    default:
      // No description for this type: its number instead.
      out += '[';
      AppendHex(out, event.Data1);
      out += ']';
      break;
  }
}

}  // namespace chimekit::dump
