// The ringtone's song: its content (the tags the SMAF file's content
// information carries) and the last stage of the ringtone job over a song
// it changed (cut, volume, note limit), before the SMAF conversion.
//
// The finish ends the notes still sounding where the cut ended them: the
// cut silences them with All Notes Off, which the conversion does not take
// for a note's end, so every note that sounds at an All Notes Off gets a
// note-off just before it. After a cut, nothing lasts beyond the window's
// end: the All Notes Off (with those note-offs) and the end of track that
// the cut writes at the first event after the window move back to its end.
// And when the first track's last sound (a note's end, a pitch bend,
// channel pressure) comes before the window's end, a pitch bend to the
// centre on the channel of its last note-on marks the end, so that the
// ringtone keeps the rest that closes the window and loops in time.
//
// The finished song keeps the music: meta events other than tempo and end
// of track are left out (their deltas pass on), and its first track starts
// with the ringtone's content.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "chimekit/editing/song_output.h"
#include "chimekit/smaf/collect.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

// A text (01), copyright (02) or name (03) event's type and text.
struct ContentTag {
  uint8_t type = 0;
  midifile::ByteString text;
};

// The text, copyright and name events of a song's first track, up to its
// end of track, in their order.
std::vector<ContentTag> FirstTrackTags(const midifile::TMidiFile& song);

// The tags of a SMAF file's content information for the content.
smaf::TSmafTags SmafTags(const std::vector<ContentTag>& content);

// `changed` is the changed song, `window_end` the tick of the window's end
// in it after a cut; the finished song's header carries `division`.
Song FinishRingtoneSong(const Song& changed, uint16_t division, std::optional<int64_t> window_end,
                        const std::vector<ContentTag>& content);

}  // namespace chimekit
