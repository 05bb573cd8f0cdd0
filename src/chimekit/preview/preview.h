// Hearing a SMAF file: read by the SMAF reader (smafread/read.h), its
// score tracks played with the file's own voices (FM of two and four
// operators, sampled voices with its stream PCM) or the library's, its
// audio tracks' waves mixed in, rendered to a 16-bit PCM WAV file at
// 44.1 kHz. An audition aid: it follows the voice parameters, timing and
// controls of the file, not the sound of any particular handset.
#pragma once

#include <cstdint>
#include <string>

#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "midifile/bytes.h"
#include "midifile/errors.h"

namespace chimekit::preview {

struct PreviewResult {
  midifile::ByteString wav;
  uint32_t output_channels = 2;
  uint64_t frames = 0;           // rendered, per channel
  uint64_t ringtone_frames = 0;  // where the score ends, without the release of the last notes
  bool cut = false;              // stopped at the time limit before the score's end
  PreviewSummary summary;
};

// A file in which nothing plays: no note and no wave, or none that the
// preview can play ("nothing to play: score tracks: 0, notes: 0, audio
// tracks: 1 (1 wave); audio track 1: format not supported (PCM, 16 bits)").
class NothingToPlay : public midifile::ConversionError {
 public:
  using midifile::ConversionError::ConversionError;
};

// Throws NothingToPlay unless something of the score plays or
// `options.allow_empty`.
void RequireSomethingToPlay(const PreviewScore& score, const PreviewOptions& options);

// Throws midifile::ConversionError for a file that is not SMAF or is cut
// short ("damaged SMAF file: at 0x....: ..."), and NothingToPlay.
PreviewResult PreviewRingtone(midifile::ByteView smaf_file, const PreviewOptions& options,
                              const PreviewProgress& progress = {});

}  // namespace chimekit::preview
