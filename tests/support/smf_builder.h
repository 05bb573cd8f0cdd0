// Byte builders for the MIDI and RIFF files the tests feed to the code.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// A byte string from byte values.
std::string Bytes(std::initializer_list<int> values);
// A standard variable-length quantity (at most five bytes).
std::string Vlq(uint32_t value);
// A chunk: 4-byte id, big-endian length, content.
std::string Chunk(std::string_view id, const std::string& content);
// An MThd chunk with the given fields.
std::string Header(int format, int tracks, int division);
// A complete SMF: header with the given format and division, track count
// equal to the number of tracks, one MTrk per track content.
std::string Smf(int format, int division, const std::vector<std::string>& tracks);

// Track content, event by event.
class Track {
 public:
  // Any event: delta time, then the raw bytes (status included or not).
  Track& Raw(uint32_t delta, std::initializer_list<int> bytes);
  Track& NoteOn(uint32_t delta, int channel, int key, int velocity);
  Track& NoteOff(uint32_t delta, int channel, int key, int velocity = 0);
  Track& Control(uint32_t delta, int channel, int controller, int value);
  Track& Program(uint32_t delta, int channel, int program);
  Track& Meta(uint32_t delta, int type, std::string_view data);
  Track& Tempo(uint32_t delta, uint32_t microseconds_per_quarter);
  Track& EndOfTrack(uint32_t delta = 0);
  const std::string& bytes() const { return bytes_; }
  operator std::string() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace test_support
