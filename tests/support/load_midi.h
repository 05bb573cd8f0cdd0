// Loads MIDI bytes built by a test into the chimekit file model.
#pragma once

#include <string_view>

#include "midifile/midi_file.h"

namespace test_support {

inline midifile::TMidiFile LoadMidi(std::string_view bytes) {
  midifile::TMidiFile file;
  file.ReadBytes(bytes);
  return file;
}

}  // namespace test_support
