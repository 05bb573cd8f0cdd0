#include "chimekit/preview/score.h"

#include <algorithm>
#include <bitset>

#include "chimekit/preview/score_voices.h"
#include "chimekit/smaf/smaf_text.h"
#include "chimekit/smafread/read.h"
#include "midifile/errors.h"

namespace chimekit::preview {
namespace {

using smafread::EventKind;

// The channels and audio tracks the preview plays at most (every one is
// looked at for every block of the mix): 64 Mobile Standard tracks, say; a
// file with more tracks plays the first of them.
constexpr size_t kMostChannels = 1024;
constexpr uint8_t kDrumBank = 0x7D;
constexpr int32_t kDefaultBendCents = 200;

std::string TrackName(const char* kind, uint32_t number) { return std::string(kind) + " " + std::to_string(number); }

// What a score track's channel has been set to so far: what its notes'
// voices and its bends are found from.
struct ChannelState {
  uint32_t program = 0;
  uint32_t bank_msb = 0;
  uint32_t bank_lsb = 0;
  uint32_t rpn_msb = 127;  // none selected
  uint32_t rpn_lsb = 127;
  int32_t bend_cents = kDefaultBendCents;  // the bend's range either way
};

class ScoreBuilder {
 public:
  ScoreBuilder(midifile::ByteView file, PreviewScore& score) : file_(file), score_(score), voices_(file, score) {}

  void TakeScoreTrack(const smafread::ScoreTrack& track) {
    const std::string name = TrackName("score track", track.number);
    const bool handyphone = track.format == smafread::SequenceFormat::kHandyphone;
    if (!handyphone && track.format != smafread::SequenceFormat::kMobile &&
        track.format != smafread::SequenceFormat::kMobileCompressed) {
      NotPlayed(name + ": sequence format type " + std::to_string(track.format_code) + " is not read");
      return;
    }
    if (track.duration_ms == 0 || track.gate_ms == 0) {
      NotPlayed(name + ": unknown timebase");
      return;
    }
    // Handyphone tracks 1 to 4 take channels 0 to 15; any other track a
    // block of its own after those.
    const size_t count = handyphone ? 4 : 16;
    size_t base = 0;
    if (handyphone && track.number >= 1 && track.number <= 4) {
      base = 4 * (track.number - 1u);
      if (score_.pooled.size() < 16) score_.pooled.resize(16, 0);
    } else {
      base = std::max<size_t>(score_.pooled.size(), 16);
      if (base + count > kMostChannels) {
        NotPlayed(name + ": more tracks than the preview plays");
        return;
      }
      score_.pooled.resize(base + count, 0);
    }
    std::fill_n(score_.pooled.begin() + static_cast<std::ptrdiff_t>(base), count, handyphone ? 0 : 1);
    score_.summary.score_formats.push_back(handyphone ? "Handyphone Standard" : "Mobile Standard");
    voices_.BeginTrack(track, name);
    std::array<ChannelState, 16> channels{};
    for (const smafread::ScoreEvent& event : track.events) {
      const size_t c = event.channel & (count - 1);
      ScoreEvent out;
      out.sample = SamplesOfMs(event.time_ms);
      out.channel = static_cast<uint16_t>(base + c);
      ChannelState& state = channels[c];
      switch (event.kind) {
        case EventKind::kNote:
          ++score_.summary.notes;
          if (Note(track, event, state, handyphone, out)) Push(out, out.sample + out.gate_samples);
          break;
        case EventKind::kProgram:
          state.program = event.data & 0x7F;
          break;
        case EventKind::kControl:
          if (Control(event, state, out)) Push(out, out.sample);
          break;
        case EventKind::kPitchBend:
          if (handyphone) {
            out.action = ScoreAction::kPitchBend;
            out.value = static_cast<int32_t>((event.data >> 7) & 0x7F);
          } else {
            out.action = ScoreAction::kBend;
            const int64_t bend = static_cast<int64_t>(event.data & 0x3FFF) - 8192;
            out.value = static_cast<int32_t>(bend * state.bend_cents * 65536 / (8192 * 100));
          }
          Push(out, out.sample);
          break;
        default:
          break;
      }
    }
    score_.end_sample = std::max(score_.end_sample, SamplesOfMs(track.end_ms));
  }

  void TakeAudioTrack(const smafread::AudioTrack& track, size_t index, size_t first_audio_channel) {
    const std::string name = TrackName("audio track", track.number);
    ++score_.summary.audio_tracks;
    AudioTrackPlan plan;
    std::vector<int64_t> wave_of_number(256, -1);
    std::bitset<256> missing_named;
    std::string unsupported;
    for (const smafread::Wave& wave : track.waves) {
      if (wave_of_number[wave.number] >= 0) continue;
      WaveDecode decoded = DecodeSmafWave(file_, wave);
      if (!decoded.wave) {
        unsupported = decoded.unsupported;
        continue;
      }
      wave_of_number[wave.number] = static_cast<int64_t>(plan.waves.size());
      plan.waves.push_back(std::move(*decoded.wave));
    }
    const bool timed = track.duration_ms != 0 && track.gate_ms != 0;
    const bool too_many = first_audio_channel + index >= kMostChannels;
    for (const smafread::ScoreEvent& event : track.events) {
      ScoreEvent out;
      out.sample = SamplesOfMs(event.time_ms);
      out.channel = static_cast<uint16_t>(first_audio_channel + index);
      if (event.kind == EventKind::kWave) {
        ++score_.summary.wave_events;
        const int64_t wave = wave_of_number[event.key];
        if (!timed || too_many || wave < 0) {
          if (wave < 0 && unsupported.empty() && !missing_named[event.key]) {
            missing_named[event.key] = true;
            NotPlayed(name + ": wave " + std::to_string(event.key) + ", which the track does not hold");
          }
          continue;
        }
        const DecodedWave& played = plan.waves[static_cast<size_t>(wave)];
        const uint64_t whole = (played.samples.size() * uint64_t{kSampleRate} + played.sample_rate - 1) / played.sample_rate;
        const uint64_t length = SamplesOfMs(event.gate_ms);
        plan.events.push_back({out.sample, length, static_cast<uint32_t>(wave)});
        ++score_.summary.waves_played;
        score_.end_sample = std::max(score_.end_sample, out.sample + (length == 0 ? whole : std::min(length, whole)));
      } else if (event.kind == EventKind::kControl && timed && !too_many) {
        ChannelState state;
        if (Control(event, state, out)) Push(out, out.sample);
      }
    }
    if (!unsupported.empty()) NotPlayed(name + ": " + unsupported);
    if (!timed) NotPlayed(name + ": unknown timebase");
    if (too_many) NotPlayed(name + ": more tracks than the preview plays");
    if (timed && !too_many) score_.end_sample = std::max(score_.end_sample, SamplesOfMs(track.end_ms));
    score_.audio_tracks.push_back(std::move(plan));
  }

 private:
  void NotPlayed(const std::string& text) { score_.summary.NotPlayed(text); }

  void Push(const ScoreEvent& event, uint64_t until) {
    score_.events.push_back(event);
    score_.end_sample = std::max(score_.end_sample, until);
  }

  // The voice and key of a note; false when it cannot sound.
  bool Note(const smafread::ScoreTrack& track, const smafread::ScoreEvent& event, const ChannelState& state,
            bool handyphone, ScoreEvent& out) {
    const int32_t key = event.key;
    out.action = ScoreAction::kNote;
    out.value = key;
    out.gate_samples = SamplesOfMs(event.gate_ms);
    // A velocity of 0 sounds in SMAF: as 1.
    out.velocity = handyphone ? 127 : static_cast<uint8_t>(std::clamp<uint32_t>(event.velocity, 1, 127));
    const bool drum = !handyphone && (track.channels[event.channel & 15].type == smafread::ChannelType::kRhythm ||
                                      state.bank_msb == kDrumBank);
    int32_t index = event.voice;
    if (index < 0 && drum) index = voices_.DrumVoice(state.bank_msb, state.bank_lsb, state.program, key);
    PreviewSummary& summary = score_.summary;
    if (index >= 0) {
      const std::optional<VoiceTable::Choice> choice = voices_.FileVoice(static_cast<size_t>(index), key);
      if (!choice) return false;
      out.voice = choice->voice;
      out.value = choice->key;
      ++(score_.voices[out.voice].engine == Engine::kPcm ? summary.notes_on_file_pcm : summary.notes_on_file_fm);
      return true;
    }
    if (drum) {
      if (const std::optional<uint32_t> stream = voices_.StreamDrum(key)) {
        out.voice = *stream;
        ++summary.notes_on_file_pcm;
        return true;
      }
    }
    out.voice = voices_.BuiltIn(drum ? kBuiltInDrumProgram : state.program);
    ++summary.notes_on_built_in;
    return true;
  }

  // A control the preview follows, as an event; the channel's state for
  // the others it takes note of.
  static bool Control(const smafread::ScoreEvent& event, ChannelState& state, ScoreEvent& out) {
    out.value = static_cast<int32_t>(event.data);
    switch (event.key) {
      case 7:
        out.action = ScoreAction::kVolume;
        return true;
      case 10:
        out.action = ScoreAction::kPan;
        return true;
      case 11:
        out.action = ScoreAction::kExpression;
        return true;
      case 0:
        state.bank_msb = event.data & 0xFF;
        return false;
      case 32:
        state.bank_lsb = event.data & 0x7F;
        return false;
      case 101:
        state.rpn_msb = event.data & 0x7F;
        return false;
      case 100:
        state.rpn_lsb = event.data & 0x7F;
        return false;
      case 99:
      case 98:  // a non-registered parameter: data entries are not the bend range's
        state.rpn_msb = state.rpn_lsb = 127;
        return false;
      case 6:
        if (state.rpn_msb == 0 && state.rpn_lsb == 0) {
          state.bend_cents = static_cast<int32_t>(event.data & 0x7F) * 100 + state.bend_cents % 100;
        }
        return false;
      case 38:
        if (state.rpn_msb == 0 && state.rpn_lsb == 0) {
          state.bend_cents = state.bend_cents / 100 * 100 + static_cast<int32_t>(std::min<uint32_t>(event.data, 99));
        }
        return false;
      default:
        return false;
    }
  }

  midifile::ByteView file_;
  PreviewScore& score_;
  VoiceTable voices_;
};

}  // namespace

PreviewScore BuildScore(midifile::ByteView file, const smafread::SmafScore& smaf) {
  PreviewScore score;
  score.summary.problems = smaf.problems.size();
  if (!smaf.problems.empty()) {
    score.summary.first_problem = "at " + smaf::Hex(smaf.problems.front().at, 4) + ": " + smaf.problems.front().text;
  }
  size_t events = 0;
  for (const smafread::ScoreTrack& track : smaf.score_tracks) events += track.events.size();
  score.events.reserve(events);
  ScoreBuilder builder(file, score);
  for (const smafread::ScoreTrack& track : smaf.score_tracks) builder.TakeScoreTrack(track);
  const size_t first_audio_channel = score.pooled.size();
  for (size_t i = 0; i < smaf.audio_tracks.size(); ++i) builder.TakeAudioTrack(smaf.audio_tracks[i], i, first_audio_channel);
  std::stable_sort(score.events.begin(), score.events.end(),
                   [](const ScoreEvent& a, const ScoreEvent& b) { return a.sample < b.sample; });
  return score;
}

PreviewScore ReadPreviewScore(midifile::ByteView file) {
  const smafread::SmafScore smaf = smafread::ReadSmafScore(file);
  if (!smaf.is_smaf) {
    throw midifile::ConversionError("damaged SMAF file: at 0x0000: it does not begin with \"MMMD\" and its size");
  }
  // A file cut short has lost what its chunks said was to come.
  if (uint64_t{smaf.declared_size} + 8 > file.size()) {
    throw midifile::ConversionError("damaged SMAF file: at 0x0004: the file ends " +
                                    std::to_string(uint64_t{smaf.declared_size} + 8 - file.size()) +
                                    " bytes before the end of its MMMD chunk");
  }
  return BuildScore(file, smaf);
}

}  // namespace chimekit::preview
