// Tags: the text (01), copyright (02), name (03), instrument (04) and lyric
// (05) meta events of a file, and the tag text file that lists them: one
// line per tag, the type byte followed directly by the text.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chimekit/frame/frame.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

inline constexpr uint8_t kFirstTagType = 0x01;
inline constexpr uint8_t kLastTagType = 0x05;

struct Tag {
  uint8_t type = 0;
  midifile::ByteView text;  // a view into the loaded file
};

// A tag type's name in words ("text", "copyright", "name", "instrument",
// "lyric"); null for any other byte.
const char* TagTypeName(uint8_t type);

// Every tag of every loaded track in order, each track looked at up to and
// including its first end of track; meta events with empty data are not
// tags.
std::vector<Tag> CollectTags(const midifile::TMidiFile& file);

// The tag text file of a loaded file: each tag as a line ended by CR LF.
midifile::ByteString TagList(const midifile::TMidiFile& file);

// The lines of a tag text file that carry a tag type, grouped by type in
// file order. A line ends at CR, LF or CR LF; spaces (20) at either end of
// a line are removed; a line that is then empty or does not start with a
// type byte is dropped. A zero byte is part of the text like any other.
struct TagLines {
  std::array<std::vector<midifile::ByteView>, kLastTagType> by_type;  // index type - 1; texts without the type byte
};
TagLines ReadTagLines(midifile::ByteView tag_file);

// The input rewritten with the tags of a tag text file: the k-th line of a
// type goes, at time 0, to the start of the k-th track (types in ascending
// order; a line without text places no tag but still counts). The tracks'
// own meta events other than tempo and end of track become empty text
// events.
midifile::ByteString PlaceTags(const LoadedInput& input, midifile::ByteView tag_file);

}  // namespace chimekit
