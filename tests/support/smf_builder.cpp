#include "support/smf_builder.h"

namespace test_support {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v & 0xFF));
  return out;
}

std::string Vlq(uint32_t value) {
  std::string reversed(1, static_cast<char>(value & 0x7F));
  while ((value >>= 7) > 0) reversed.push_back(static_cast<char>((value & 0x7F) | 0x80));
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string Chunk(std::string_view id, const std::string& content) {
  uint32_t n = static_cast<uint32_t>(content.size());
  std::string out(id);
  out += Bytes({static_cast<int>(n >> 24), static_cast<int>(n >> 16), static_cast<int>(n >> 8), static_cast<int>(n)});
  out += content;
  return out;
}

std::string Header(int format, int tracks, int division) {
  return Chunk("MThd", Bytes({format >> 8, format, tracks >> 8, tracks, division >> 8, division}));
}

std::string Smf(int format, int division, const std::vector<std::string>& tracks) {
  std::string out = Header(format, static_cast<int>(tracks.size()), division);
  for (const std::string& track : tracks) out += Chunk("MTrk", track);
  return out;
}

Track& Track::Raw(uint32_t delta, std::initializer_list<int> bytes) {
  bytes_ += Vlq(delta) + Bytes(bytes);
  return *this;
}
Track& Track::NoteOn(uint32_t delta, int channel, int key, int velocity) {
  return Raw(delta, {0x90 | channel, key, velocity});
}
Track& Track::NoteOff(uint32_t delta, int channel, int key, int velocity) {
  return Raw(delta, {0x80 | channel, key, velocity});
}
Track& Track::Control(uint32_t delta, int channel, int controller, int value) {
  return Raw(delta, {0xB0 | channel, controller, value});
}
Track& Track::Program(uint32_t delta, int channel, int program) { return Raw(delta, {0xC0 | channel, program}); }
Track& Track::Meta(uint32_t delta, int type, std::string_view data) {
  bytes_ += Vlq(delta) + Bytes({0xFF, type}) + Vlq(static_cast<uint32_t>(data.size()));
  bytes_ += data;
  return *this;
}
Track& Track::Tempo(uint32_t delta, uint32_t t) {
  return Meta(delta, 0x51, Bytes({static_cast<int>(t >> 16), static_cast<int>(t >> 8), static_cast<int>(t)}));
}
Track& Track::EndOfTrack(uint32_t delta) { return Meta(delta, 0x2F, ""); }

}  // namespace test_support
