#include "chimekit/smaf/smaf_format.h"

#include <array>

namespace chimekit::smaf {
namespace {

// The file's CRC-16 (polynomial 0x1021, initial 0xFFFF, most significant
// bit first, complemented) eight bytes at a time: table k holds the CRC of
// a byte followed by k zero bytes, and the CRC is linear, so eight bytes of
// a message are the XOR of eight independent lookups.
using TCrcTables = std::array<std::array<uint16_t, 256>, 8>;

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

uint32_t TimebaseMs(uint32_t code) {
  if (code == 0x00) return 1;
  if (code == 0x01) return 2;
  for (const TTimebase& timebase : kTimebases) {
    if (timebase.code == code) return static_cast<uint32_t>(timebase.ms);
  }
  return 0;
}

void PutLength(midifile::ByteString& out, int64_t n) {
  char bytes[2];
  out.append(bytes, WriteLength(n, bytes));
}

uint16_t SmafCrc16(midifile::ByteView bytes) {
  static constexpr TCrcTables kTables = CrcTables();
  uint32_t crc = 0xFFFF;
  size_t at = 0;
  auto byte = [&](size_t i) { return uint32_t{midifile::ByteAt(bytes, at + i)}; };
  for (; at + 8 <= bytes.size(); at += 8) {
    crc = kTables[7][(crc >> 8) ^ byte(0)] ^ kTables[6][(crc & 0xFF) ^ byte(1)] ^ kTables[5][byte(2)] ^
          kTables[4][byte(3)] ^ kTables[3][byte(4)] ^ kTables[2][byte(5)] ^ kTables[1][byte(6)] ^ kTables[0][byte(7)];
  }
  for (; at < bytes.size(); ++at) crc = kTables[0][(crc >> 8) ^ byte(0)] ^ ((crc << 8) & 0xFFFF);
  return static_cast<uint16_t>(~crc & 0xFFFF);
}

}  // namespace chimekit::smaf
