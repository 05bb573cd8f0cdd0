// A song made ready for a ringtone before the SMAF conversion: cut to its
// first milliseconds with the trimming, and its notes limited per channel
// with MIDI2SP's note limit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"

namespace chimekit {

struct RingtoneSongOptions {
  uint32_t length_ms = 30000;         // the song is cut when it is longer
  std::optional<uint8_t> note_limit;  // as MIDI2SP takes it (0 is 255); none: no limit
};

struct RingtoneSong {
  std::optional<midifile::ByteString> bytes;  // the changed song; no value when nothing was changed
  int32_t song_ms = 0;                        // the length of the song before the cut
  bool cut = false;
  std::array<uint64_t, 16> dropped{};  // note-ons the limit left out, by channel
};

// The cut keeps the song from 0 to length_ms (both included) as trimming
// does; then the limit works as MIDI2SP's with the channels as they are.
// Both leave out the text, copyright and name events that the SMAF
// conversion makes the ringtone's title of, and the cut ends the notes
// still sounding with All Notes Off, which the conversion does not take for
// a note's end. So a changed song then gets, at the start of its first
// track, the text, copyright and name events of the song's first track (up
// to its end of track, in their order), and a note-off for every note that
// sounds at an All Notes Off, just before it.
RingtoneSong PrepareRingtoneSong(const LoadedInput& song, const RingtoneSongOptions& options);

}  // namespace chimekit
