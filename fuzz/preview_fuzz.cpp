// libFuzzer target: the preview of any bytes read as a SMAF file, as
// `chimekit play` renders it. Whatever the bytes, a file is refused only as
// damaged or as one in which nothing plays; the score's events are in time
// order, each note with a voice of the score and each sampled voice with a
// wave; the summary plays no more notes and waves than the file holds; the
// render stops at its time limit with as many samples as frames.
//
// Input: a flag byte (bit 0: mono; bits 1 to 7: the time limit in 16 ms
// steps, from 16 ms to 2 s), then the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chimekit/preview/preview.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "fuzz_input.h"
#include "midifile/errors.h"

namespace {

using namespace chimekit::preview;

void CheckScore(const PreviewScore& score) {
  uint64_t sample = 0;
  const size_t channels = score.pooled.size();
  for (const ScoreEvent& event : score.events) {
    fuzz::Check(event.sample >= sample, "score events out of time order");
    sample = event.sample;
    fuzz::Check(event.channel < channels + score.audio_tracks.size(), "an event of no channel or audio track");
    if (event.action != ScoreAction::kNote) continue;
    fuzz::Check(event.channel < channels, "a note on an audio track");
    fuzz::Check(event.voice < score.voices.size(), "a note without a voice");
    const PlayVoice& voice = score.voices[event.voice];
    fuzz::Check(voice.engine != Engine::kPcm || voice.wave < score.waves.size(), "a sampled voice without a wave");
    fuzz::Check(event.sample + event.gate_samples <= score.end_sample, "a note let go after the score's end");
  }
  for (const AudioTrackPlan& plan : score.audio_tracks) {
    for (const AudioTrackEvent& event : plan.events) {
      fuzz::Check(event.wave < plan.waves.size(), "an audio track event without its wave");
      fuzz::Check(event.sample <= score.end_sample, "a wave after the score's end");
    }
  }
  const PreviewSummary& summary = score.summary;
  fuzz::Check(summary.NotesPlayed() <= summary.notes, "more notes played than read");
  fuzz::Check(summary.waves_played <= summary.wave_events, "more waves played than read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const uint8_t flags = input.Byte();
  const std::string_view file = input.Rest();
  PreviewScore score;
  try {
    score = ReadPreviewScore(file);
  } catch (const midifile::ConversionError& error) {
    fuzz::Check(std::string_view(error.what()).starts_with("damaged SMAF file: at 0x"), "an unexpected refusal",
                error.what());
    return 0;
  }
  CheckScore(score);
  PreviewOptions options;
  options.output_channels = (flags & 1) != 0 ? 1 : 2;
  options.length_ms = 16u * (1u + (flags >> 1));
  try {
    RequireSomethingToPlay(score, options);
  } catch (const NothingToPlay&) {
    fuzz::Check(score.summary.NothingPlays(), "refused while something plays");
  }
  uint64_t samples = 0;
  const PreviewRendered rendered =
      RenderPreview(score, options, [&](const int16_t*, size_t count) { samples += count; });
  fuzz::Check(rendered.frames <= PlannedFrames(score, options), "more frames than planned");
  fuzz::Check(rendered.frames * options.output_channels == samples, "samples and frames differ");
  return 0;
}
