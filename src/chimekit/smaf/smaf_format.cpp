#include "chimekit/smaf/smaf_format.h"

#include <array>

namespace chimekit::smaf {
namespace {

// CRC-16 tables (polynomial 1021, most significant bit first): `one` for a
// byte, `two` for a byte followed by a zero byte. The CRC is linear, so two
// bytes of a message are the XOR of two independent lookups.
struct TCrcTables {
  std::array<uint16_t, 256> one{};
  std::array<uint16_t, 256> two{};
};

constexpr TCrcTables CrcTables() {
  TCrcTables tables;
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
    tables.one[i] = static_cast<uint16_t>(crc & 0xFFFF);
  }
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t crc = tables.one[i];
    tables.two[i] = static_cast<uint16_t>(((crc << 8) & 0xFFFF) ^ tables.one[crc >> 8]);
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
  uint32_t value = n < 0 ? 0u : n > kMaxLengthNumber ? kMaxLengthNumber : static_cast<uint32_t>(n);
  if (value <= 127) {
    midifile::AppendByte(out, value);
    return;
  }
  midifile::AppendByte(out, 0x80 | ((value - 128) >> 7));
  midifile::AppendByte(out, (value - 128) & 0x7F);
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

void PatchChunkSize(midifile::ByteString& chunk, uint32_t delta) {
  uint32_t size = ReadBigEndian32(chunk, 4) + delta;
  for (int i = 0; i < 4; ++i) chunk[static_cast<size_t>(4 + i)] = static_cast<char>((size >> (24 - 8 * i)) & 0xFF);
}

uint16_t SmafCrc16(midifile::ByteView bytes) {
  static constexpr uint32_t kInitial = 0xFFFF;
  static constexpr TCrcTables kTables = CrcTables();
  uint32_t crc = kInitial;
  size_t at = 0;
  for (; at + 2 <= bytes.size(); at += 2) {
    crc = kTables.two[(crc >> 8) ^ midifile::ByteAt(bytes, at)] ^ kTables.one[(crc & 0xFF) ^ midifile::ByteAt(bytes, at + 1)];
  }
  if (at < bytes.size()) crc = kTables.one[(crc >> 8) ^ midifile::ByteAt(bytes, at)] ^ ((crc << 8) & 0xFFFF);
  return static_cast<uint16_t>(~crc & 0xFFFF);
}

uint32_t ReadBigEndian32(midifile::ByteView bytes, size_t at) {
  return (static_cast<uint32_t>(midifile::ByteAt(bytes, at)) << 24) |
         (static_cast<uint32_t>(midifile::ByteAt(bytes, at + 1)) << 16) |
         (static_cast<uint32_t>(midifile::ByteAt(bytes, at + 2)) << 8) | midifile::ByteAt(bytes, at + 3);
}

}  // namespace chimekit::smaf
