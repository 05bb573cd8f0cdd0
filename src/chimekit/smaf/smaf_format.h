// Byte-level building blocks of the SMAF ("MMMD") ringtone format, shared by
// the converter and the inspector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "midifile/bytes.h"

namespace chimekit::smaf {

// Control types of the sequence's control messages.
inline constexpr int32_t kControlProgram = 0x30;
inline constexpr int32_t kControlOctave = 0x32;
inline constexpr int32_t kControlModulation = 0x33;
inline constexpr int32_t kControlPitchBend = 0x34;
inline constexpr int32_t kControlVolume = 0x37;
inline constexpr int32_t kControlPan = 0x3A;
inline constexpr int32_t kControlExpression = 0x3B;

// The octave setting (control 0x32) says which octave a channel's notes count
// from: 0x00 the original one, whose base (octave 0, note 0) is key 36, 0x01
// to 0x04 one to four octaves up and 0x81 to 0x84 one to four down, each
// counted from the original octave.
inline constexpr int32_t kOriginalOctaveBase = 36;

// The base an octave setting value names; nothing for a value that names
// no setting (above four octaves, or 0x80).
inline std::optional<int32_t> OctaveSettingBase(uint32_t value) {
  const int32_t octaves = static_cast<int32_t>(value & 0x7F);
  if (octaves > 4 || value == 0x80 || value > 0xFF) return std::nullopt;
  return kOriginalOctaveBase + ((value & 0x80) != 0 ? -12 : 12) * octaves;
}

// A timebase in milliseconds and the code that stands for it in a score
// track; the six the format knows, finest first.
struct TTimebase {
  int32_t ms;
  uint8_t code;
};
inline constexpr std::array<TTimebase, 6> kTimebases = {
    {{4, 0x02}, {5, 0x03}, {10, 0x10}, {20, 0x11}, {40, 0x12}, {50, 0x13}}};

// The milliseconds a timebase code of a score track stands for (the six
// above, and 1 and 2 ms, which this project does not write); 0 for a code
// the format does not name.
uint32_t TimebaseMs(uint32_t code);

// Largest value a SMAF length number can hold (two bytes, FF 7F).
inline constexpr uint32_t kMaxLengthNumber = 16511;

// Writes the SMAF length number of n, cut to 16511, at `bytes` (room for
// two): one byte up to 127, else 0x80 | ((n - 128) >> 7) and
// (n - 128) & 0x7F. Returns the number of bytes written.
inline size_t WriteLength(int64_t n, char* bytes) {
  const uint32_t value = n < 0 ? 0u : n > kMaxLengthNumber ? kMaxLengthNumber : static_cast<uint32_t>(n);
  if (value <= 127) {
    bytes[0] = static_cast<char>(value);
    return 1;
  }
  bytes[0] = static_cast<char>(0x80 | ((value - 128) >> 7));
  bytes[1] = static_cast<char>((value - 128) & 0x7F);
  return 2;
}

// Appends the SMAF length number of n (see WriteLength).
void PutLength(midifile::ByteString& out, int64_t n);

// CRC-16/GENIBUS (polynomial 0x1021, initial 0xFFFF, not reflected, result
// complemented); "123456789" gives 0xD64E.
uint16_t SmafCrc16(midifile::ByteView bytes);

}  // namespace chimekit::smaf
