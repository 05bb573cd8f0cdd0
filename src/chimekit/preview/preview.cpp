#include "chimekit/preview/preview.h"

#include "chimekit/preview/wav_writer.h"

namespace chimekit::preview {

void RequireSomethingToPlay(const PreviewScore& score, const PreviewOptions& options) {
  if (!score.summary.NothingPlays() || options.allow_empty) return;
  std::string text = "nothing to play: " + score.summary.ReadText();
  for (const std::string& reason : score.summary.not_played) text += "; " + reason;
  throw NothingToPlay(text);
}

PreviewResult PreviewRingtone(midifile::ByteView smaf_file, const PreviewOptions& options,
                              const PreviewProgress& progress) {
  PreviewScore score = ReadPreviewScore(smaf_file);
  RequireSomethingToPlay(score, options);
  const auto output_channels = static_cast<uint16_t>(options.output_channels == 1 ? 1 : 2);
  WavWriter wav(output_channels, kSampleRate, PlannedFrames(score, options));
  const PreviewRendered rendered = RenderPreview(
      score, options, [&](const int16_t* samples, size_t count) { wav.Append(samples, count); }, progress);
  PreviewResult result;
  result.output_channels = rendered.output_channels;
  result.frames = rendered.frames;
  result.ringtone_frames = score.end_sample;
  result.cut = rendered.cut;
  result.summary = std::move(score.summary);
  result.wav = wav.Finish();
  return result;
}

}  // namespace chimekit::preview
