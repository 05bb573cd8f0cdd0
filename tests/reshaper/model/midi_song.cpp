#include "reshaper/model/midi_song.h"

namespace reshaper {

void MidiSong::transfer(MidiStream& stream) {
  if (stream.isReading()) {
    header_.format = 0;
    header_.trackCount = 0;
    header_.division = 0;
    tracks_.clear();
    // The tracks are read even behind a header that failed: the caller
    // judges the file by its format field alone.
    header_.read(stream);
    tracks_.read(stream);
  } else {
    // Every track's outLength is computed while the track is written.
    header_.write(stream);
    tracks_.write(stream);
  }
}

}  // namespace reshaper
