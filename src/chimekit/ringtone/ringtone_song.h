// The last pass of the ringtone job over a song it changed (cut, volume,
// note limit), before the SMAF conversion.
//
// The cut and the limit leave out the text, copyright and name events that
// the SMAF conversion makes the ringtone's title of, and the cut ends the
// notes still sounding with All Notes Off, which the conversion does not
// take for a note's end. So the changed song gets back, at the start of its
// first track, the text, copyright and name events of the song's first
// track (up to its end of track, in their order), and a note-off for every
// note that sounds at an All Notes Off, just before it.
//
// After a cut, nothing lasts beyond the window's end: the All Notes Off
// (with those note-offs) and the end of track that the trimming writes at
// the first event after the window move back to its end. And when the
// first track's last sound (a note's end, a pitch bend, channel pressure)
// comes before the window's end, a pitch bend to the centre on the channel
// of its last note-on marks the end, so that the ringtone keeps the rest
// that closes the window and loops in time.
#pragma once

#include <cstdint>
#include <optional>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// `song` is the song before the changes, `changed` the changed song;
// `window_end` the tick of the window's end in `changed` after a cut.
midifile::ByteString FinishRingtoneSong(const midifile::TMidiFile& song, const LoadedInput& changed,
                                        std::optional<int64_t> window_end);

}  // namespace chimekit
