// libFuzzer target: the MIDI reader and the reports built on it must take
// any bytes without crashing or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chimekit/inspection/dump.h"
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
  // Every event's data is read through its view, here and in the dump.
  size_t data_bytes = 0;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    for (const midifile::TMidiEvent& event : file.GetTrack(t).Events()) {
      midifile::ByteView bytes = event.DataBytes;
      data_bytes += bytes.size() + (bytes.empty() ? 0 : static_cast<uint8_t>(bytes.back()));
    }
  }
  (void)data_bytes;
  (void)chimekit::DumpText(file, true);
  return 0;
}
