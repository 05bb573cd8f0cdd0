#include "chimekit/preview/score.h"

#include <algorithm>
#include <bitset>
#include <string>

#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/smaf_text.h"
#include "midifile/errors.h"

namespace chimekit::preview {
namespace {

using smaf::SmafEventKind;
using smaf::SmafSequenceEvent;

[[noreturn]] void Damaged(size_t at, const std::string& text) {
  throw midifile::ConversionError("damaged SMAF file: at " + smaf::Hex(at, 4) + ": " + text);
}

void TakeVoices(const smaf::SmafFile& file, PreviewScore& score) {
  for (uint32_t program = 0; program < score.voices.size(); ++program) score.voices[program] = BuiltInVoice(program);
  std::bitset<128> from_file;
  for (const smaf::SmafScoreTrack& track : file.score_tracks) {
    for (const smaf::SmafSetup& setup : track.setups) {
      for (const smaf::SmafVoiceMessage& voice : setup.voices) {
        if (voice.program > 127 || from_file[voice.program]) continue;
        from_file[voice.program] = true;
        score.voices[voice.program] = DecodeVoice(voice.parameters);
      }
    }
  }
}

// The score event of a sequence event, if it is one the preview plays.
bool ToScoreEvent(const SmafSequenceEvent& event, uint32_t timebase_ms, ScoreEvent& out) {
  if (event.kind == SmafEventKind::kNote) {
    if (!event.HasKey() || event.Key() < 0 || event.Key() > 127) return false;
    out.action = ScoreAction::kNote;
    out.value = static_cast<int32_t>(event.Key());
    out.gate_samples = SamplesOfMs(static_cast<uint64_t>(event.gate) * timebase_ms);
    return true;
  }
  if (event.kind != SmafEventKind::kControl) return false;
  out.value = event.value;
  switch (event.type) {
    case smaf::kControlProgram:
      out.action = ScoreAction::kProgram;
      out.value = event.value & 0x7F;
      return true;
    case smaf::kControlVolume:
      out.action = ScoreAction::kVolume;
      return true;
    case smaf::kControlPan:
      out.action = ScoreAction::kPan;
      return true;
    case smaf::kControlExpression:
      out.action = ScoreAction::kExpression;
      return true;
    case smaf::kControlPitchBend:
      out.action = ScoreAction::kPitchBend;
      return true;
    default:
      return false;
  }
}

void TakeTrack(const smaf::SmafScoreTrack& track, PreviewScore& score) {
  if (track.number < 1 || track.number > 4) {
    Damaged(track.chunk.at + 3, "score track number " + std::to_string(track.number) + " (1 to 4)");
  }
  if (!track.timebase_ms) Damaged(track.chunk.begin + 2, "unknown timebase code " + smaf::Hex(track.duration_code));
  const uint32_t timebase_ms = *track.timebase_ms;
  const auto first_channel = static_cast<uint8_t>(4 * (track.number - 1));
  for (const smaf::SmafSequence& sequence : track.sequences) {
    uint64_t units = 0;
    for (const SmafSequenceEvent& event : sequence.events) {
      units += event.duration;
      ScoreEvent out;
      if (!ToScoreEvent(event, timebase_ms, out)) continue;
      out.sample = SamplesOfMs(units * timebase_ms);
      out.channel = static_cast<uint8_t>(first_channel + event.channel);
      score.end_sample = std::max(score.end_sample, out.sample + out.gate_samples);
      score.events.push_back(out);
    }
    score.end_sample = std::max(score.end_sample, SamplesOfMs(units * timebase_ms));
  }
}

}  // namespace

PreviewScore BuildScore(const smaf::SmafFile& file) {
  if (const smaf::SmafFault* fault = smaf::FirstFault(file)) Damaged(fault->at, fault->text);
  PreviewScore score;
  TakeVoices(file, score);
  size_t events = 0;
  for (const smaf::SmafScoreTrack& track : file.score_tracks) {
    for (const smaf::SmafSequence& sequence : track.sequences) events += sequence.events.size();
  }
  score.events.reserve(events);
  for (const smaf::SmafScoreTrack& track : file.score_tracks) TakeTrack(track, score);
  std::stable_sort(score.events.begin(), score.events.end(),
                   [](const ScoreEvent& a, const ScoreEvent& b) { return a.sample < b.sample; });
  return score;
}

}  // namespace chimekit::preview
