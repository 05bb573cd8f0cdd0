// A MIDI file as the ringtone subcommands (smaf, ringtone, play) read it.
// A SMAF ringtone is made of a file's first track, and most MIDI files
// people have are format 1 files whose first track holds only the tempo
// map; so such a file is first merged into one track by Reshaper's
// conversion, in memory.
#pragma once

#include <cstdint>
#include <string>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace cli {

struct Song {
  midifile::ByteString bytes;  // the MIDI file worked on: the input, or its merged form
  midifile::TMidiFile file;    // loaded from bytes
  uint32_t merged_tracks = 0;  // tracks merged into one; 0 when the input is used as it is
  uint32_t merged_events = 0;  // events of the merged track
  // A format 1 input of several tracks that was not merged.
  bool unmerged_tracks = false;
};

// The song of a MIDI file's bytes. Unless first_track_only, a format 1 file
// of more than one track, and a format 1 file in a RIFF RMID form (which
// chimekit's reader does not unwrap), are merged first.
Song PrepareSong(midifile::ByteString bytes, bool first_track_only);

// RequireInput, then the song of the file.
Song ReadSong(const std::string& path, bool first_track_only);

// "format 1, 7 tracks merged into one of 1234 events".
std::string MergeText(const Song& song);

}  // namespace cli
