// A MIDI file as the ringtone jobs take it. A SMAF ringtone is made of a
// file's first track, and most MIDI files people have are format 1 files
// whose first track holds only the tempo map; so such a file is first
// merged into one track by Reshaper's conversion, in memory.
#pragma once

#include <cstdint>
#include <string>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

struct SongSource {
  midifile::TMidiFile file;    // the input, or its merged form, read (its bytes kept)
  uint32_t merged_tracks = 0;  // tracks merged into one; 0 when the input is used as it is
  uint32_t merged_events = 0;  // events of the merged track
  // A format 1 input of several tracks that was not merged.
  bool unmerged_tracks = false;
};

// The song of a MIDI file's bytes, read once. Unless first_track_only, a
// format 1 file of more than one track, and a format 1 file in a RIFF RMID
// form (which chimekit's reader does not unwrap), are merged first. A file
// chimekit's reader refuses is refused (its error thrown), merged or not.
SongSource PrepareSong(midifile::ByteString bytes, bool first_track_only);

// "format 1, 7 tracks merged into one of 1234 events".
std::string MergeText(uint32_t merged_tracks, uint32_t merged_events);

}  // namespace chimekit
