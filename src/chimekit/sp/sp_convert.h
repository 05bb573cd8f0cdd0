// MIDI2SP: a MIDI file prepared for players with few voices. Its channels
// are renumbered by a channel order, and a note-on is left out when the
// notes already sounding on its channel reach the note limit. The result
// is again a MIDI file with the input's format, track count and division,
// written by the rewrite walk: channel messages with their full status
// byte, meta events through the meta-event writer, system exclusive and
// other F1-FE events left out; the delta of every event left out (a
// note-on over the limit included) passes on to the next event written.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "chimekit/editing/song_output.h"
#include "chimekit/frame/frame.h"
#include "chimekit/sp/channel_order.h"
#include "midifile/bytes.h"

namespace chimekit {

// Note limits run from 1 to 255; 0 counts as 255.
inline uint8_t EffectiveNoteLimit(uint8_t note_limit) { return note_limit == 0 ? 255 : note_limit; }

struct SpConversion {
  midifile::ByteString bytes;
  // Note-ons left out by the limit, by output channel.
  std::array<uint64_t, 16> dropped{};
};

// "3 (channel 1: 1, channel 10: 2)": the note-ons dropped in all, and by
// channel where any were, channels counted 1 to 16 as people read them.
std::string DroppedText(const std::array<uint64_t, 16>& dropped);

// The note limit works per track and channel. A note-on of velocity above
// 0 at tick t is kept while fewer than `note_limit` notes of its channel
// are held and end at t or later: a kept note is held from its note-on
// until a note-off (8n, or 9n of velocity 0) of its key, and ends at t
// plus its length as the reader paired it (a note without a note-off ends
// where it starts). Releases are never left out.
SpConversion ConvertToSp(const LoadedInput& input, const ChannelMap& map, uint8_t note_limit);

struct LimitedSong {
  Song song;
  std::array<uint64_t, 16> dropped{};
};

// The note limit alone (every channel keeps its number) in memory, into a
// song whose header carries `division`.
LimitedSong LimitNotes(const Song& song, uint16_t division, uint8_t note_limit);

// The whole of MIDI2SP: 2 for a missing input, 4 for an order text that is
// not acceptable (nothing is written then), 0 with the output written.
// Read and write failures throw.
uint8_t SpFile(const char* in_file, const char* out_file, const char* order, bool drums, uint8_t note_limit);

}  // namespace chimekit
