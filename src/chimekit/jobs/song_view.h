// The song view job: what a song is before any ringtone is made (the page
// shows it): header, tags, tempo map, the channels with their programs, and
// every note at its real time as the song plays.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::jobs {

struct Note {
  uint8_t channel = 0;
  uint8_t key = 0;
  uint8_t velocity = 0;
  uint64_t start_ms = 0;  // as the song plays (every tempo counted)
  uint64_t end_ms = 0;
};

struct SongView {
  bool riff = false;           // the file is a RIFF RMID form
  uint32_t merged_tracks = 0;  // tracks merged to read a RIFF form; 0 when read as it is
  int32_t format = 0;
  int32_t tracks = 0;
  int32_t division = 0;
  uint32_t tempo_events = 0;
  uint64_t played_ms = 0;
  std::vector<std::pair<uint8_t, std::string>> tags;  // type and text, in file order
  std::array<std::vector<uint8_t>, 16> programs;      // program changes per channel, each once, in order
  std::vector<Note> notes;                            // sounding notes (a note-on paired with its note-off)
};

// Throws the reader's errors, and the ringtone job's own for a file that
// loads but holds nothing it could convert (no track, no time base), so
// that such a file is refused when it is opened.
SongView ReadSong(const midifile::ByteString& bytes);

std::string SongJson(const SongView& song);

}  // namespace chimekit::jobs
