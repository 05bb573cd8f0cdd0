#include "chimekit/preview/preview.h"

#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/score.h"
#include "chimekit/preview/wav_writer.h"
#include "chimekit/smaf/reader.h"

namespace chimekit::preview {

PreviewResult PreviewRingtone(midifile::ByteView smaf_file, const PreviewOptions& options,
                              const PreviewProgress& progress) {
  const PreviewScore score = BuildScore(smaf::ReadSmaf(smaf_file));
  const auto output_channels = static_cast<uint16_t>(options.output_channels == 1 ? 1 : 2);
  WavWriter wav(output_channels, kSampleRate, PlannedFrames(score, options));
  const PreviewRendered rendered = RenderPreview(
      score, options, [&](const int16_t* samples, size_t count) { wav.Append(samples, count); }, progress);
  PreviewResult result;
  result.output_channels = rendered.output_channels;
  result.frames = rendered.frames;
  result.ringtone_frames = score.end_sample;
  result.cut = rendered.cut;
  result.wav = wav.Finish();
  return result;
}

}  // namespace chimekit::preview
