#include "chimekit/preview/preview.h"

#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/score.h"
#include "chimekit/preview/wav_writer.h"
#include "chimekit/smaf/reader.h"

namespace chimekit::preview {

PreviewResult PreviewRingtone(midifile::ByteView smaf_file, const PreviewOptions& options,
                              const PreviewProgress& progress) {
  const PreviewScore score = BuildScore(smaf::ReadSmaf(smaf_file));
  const PreviewAudio audio = RenderPreview(score, options, progress);
  PreviewResult result;
  result.output_channels = audio.output_channels;
  result.frames = audio.frames;
  result.ringtone_frames = score.end_sample;
  result.cut = audio.cut;
  result.wav = WavFile(audio.samples, static_cast<uint16_t>(audio.output_channels), kSampleRate);
  return result;
}

}  // namespace chimekit::preview
