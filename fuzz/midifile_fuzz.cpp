// libFuzzer target: the MIDI reader and the reports built on it must take
// any bytes without crashing or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chimekit/inspection/length.h"
#include "midifile/errors.h"
#include "midifile/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  midifile::TMidiFile file;
  try {
    file.ReadBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const midifile::ChimeError&) {
    // A damaged file is an expected outcome; what was read stays usable.
  }
  (void)file.SongLengthMs();
  (void)chimekit::FirstNoteTime(file);
  return 0;
}
