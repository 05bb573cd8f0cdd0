#include "reshaper/quantity.h"

namespace reshaper {

bool readQuantity(MidiStream& stream, uint32_t& value, uint32_t& count) {
  value = 0;
  count = 0;
  uint32_t result = 0;
  while (count < 4) {
    uint8_t byte = 0;
    if (!stream.readByte(byte)) return false;
    ++count;
    result = (result << 7) | (byte & 0x7Fu);
    if (byte < 0x80) break;
  }
  value = result;
  return true;
}

void writeQuantity(MidiStream& stream, uint32_t value) {
  uint8_t bytes[4];
  uint32_t size = quantitySize(value & kMaxQuantity);
  uint32_t rest = value;
  for (uint32_t i = size; i-- > 0;) {
    bytes[i] = static_cast<uint8_t>((rest & 0x7Fu) | (i + 1 < size ? 0x80u : 0u));
    rest >>= 7;
  }
  stream.write(bytes, size);
}

uint32_t quantitySize(uint32_t value) {
  if (value < (1u << 7)) return 1;
  if (value < (1u << 14)) return 2;
  if (value < (1u << 21)) return 3;
  if (value <= kMaxQuantity) return 4;
  return 0;
}

}  // namespace reshaper
