#include "chimekit/inspection/channels.h"

namespace chimekit {

uint16_t UsedChannelMask(const midifile::TMidiFile& file) {
  uint16_t mask = 0;
  int32_t tracks = file.NumberOfTracks();
  for (int32_t t = 0; t < tracks; ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).ToEndOfTrack()) {
      if (event.IsNoteOn()) mask = static_cast<uint16_t>(mask | (1u << event.Channel()));
    }
  }
  return mask;
}

midifile::ByteString UsedChannelsReport(const midifile::TMidiFile& file) {
  uint16_t mask = UsedChannelMask(file);
  midifile::ByteString report(16, '0');
  for (uint32_t channel = 0; channel < 16; ++channel) {
    if (mask & (1u << channel)) report[channel] = '1';
  }
  report += "\r\n";
  return report;
}

}  // namespace chimekit
