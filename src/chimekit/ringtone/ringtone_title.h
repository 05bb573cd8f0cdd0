// What a ringtone carries besides its notes: one title and the copyright.
// A song's own texts (every track's name once merged, comments, setup notes)
// would fill a handset's title line and much of a ringtone's size, so the
// ringtone keeps the song's name (its first name event, the first track's
// name of a merged song), else its file's name, and its copyright notice;
// either may be given instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chimekit/ringtone/ringtone_song.h"
#include "midifile/bytes.h"
#include "midifile/midi_file.h"

namespace chimekit {

enum class TitleSource : uint8_t { kNone, kSong, kFileName, kGiven };

struct RingtoneTitle {
  midifile::ByteString title;
  TitleSource title_from = TitleSource::kNone;
  midifile::ByteString copyright;
  bool copyright_given = false;

  // The name (03) and copyright (02) events the ringtone carries, in that
  // order; none for an empty text.
  std::vector<ContentTag> Tags() const;
};

// The ringtone's title and copyright for a song: those given (an empty one
// is none), else the first name and copyright events of the song's first
// track with text, else for the title the file's name without its folders
// and extension.
RingtoneTitle ChooseTitle(const midifile::TMidiFile& song, const std::string& file_name,
                          const std::optional<midifile::ByteString>& title,
                          const std::optional<midifile::ByteString>& copyright);

// "title: Seven (the song's name), copyright: (c) 2024": what was kept,
// texts with control characters escaped.
std::string TitleText(const RingtoneTitle& kept);

}  // namespace chimekit
