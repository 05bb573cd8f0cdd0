// The notes of a song as the ringtone job reads it, and where each went:
// kept by the ringtone, or left out, and why. The job follows every note-on
// from the song it read through its stages (each note-on a stage writes
// carries the label of the one it came from) and asks each stage that
// leaves notes out which ones it left.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "chimekit/editing/song_output.h"
#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"
#include "midifile/tempo_map.h"

namespace chimekit {

enum class NoteFate : uint8_t {
  kKept,            // the ringtone plays it
  kOutsideWindow,   // the cut left it out (it starts beyond the window on the re-timing's grid)
  kNoteLimit,       // the note limit left it out
  kNoFreeChannel,   // no free SMAF channel when it starts
  kRest,            // the conversion made a rest of it (a drum key outside 35 to 81, no timebase unit long)
  kNoLength,        // nothing of it is left in the ringtone (it starts at the window's end, or rounds to no length)
  kOtherTrack,      // in a track that is not converted (only the first track is)
  kAfterEnd,        // after the end of track of its track, where no walk goes
};

// "kept", "outside the window", "note limit", "no free channel", "rest",
// "no length", "not in the first track", "after the end of its track".
const char* NoteFateName(NoteFate fate);

struct RingtoneNote {
  uint8_t channel = 0;
  uint8_t key = 0;
  uint8_t velocity = 0;
  uint64_t start_ms = 0;  // from the window's start, as the song plays
  uint64_t end_ms = 0;    // held to the window's end
  NoteFate fate = NoteFate::kKept;
};

// Follows the notes through the job: built on the song as read, told each
// stage's song, and at the end the conversion's results.
class NoteTracker {
 public:
  // The sounding notes of `song` (a note-on of velocity above 0 paired with
  // a later note-off) that start in the window from start_ms on, before
  // end_ms, timed by `map` as the song plays or, with library timing, at
  // the file's single tempo.
  NoteTracker(const midifile::TMidiFile& song, const midifile::TTempoMap& map, bool library_timing, uint64_t start_ms,
              uint64_t end_ms);

  // A stage that leaves notes out has written `song`: the notes not in it
  // met `fate` there.
  void LeftOut(const Song& song, NoteFate fate);
  // The notes of the ringtone's song `song` that the conversion took.
  void Converted(const Song& song, const std::vector<smaf::TNoteResult>& results);

  // The notes in the order they start (in one track's order where they
  // start together), with times from the window's start and their ends held
  // to its end.
  std::vector<RingtoneNote> Notes() const;

 private:
  struct Tracked {
    uint32_t event = 0;  // index among the song's events: its label
    int32_t track = 0;
    RingtoneNote note{};
    bool decided = false;
  };
  void Decide(Tracked& tracked, NoteFate fate) {
    if (tracked.decided) return;
    tracked.note.fate = fate;
    tracked.decided = true;
  }

  std::vector<Tracked> notes_;    // in the order they start
  std::vector<uint32_t> where_;   // per label: its place in notes_, or kNoLabel
};

}  // namespace chimekit
