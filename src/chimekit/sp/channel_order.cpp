#include "chimekit/sp/channel_order.h"

#include <algorithm>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit {
namespace {

constexpr uint8_t kNoDigit = 0xFF;

uint8_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return kNoDigit;
}

std::string Shown(char c) {
  if (c >= 0x20 && c < 0x7F) return std::string("'") + c + "'";
  std::string shown = "byte 0x";
  midifile::AppendHex(shown, static_cast<uint8_t>(c));
  return shown;
}

}  // namespace

OrderCompletion CompleteChannelOrder(const char* text, bool drums) {
  OrderCompletion result;
  std::vector<uint8_t> order;
  order.reserve(16);
  std::array<bool, 16> seen{};
  for (size_t i = 0; text != nullptr && i < kOrderTextLength && text[i] != '\0'; ++i) {
    uint8_t value = DigitValue(text[i]);
    if (value == kNoDigit) {
      result.problem = Shown(text[i]) + " is not a hexadecimal digit";
      return result;
    }
    if (seen[value]) {
      result.problem = std::string("channel ") + midifile::HexDigit(value) + " is named twice";
      return result;
    }
    seen[value] = true;
    order.push_back(value);
  }
  for (uint8_t value = 0; value < 16; ++value) {
    if (!seen[value]) order.push_back(value);
  }
  if (!drums) {
    // Take both out before putting either back, as the positions count in
    // the order without them.
    order.erase(std::remove_if(order.begin(), order.end(), [](uint8_t c) { return c == 9 || c == 15; }), order.end());
    order.insert(order.begin() + 9, 9);
    order.push_back(15);
  }
  ChannelMap map{};
  std::copy(order.begin(), order.end(), map.begin());
  result.map = map;
  return result;
}

std::string OrderText(const ChannelMap& map) {
  std::string text;
  for (uint8_t channel : map) text += midifile::HexDigit(channel);
  return text;
}

}  // namespace chimekit
