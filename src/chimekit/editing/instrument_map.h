// Instrument map: program changes replaced through two tables of 256
// entries, the lower half for melodic channels and the upper half for drum
// channels (entry 128 + p for program p of a drum program change).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

struct InstrumentTables {
  // A program change whose program equals keep[index] stays as it is.
  std::array<uint8_t, 256> keep{};
  // Otherwise its program becomes map[index], by its low 7 bits.
  std::array<uint8_t, 256> map{};
};

// The table index of a program change: its program, plus 128 (modulo 256)
// for a drum program change.
uint8_t InstrumentIndex(uint8_t program, bool drums);

// The input rewritten with its program changes looked up in the tables;
// every other event passes through the rewrite walk as it is.
midifile::ByteString MapInstruments(const LoadedInput& input, const InstrumentTables& tables);

// The distinct programs of the program changes on each channel (0-15),
// each half of the tables apart, in the order they first appear; every
// track is read up to its first end of track.
struct ChannelPrograms {
  std::vector<uint8_t> melodic;
  std::vector<uint8_t> drums;
};
std::array<ChannelPrograms, 16> ProgramsByChannel(const midifile::TMidiFile& file);

}  // namespace chimekit
