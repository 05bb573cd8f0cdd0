#include "chimekit/editing/instrument_map.h"

#include <bitset>

#include "chimekit/editing/drums.h"
#include "chimekit/editing/rewrite.h"

namespace chimekit {

uint8_t InstrumentIndex(uint8_t program, bool drums) {
  return static_cast<uint8_t>(drums ? (program + 128u) & 0xFF : program);
}

midifile::ByteString MapInstruments(const LoadedInput& input, const InstrumentTables& tables) {
  return RewriteFile(input, [&](const midifile::TMidiTrack& track, int32_t, TrackOutput& out) {
    DrumRule drums;
    WalkTrack(track, out, [&](WalkEvent& event, TrackOutput&) {
      drums.See(event);
      if (event.Kind() == 0xC0) {
        uint8_t index = InstrumentIndex(event.data1, drums.IsDrum(event));
        // A table entry above 127 would write a status byte where a data
        // byte belongs; only its low 7 bits are taken.
        if (tables.keep[index] != event.data1) event.data1 = tables.map[index] & 0x7F;
      }
      return true;
    });
  });
}

std::array<ChannelPrograms, 16> ProgramsByChannel(const midifile::TMidiFile& file) {
  std::array<ChannelPrograms, 16> programs;
  std::array<std::bitset<512>, 16> seen;  // index: half * 256 + program
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    const midifile::TMidiTrack& track = file.GetTrack(t);
    DrumRule drums;
    for (const midifile::TMidiEvent& loaded : track.ToEndOfTrack()) {
      WalkEvent event = CopyEvent(track, loaded);
      drums.See(event);
      if (event.Kind() == 0xC0) {
        bool drum = drums.IsDrum(event);
        size_t slot = (drum ? 256u : 0u) + event.data1;
        if (!seen[event.Channel()].test(slot)) {
          seen[event.Channel()].set(slot);
          ChannelPrograms& channel = programs[event.Channel()];
          (drum ? channel.drums : channel.melodic).push_back(event.data1);
        }
      }
    }
  }
  return programs;
}

}  // namespace chimekit
