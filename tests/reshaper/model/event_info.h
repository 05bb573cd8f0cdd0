// A self-contained description of one event, for looking at an event or
// changing it without touching the track it sits in.
#pragma once

#include <cstdint>
#include <vector>

namespace reshaper {

enum class EventKind : int32_t { None = 0, Channel = 1, Meta = 2, SysEx = 3, ListHead = 4 };

struct EventInfo {
  EventKind kind = EventKind::None;
  uint32_t delta = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;  // first data byte of a channel event
  uint8_t data2 = 0;  // second data byte of a channel event
  uint8_t metaType = 0;
  uint32_t dataLength = 0;
  std::vector<uint8_t> data;  // a copy of the event's data block

  void clear() { *this = EventInfo{}; }
};

}  // namespace reshaper
