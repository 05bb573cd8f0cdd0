// The core's jobs as every client but the tool calls them: bytes in, a
// result out, nothing named by a path and nothing kept between calls. A
// result is a JSON text (the job's data) and up to two byte strings, or
// the planar samples of a render. The C interface (include/chimekit_jobs.h,
// c_interface.cpp) hands them out; the page, compiled to WebAssembly, and
// the Python package call that. Each job throws the core's errors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::jobs {

struct JobResult {
  std::string text;                // JSON
  midifile::ByteString bytes[2];   // the job's files
  std::vector<float> samples;      // a render's samples, channel after channel
};

// The song's view (song_view.h).
JobResult RunSongView(midifile::ByteView song);

struct RingtoneRequest {
  uint32_t start_ms = 0;
  uint32_t length_ms = 30000;  // 0: the whole song, no window
  std::optional<uint8_t> note_limit;
  int32_t volume_shift = 0;
  bool first_track = false;    // the export's ringtone: no merge, no re-timing
  bool library_timing = false;
  bool notes = false;          // the song's notes in the window and where each went
  bool listing = false;        // the SMAF file in the inspector's words
  std::string file_name;       // the song's file name: its title when it has none
  std::optional<midifile::ByteString> title;      // given; none: the song's
  std::optional<midifile::ByteString> copyright;  // given; none: the song's
};

// The ringtone job (ringtone.h): bytes 0 the SMAF file, bytes 1 the MIDI
// song it is made of; the text its summary, in words and as numbers.
JobResult RunRingtone(midifile::ByteView song, const RingtoneRequest& request);

struct RenderRequest {
  uint32_t length_ms = 0;  // 0: up to the end of the ringtone
  uint32_t channels = 2;  // 1 or 2
  bool samples = false;   // planar floats (-1 to 1) instead of a WAV file
  bool allow_empty = false;  // render a file in which nothing plays instead of refusing it
};

// The preview of a SMAF file as `chimekit play` renders it: bytes 0 the WAV
// file, or the samples; the text {"channels", "frames", "ringtoneFrames",
// "cut", "summary" (the lines `chimekit play` prints before "rendered:"),
// "scoreTracks", "notes", "notesPlayed", "audioTracks", "waves",
// "wavesPlayed", "notPlayed" (texts), "problems"}.
JobResult RunRender(midifile::ByteView smaf, const RenderRequest& request);

struct SmafRequest {
  bool listing = false;  // the SMAF file in the inspector's words
  bool notes = false;    // every note of its score tracks, on the MIDI channels of `chimekit midi`
};

// What a SMAF file holds (smaf_job.cpp): its texts, score and audio
// tracks, problems and the summary of its MIDI form as JSON; no bytes.
// Throws for a file that is no SMAF file.
JobResult RunSmafListing(midifile::ByteView smaf, const SmafRequest& request);

// The MIDI file of `chimekit midi` (bytes 0) and its summary. A file without
// a note gives its MIDI file all the same ("notes" 0, "noNote" saying why).
// Throws for a file that is no SMAF file.
JobResult RunSmafToMidi(midifile::ByteView smaf);

}  // namespace chimekit::jobs
