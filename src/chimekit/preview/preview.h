// Hearing a ringtone before it is sent: a SMAF file, read by the SMAF reader,
// rendered with two-operator FM voices to a 16-bit PCM WAV file at 44.1 kHz.
// An audition aid: it follows the voice parameters, timing and controls of
// the file, not the sound of any particular handset.
#pragma once

#include <cstdint>

#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/render.h"
#include "midifile/bytes.h"

namespace chimekit::preview {

struct PreviewResult {
  midifile::ByteString wav;
  uint32_t output_channels = 2;
  uint64_t frames = 0;           // rendered, per channel
  uint64_t ringtone_frames = 0;  // where the score ends, without the release of the last notes
  bool cut = false;              // stopped at the time limit before the score's end
};

// Throws midifile::ConversionError for a SMAF file the reader cannot read
// whole ("damaged SMAF file: at 0x....: ...").
PreviewResult PreviewRingtone(midifile::ByteView smaf_file, const PreviewOptions& options,
                              const PreviewProgress& progress = {});

}  // namespace chimekit::preview
