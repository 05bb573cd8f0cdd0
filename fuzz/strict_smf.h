// A strict reading of a MIDI file that one of the libraries wrote, kept
// apart from both libraries' readers so that the fuzz targets can hold
// their outputs against it. It takes a file as a careful program would:
// an MThd of length 6, then exactly as many MTrk chunks as the header
// counts, filling the file to its last byte; in each chunk, events that
// end exactly at the chunk's end, the last of them the only end of track
// (FF 2F 00); running status only between channel messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace fuzz {

struct StrictEvent {
  uint32_t delta = 0;
  uint8_t status = 0;
  uint8_t data1 = 0;  // the meta type of a meta event
  uint8_t data2 = 0;
  bool running = false;   // written without its status byte
  std::string_view data;  // meta and system-exclusive data
};

struct StrictFile {
  uint16_t format = 0;
  uint16_t division = 0;
  std::vector<std::vector<StrictEvent>> tracks;
};

// Which events a writer may write besides channel messages and the end of
// track.
struct Vocabulary {
  bool running_status = false;  // channel messages without their status byte
  bool any_meta = false;        // else only tempo (FF 51 03) and empty text (FF 01 00)
  bool tags = false;            // text events 01-05 with any text
  bool system = false;          // F0-FE events with a length, as Reshaper writes them
};

namespace strict_detail {

inline uint32_t Big(std::string_view bytes, size_t at, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// A variable-length quantity of at most five bytes (the chimekit writer
// writes values of 2^28 and above in five).
inline bool Quantity(std::string_view& rest, uint32_t& value) {
  value = 0;
  for (int count = 0; count < 5 && !rest.empty(); ++count) {
    uint8_t byte = static_cast<uint8_t>(rest.front());
    rest.remove_prefix(1);
    value = (value << 7) | (byte & 0x7Fu);
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

inline const char* ReadEvent(std::string_view& rest, uint8_t& running, const Vocabulary& words, StrictEvent& event) {
  if (!Quantity(rest, event.delta)) return "delta time cut off or longer than five bytes";
  if (rest.empty()) return "event cut off after its delta time";
  uint8_t first = static_cast<uint8_t>(rest.front());
  if (first >= 0x80) {
    event.status = first;
    rest.remove_prefix(1);
  } else {
    if (running == 0 || !words.running_status) return "a data byte where a status byte belongs";
    event.status = running;
    event.running = true;
  }
  if (event.status < 0xF0) {
    running = event.status;
    size_t count = (event.status & 0xE0) == 0xC0 ? 1 : 2;
    if (rest.size() < count) return "channel message cut off";
    event.data1 = static_cast<uint8_t>(rest[0]);
    if (count == 2) event.data2 = static_cast<uint8_t>(rest[1]);
    rest.remove_prefix(count);
    return nullptr;
  }
  running = 0;
  if (event.status == 0xFF) {
    if (rest.empty()) return "meta event cut off";
    event.data1 = static_cast<uint8_t>(rest.front());
    rest.remove_prefix(1);
  } else if (!words.system) {
    return "a system event written";
  }
  uint32_t length = 0;
  if (!Quantity(rest, length) || length > rest.size()) return "event data cut off";
  event.data = rest.substr(0, length);
  rest.remove_prefix(length);
  if (event.status != 0xFF || words.any_meta) return nullptr;
  const uint8_t type = event.data1;
  if (type == 0x2F && length == 0) return nullptr;
  if (type == 0x51 && length == 3) return nullptr;
  if (type == 0x01 && length == 0) return nullptr;
  if (words.tags && type >= 0x01 && type <= 0x05) return nullptr;
  return "a meta event the writer does not write";
}

}  // namespace strict_detail

// Reads the file; returns what is wrong with it in words, or null.
inline const char* ReadStrictly(std::string_view file, const Vocabulary& words, StrictFile& out) {
  using strict_detail::Big;
  if (file.size() < 14 || file.substr(0, 8) != std::string_view("MThd\0\0\0\6", 8)) return "no MThd of length 6";
  out.format = static_cast<uint16_t>(Big(file, 8, 2));
  const uint32_t track_count = Big(file, 10, 2);
  out.division = static_cast<uint16_t>(Big(file, 12, 2));
  out.tracks.clear();
  std::string_view rest = file.substr(14);
  while (!rest.empty()) {
    if (rest.size() < 8 || rest.substr(0, 4) != "MTrk") return "a chunk that is no MTrk";
    const uint32_t length = Big(rest, 4, 4);
    if (length > rest.size() - 8) return "a chunk longer than the file";
    std::string_view content = rest.substr(8, length);
    rest.remove_prefix(8 + size_t{length});
    std::vector<StrictEvent>& events = out.tracks.emplace_back();
    uint8_t running = 0;
    bool ended = false;
    while (!content.empty()) {
      if (ended) return "events after the end of track";
      StrictEvent& event = events.emplace_back();
      if (const char* problem = strict_detail::ReadEvent(content, running, words, event)) return problem;
      ended = event.status == 0xFF && event.data1 == 0x2F;
    }
    if (!ended) return "a track without end of track";
  }
  if (out.tracks.size() != track_count) return "the header counts another number of tracks";
  return nullptr;
}

}  // namespace fuzz
