// The render job: a SMAF file's preview, as a WAV file or as planar samples
// for Web Audio.
#include <algorithm>

#include "chimekit/jobs/jobs.h"
#include "chimekit/jobs/json.h"
#include "chimekit/preview/preview.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"

namespace chimekit::jobs {
namespace {

// The render as floats, channel after channel.
preview::PreviewRendered RenderSamples(const preview::PreviewScore& score, const preview::PreviewOptions& options,
                                       std::vector<float>& samples) {
  const uint64_t planned = preview::PlannedFrames(score, options);
  const uint32_t channels = options.output_channels;
  samples.resize(static_cast<size_t>(planned * channels));
  float* const planes = samples.data();
  uint64_t frame = 0;
  preview::PreviewRendered rendered = preview::RenderPreview(score, options, [&](const int16_t* block, size_t count) {
    const uint64_t frames = std::min<uint64_t>(count / channels, planned - frame);
    for (uint32_t c = 0; c < channels; ++c) {
      float* plane = planes + c * planned + frame;
      for (uint64_t i = 0; i < frames; ++i) plane[i] = static_cast<float>(block[i * channels + c]) / 32768.0f;
    }
    frame += frames;
  });
  rendered.frames = std::min(rendered.frames, planned);
  // Close the gap between the planes when the render ended early.
  for (uint32_t c = 1; c < channels; ++c) std::copy_n(planes + c * planned, rendered.frames, planes + c * rendered.frames);
  samples.resize(static_cast<size_t>(rendered.frames * channels));
  return rendered;
}

}  // namespace

JobResult RunRender(midifile::ByteView smaf, const RenderRequest& request) {
  preview::PreviewOptions options;
  options.output_channels = request.channels == 1 ? 1 : 2;
  if (request.length_ms > 0) options.length_ms = request.length_ms;
  options.allow_empty = request.allow_empty;
  JobResult result;
  uint64_t frames = 0, ringtone_frames = 0;
  bool cut = false;
  preview::PreviewSummary summary;
  if (request.samples) {
    preview::PreviewScore score = preview::ReadPreviewScore(smaf);
    preview::RequireSomethingToPlay(score, options);
    const preview::PreviewRendered rendered = RenderSamples(score, options, result.samples);
    frames = rendered.frames;
    ringtone_frames = score.end_sample;
    cut = rendered.cut;
    summary = std::move(score.summary);
  } else {
    preview::PreviewResult preview = preview::PreviewRingtone(smaf, options);
    result.bytes[0] = std::move(preview.wav);
    frames = preview.frames;
    ringtone_frames = preview.ringtone_frames;
    cut = preview.cut;
    summary = std::move(preview.summary);
  }
  result.text.push_back('{');
  AppendField(result.text, "channels", options.output_channels);
  AppendField(result.text, "frames", frames);
  AppendField(result.text, "ringtoneFrames", ringtone_frames);
  AppendField(result.text, "sampleRate", preview::kSampleRate);
  AppendField(result.text, "cut", cut);
  AppendKey(result.text, "summary");
  std::string lines;
  for (const std::string& line : summary.Lines()) lines += line + "\n";
  AppendJsonString(result.text, lines);
  AppendField(result.text, "scoreTracks", summary.score_formats.size());
  AppendField(result.text, "notes", summary.notes);
  AppendField(result.text, "notesPlayed", summary.NotesPlayed());
  AppendField(result.text, "audioTracks", summary.audio_tracks);
  AppendField(result.text, "waves", summary.wave_events);
  AppendField(result.text, "wavesPlayed", summary.waves_played);
  AppendKey(result.text, "notPlayed");
  result.text += '[';
  for (size_t i = 0; i < summary.not_played.size(); ++i) {
    if (i > 0) result.text += ',';
    AppendJsonString(result.text, summary.not_played[i]);
  }
  result.text += ']';
  AppendField(result.text, "problems", summary.problems);
  result.text += '}';
  return result;
}

}  // namespace chimekit::jobs
