#include "chimekit/smaf/smaf_format.h"

#include <array>

namespace chimekit::smaf {
namespace {

// CRC-16 tables (polynomial 1021, most significant bit first): table k
// holds the CRC of a byte followed by k zero bytes. The CRC is linear, so
// four bytes of a message are the XOR of four independent lookups.
using TCrcTables = std::array<std::array<uint16_t, 256>, 4>;

constexpr TCrcTables CrcTables() {
  TCrcTables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
    tables[0][i] = static_cast<uint16_t>(crc & 0xFFFF);
  }
  for (size_t k = 1; k < tables.size(); ++k) {
    for (uint32_t i = 0; i < 256; ++i) {
      const uint32_t crc = tables[k - 1][i];
      tables[k][i] = static_cast<uint16_t>(((crc << 8) & 0xFFFF) ^ tables[0][crc >> 8]);
    }
  }
  return tables;
}

}  // namespace

std::optional<uint32_t> TimebaseMs(uint32_t code) {
  for (const TTimebase& timebase : kTimebases) {
    if (timebase.code == code) return static_cast<uint32_t>(timebase.ms);
  }
  return std::nullopt;
}

void PutLength(midifile::ByteString& out, int64_t n) {
  char bytes[2];
  out.append(bytes, WriteLength(n, bytes));
}

bool ReadLength(midifile::ByteView bytes, size_t& position, uint32_t& value) {
  if (position >= bytes.size()) return false;
  uint8_t first = midifile::ByteAt(bytes, position);
  if (first < 0x80) {
    value = first;
    position += 1;
    return true;
  }
  if (position + 1 >= bytes.size()) return false;
  value = 128 + ((static_cast<uint32_t>(first & 0x7F) << 7) | (midifile::ByteAt(bytes, position + 1) & 0x7Fu));
  position += 2;
  return true;
}

uint16_t SmafCrc16(midifile::ByteView bytes) {
  static constexpr uint32_t kInitial = 0xFFFF;
  static constexpr TCrcTables kTables = CrcTables();
  uint32_t crc = kInitial;
  size_t at = 0;
  for (; at + 4 <= bytes.size(); at += 4) {
    crc = kTables[3][(crc >> 8) ^ midifile::ByteAt(bytes, at)] ^ kTables[2][(crc & 0xFF) ^ midifile::ByteAt(bytes, at + 1)] ^
          kTables[1][midifile::ByteAt(bytes, at + 2)] ^ kTables[0][midifile::ByteAt(bytes, at + 3)];
  }
  for (; at < bytes.size(); ++at) crc = kTables[0][(crc >> 8) ^ midifile::ByteAt(bytes, at)] ^ ((crc << 8) & 0xFFFF);
  return static_cast<uint16_t>(~crc & 0xFFFF);
}

}  // namespace chimekit::smaf
