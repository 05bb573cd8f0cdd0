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
  uint8_t* end = writeQuantity(bytes, value);
  stream.write(bytes, static_cast<uint32_t>(end - bytes));
}

}  // namespace reshaper
