#include "chimekit/preview/score_voices.h"

#include <algorithm>

#include "chimekit/smafread/read.h"

namespace chimekit::preview {
namespace {

constexpr uint8_t kDrumBank = 0x7D;  // Mobile Standard: bank MSB of drum voices
constexpr int64_t kCannotPlay = -2;  // a voice's place in the table when it cannot play

// The first stream PCM wave a voiceless drum note plays, by its key.
std::optional<uint32_t> StreamWaveOfKey(int32_t key) {
  if (key >= 0 && key <= 12) return static_cast<uint32_t>(key + 1);
  if (key >= 92 && key <= 110) return static_cast<uint32_t>(key - 78);
  return std::nullopt;
}

uint32_t VoiceKey(uint32_t msb, uint32_t lsb, uint32_t program, uint32_t key) {
  return (msb & 0xFF) << 24 | (lsb & 0xFF) << 16 | (program & 0xFF) << 8 | (key & 0xFF);
}

bool IsDrumVoice(const smafread::Voice& voice) { return voice.drum_key != 0 || voice.bank_msb == kDrumBank; }

FmOperator TwoOperatorOperator(const smafread::FmOperator& op) {
  FmOperator out;
  out.multiplier = op.multiplier;
  out.vibrato = op.vibrato;
  out.sustained = op.sustained;
  out.sustain = op.sustain;
  out.key_scale_rate = op.key_scale_rate;
  out.attack_rate = op.attack_rate;
  out.decay_rate = op.decay_rate;
  out.sustain_level = op.sustain_level;
  out.release_rate = op.release_rate;
  out.total_level = op.total_level;
  out.key_scale_level = op.key_scale_level;
  return out;
}

}  // namespace

FmVoice TwoOperatorVoice(const smafread::FmVoice& voice) {
  FmVoice out;
  out.lfo = voice.lfo;
  out.feedback = voice.operators[0].feedback;
  out.algorithm = voice.algorithm;
  out.modulator = TwoOperatorOperator(voice.operators[0]);
  out.carrier = TwoOperatorOperator(voice.operators[1]);
  return out;
}

Fm4Voice FourOperatorVoice(const smafread::FmVoice& voice, bool handyphone) {
  Fm4Voice out;
  out.algorithm = static_cast<uint8_t>(voice.algorithm & 7);
  out.lfo = voice.lfo;
  out.basic_octave = handyphone ? 1 : voice.basic_octave;
  out.pan_enabled = !handyphone && voice.pan_enable;
  out.pan = voice.panpot;
  for (size_t k = 0; k < out.operators.size(); ++k) {
    const smafread::FmOperator& op = voice.operators[k];
    Fm4Operator& o = out.operators[k];
    // A Handyphone operator holds its level or falls at its release rate
    // while the key is down, as the two-operator voices do.
    o.envelope = handyphone ? ShapeOf(TwoOperatorOperator(op))
                            : EnvelopeShape{op.attack_rate,   op.decay_rate,   op.sustain_rate, op.release_rate,
                                            op.sustain_level, op.key_scale_rate, op.ignore_key_off};
    o.sustain = op.sustain;
    o.multiplier = op.multiplier;
    o.detune = op.detune;
    o.total_level = op.total_level;
    o.key_scale_level = op.key_scale_level;
    o.waveform = op.waveform;
    o.feedback = op.feedback;
    o.vibrato = op.vibrato;
    o.vibrato_depth = op.vibrato_depth;
    o.tremolo = op.am;
    o.tremolo_depth = op.am_depth;
  }
  return out;
}

PcmVoice SampledVoice(const smafread::PcmVoice& voice, bool drum) {
  PcmVoice out;
  out.sample_rate = voice.rate_hz;
  out.follows_key = !drum;
  out.base_key = kPcmBaseKey;
  out.loop = voice.loop;
  out.loop_start = voice.loop_point;
  out.end = voice.end_point;
  out.envelope = {voice.attack_rate,   voice.decay_rate, voice.sustain_rate, voice.release_rate,
                  voice.sustain_level, false,            voice.ignore_key_off};
  out.total_level = voice.total_level;
  out.pan_enabled = voice.pan_enable;
  out.pan = voice.panpot;
  out.lfo = voice.lfo;
  out.vibrato = voice.vibrato;
  out.vibrato_depth = voice.vibrato_depth;
  out.tremolo = voice.am;
  out.tremolo_depth = voice.am_depth;
  return out;
}

WaveDecode DecodeSmafWave(midifile::ByteView file, const smafread::Wave& wave) {
  WaveDecode result;
  const std::string format = wave.format == smafread::WaveFormat::kAdpcm ? "ADPCM"
                             : wave.format == smafread::WaveFormat::kPcm ? "PCM"
                                                                         : "format code " + std::to_string(wave.format_code);
  const std::string shape = format + (wave.bits != 0 ? ", " + std::to_string(wave.bits) + " bits" : "") +
                            (wave.channels == 2 ? ", stereo" : "");
  if (wave.channels != 1 || (wave.format == smafread::WaveFormat::kPcm && wave.bits != 8) ||
      wave.format == smafread::WaveFormat::kOther) {
    result.unsupported = "format not supported (" + shape + ")";
  } else if (wave.rate_hz == 0) {
    result.unsupported = "no sampling rate";
  } else {
    const WaveEncoding encoding =
        wave.format == smafread::WaveFormat::kAdpcm ? WaveEncoding::kAdpcm : WaveEncoding::kPcm8Signed;
    result.wave = DecodeWave(encoding, wave.rate_hz, smafread::BytesOf(file, wave.data));
  }
  return result;
}

void VoiceTable::BeginTrack(const smafread::ScoreTrack& track, const std::string& name) {
  track_ = &track;
  name_ = name;
  handyphone_ = track.format == smafread::SequenceFormat::kHandyphone;
  converted_.assign(track.voices.size(), -1);
  drum_voices_.clear();
  for (size_t i = 0; i < track.voices.size() && i <= INT16_MAX; ++i) {
    const smafread::Voice& voice = track.voices[i];
    if (voice.kind == smafread::VoiceKind::kOther) continue;
    drum_voices_.emplace(VoiceKey(voice.bank_msb, voice.bank_lsb, voice.program, voice.drum_key),
                         static_cast<int32_t>(i));
  }
  track_waves_.clear();
  stream_voices_.clear();
}

void VoiceTable::NotPlayed(const std::string& text) { score_.summary.NotPlayed(text); }

std::optional<uint32_t> VoiceTable::TrackWave(uint32_t number) {
  const auto known = track_waves_.find(number);
  if (known != track_waves_.end()) {
    return known->second < 0 ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(known->second));
  }
  int64_t index = -1;
  const auto wave = std::find_if(track_->waves.begin(), track_->waves.end(),
                                 [&](const smafread::Wave& w) { return w.number == number; });
  if (wave != track_->waves.end()) {
    WaveDecode decoded = DecodeSmafWave(file_, *wave);
    if (decoded.wave) {
      index = static_cast<int64_t>(score_.waves.size());
      score_.waves.push_back(std::move(*decoded.wave));
    } else {
      NotPlayed(name_ + ": stream PCM wave " + std::to_string(number) + ": " + decoded.unsupported);
    }
  }
  track_waves_[number] = index;
  return index < 0 ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(index));
}

std::optional<VoiceTable::Choice> VoiceTable::FileVoice(size_t index, int32_t key) {
  const smafread::Voice& voice = track_->voices.at(index);
  const bool drum = IsDrumVoice(voice);
  if (converted_[index] == kCannotPlay) return std::nullopt;
  if (converted_[index] < 0) {
    PlayVoice play;
    if (voice.kind == smafread::VoiceKind::kPcm) {
      const std::optional<uint32_t> wave = TrackWave(voice.pcm.wave);
      if (!wave) {
        converted_[index] = kCannotPlay;
        NotPlayed(name_ + ": the sampled voice of program " + std::to_string(voice.program) + " plays wave " +
                  std::to_string(voice.pcm.wave) +
                  (voice.pcm.rom ? ", one of the handset's own" : "") + ", which the file does not hold");
        return std::nullopt;
      }
      play.engine = Engine::kPcm;
      play.pcm = SampledVoice(voice.pcm, drum);
      play.wave = *wave;
    } else if (handyphone_ && voice.fm.operator_count == 2) {
      play.engine = Engine::kFm;
      play.fm = TwoOperatorVoice(voice.fm);
    } else {
      play.engine = Engine::kFm4;
      play.fm4 = FourOperatorVoice(voice.fm, handyphone_);
      score_.four_operators = true;
    }
    converted_[index] = static_cast<int64_t>(score_.voices.size());
    score_.voices.push_back(play);
  }
  Choice choice;
  choice.voice = static_cast<uint32_t>(converted_[index]);
  choice.key = key;
  if (drum && voice.kind == smafread::VoiceKind::kFm && voice.fm.drum_key != 0) choice.key = voice.fm.drum_key;
  return choice;
}

std::optional<uint32_t> VoiceTable::StreamDrum(int32_t key) {
  const std::optional<uint32_t> number = StreamWaveOfKey(key);
  if (!number) return std::nullopt;
  const std::optional<uint32_t> wave = TrackWave(*number);
  if (!wave) return std::nullopt;
  const auto known = stream_voices_.find(*wave);
  if (known != stream_voices_.end()) return known->second;
  PlayVoice play;
  play.engine = Engine::kPcm;
  play.pcm.follows_key = false;
  play.pcm.envelope = {15, 0, 0, 15, 0, false, false};
  play.wave = *wave;
  const auto index = static_cast<uint32_t>(score_.voices.size());
  score_.voices.push_back(play);
  stream_voices_[*wave] = index;
  return index;
}

uint32_t VoiceTable::BuiltIn(uint32_t program) {
  if (!built_in_filled_) {
    built_in_.fill(-1);
    built_in_filled_ = true;
  }
  int64_t& index = built_in_[program & 0x7F];
  if (index < 0) {
    PlayVoice play;
    play.fm = BuiltInVoice(program & 0x7F);
    index = static_cast<int64_t>(score_.voices.size());
    score_.voices.push_back(play);
  }
  return static_cast<uint32_t>(index);
}

int32_t VoiceTable::DrumVoice(uint32_t bank_msb, uint32_t bank_lsb, uint32_t program, uint32_t key) const {
  const auto found = drum_voices_.find(VoiceKey(bank_msb, bank_lsb, program, key));
  return found == drum_voices_.end() ? -1 : found->second;
}

}  // namespace chimekit::preview
