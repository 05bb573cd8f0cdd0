// The ringtone as the page makes it: the same job as `chimekit ringtone`,
// with what the page shows of it (the tool's summary, the inspector's
// listing, the song's notes in the window marked kept or dropped), and the
// preview rendered for Web Audio.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chimekit/ringtone/ringtone.h"
#include "midifile/bytes.h"

namespace web {

struct RingtoneRequest {
  uint32_t start_ms = 0;
  uint32_t length_ms = 30000;
  std::optional<uint8_t> note_limit;
  int32_t volume_shift = 0;
};

// The options of `chimekit ringtone` for a request.
chimekit::RingtoneOptions OptionsOf(const RingtoneRequest& request);

struct RingtoneView {
  std::string json;  // summary, listing, window and notes
  midifile::ByteString smaf;
  midifile::ByteString song;  // the cut song as a MIDI file
};

// Throws the job's errors, and for a ringtone without a note the refusal
// the tool gives too.
RingtoneView MakeRingtoneView(const midifile::ByteString& input, const RingtoneRequest& request);

struct PreviewSound {
  uint32_t channels = 2;
  uint64_t frames = 0;
  std::vector<float> samples;  // channel after channel (planar), -1 to 1
};

// The preview of a SMAF file, as `chimekit play` renders it; seconds 0
// renders up to the end of the ringtone.
PreviewSound RenderSound(midifile::ByteView smaf, uint32_t seconds, uint32_t channels);

}  // namespace web
