// The tracks of a SMAF file. A score track ("MTR?") holds its format type,
// sequence type, two timebase codes and the channel status (2 bytes for
// Handyphone Standard, 16 for Mobile Standard), then its chunks: the setup
// ("Mtsu"), the sequence ("Mtsq"), stream PCM ("Mtsp") and seek and phrase
// information ("MspI"). An audio track ("ATR?") holds its format type,
// sequence type, wave type, wave base bit and two timebase codes, then its
// setup ("Atsu"), sequence ("Atsq"), waves ("Awa?") and seek and phrase
// information ("AspI").
#include <bitset>
#include <iterator>

#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

constexpr uint32_t kAudioRates[] = {4000, 8000, 11025, 22050, 44100};

// Two bytes, four bits a channel: key control (bit 3: on), vibration
// (bit 2), channel type (bits 1-0), channel 0 in the high bits.
void HandyphoneChannels(ByteView file, size_t at, ScoreTrack& track) {
  const uint32_t bits = BigEndian16(file, at);
  for (size_t channel = 0; channel < 4; ++channel) {
    const uint32_t nibble = (bits >> (12 - 4 * channel)) & 0x0F;
    ChannelStatus& status = track.channels[channel];
    status.key_control = (nibble & 0x08) != 0 ? 2 : 1;
    status.vibration = (nibble & 0x04) != 0;
    status.type = static_cast<ChannelType>(nibble & 0x03);
  }
}

// A byte a channel: key control (bits 7-6), vibration (5), LED (4),
// channel type (1-0).
void MobileChannels(ByteView file, size_t at, ScoreTrack& track) {
  for (size_t channel = 0; channel < 16; ++channel) {
    const uint32_t byte = midifile::ByteAt(file, at + channel);
    ChannelStatus& status = track.channels[channel];
    status.key_control = static_cast<uint8_t>(byte >> 6);
    status.vibration = (byte & 0x20) != 0;
    status.led = (byte & 0x10) != 0;
    status.type = static_cast<ChannelType>(byte & 0x03);
  }
}

void ReadTrackSequence(ByteView file, const ChunkFact& chunk, ScoreTrack& track, Problems& problems) {
  const size_t begin = chunk.body.begin;
  const size_t end = begin + chunk.size;
  if (track.format == SequenceFormat::kHandyphone) {
    ReadHandyphoneSequence(file, begin, end, track.duration_ms, track.gate_ms, false,
                           {track.events, track.exclusives, track.exclusive_bytes, track.end_ms}, problems);
  } else if (track.format == SequenceFormat::kMobile) {
    ReadMobileSequence(file, begin, end, false, chunk.at, track, problems);
  } else if (track.format == SequenceFormat::kMobileCompressed) {
    std::string decoded;
    DecodeCompressedSequence(file, begin, end, decoded, problems);
    track.decoded_size = static_cast<uint32_t>(decoded.size());
    ReadMobileSequence(decoded, 0, decoded.size(), true, chunk.at, track, problems);
  }
}

// Sets a wave's format from a wave type byte: channels (bit 7) and format
// (bits 6-4).
void SetWaveType(uint8_t type, Wave& wave) {
  wave.format_code = static_cast<uint8_t>((type >> 4) & 0x07);
  wave.format = wave.format_code == 0 ? WaveFormat::kPcm : wave.format_code == 1 ? WaveFormat::kAdpcm : WaveFormat::kOther;
  wave.channels = (type & 0x80) != 0 ? 2 : 1;
}

// The bits per sample of a wave base bit code: 0 4, 1 8, 2 12, 3 16.
uint8_t BaseBits(uint32_t code) { return code <= 3 ? static_cast<uint8_t>(4 + 4 * code) : 0; }

}  // namespace

void ReadStreamPcm(ByteView file, const ChunkFact& chunk, std::vector<ChunkFact>& chunks, std::vector<Wave>& waves,
                   Problems& problems) {
  const size_t begin = chunk.body.begin;
  for (const ChunkFact& inner : WalkChunks(file, begin, begin + chunk.size, 2, "the Mtsp chunk", chunks, problems)) {
    if (inner.role != ChunkRole::kWave) continue;
    // The wave type, the rate in Hz (16 bits), then the samples.
    if (inner.size < 3) {
      problems.Add(inner.at + 4, "wave chunk of " + std::to_string(inner.size) +
                                     " bytes, too short for its wave type and rate");
      continue;
    }
    Wave wave;
    wave.at = inner.at;
    wave.number = static_cast<uint8_t>(inner.id[3]);
    const uint8_t type = midifile::ByteAt(file, inner.body.begin);
    SetWaveType(type, wave);
    wave.bits = wave.format == WaveFormat::kAdpcm ? 4 : BaseBits(type & 0x0F);
    wave.rate_hz = BigEndian16(file, inner.body.begin + 1);
    wave.data = {inner.body.begin + 3, inner.size - 3};
    waves.push_back(wave);
  }
}

ScoreTrack ReadScoreTrack(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems,
                          std::vector<ScoreEvent> events) {
  ScoreTrack track;
  track.events = std::move(events);
  track.events.clear();
  track.at = chunk.at;
  track.number = static_cast<uint8_t>(chunk.id[3]);
  const size_t at = chunk.body.begin;
  const size_t end = at + chunk.size;
  if (chunk.size < 4) {
    problems.Add(chunk.at + 4, "score track size " + std::to_string(chunk.size) + " leaves no room for its header");
    return track;
  }
  track.format_code = midifile::ByteAt(file, at);
  track.sequence_type = midifile::ByteAt(file, at + 1);
  track.duration_code = midifile::ByteAt(file, at + 2);
  track.gate_code = midifile::ByteAt(file, at + 3);
  track.duration_ms = TimebaseMs(track.duration_code);
  track.gate_ms = TimebaseMs(track.gate_code);
  size_t status_bytes = 0;
  switch (track.format_code) {
    case 0: track.format = SequenceFormat::kHandyphone; status_bytes = 2; break;
    case 1: track.format = SequenceFormat::kMobileCompressed; status_bytes = 16; break;
    case 2: track.format = SequenceFormat::kMobile; status_bytes = 16; break;
    case 3: status_bytes = 32; break;  // 32 channels: named, not read
    default:
      problems.Add(at, "score track format type " + Hex(track.format_code) + ", which the format does not define");
      return track;
  }
  if (track.duration_ms == 0) problems.Add(at + 2, "unknown timebase code " + Hex(track.duration_code));
  if (track.gate_ms == 0) problems.Add(at + 3, "unknown gate timebase code " + Hex(track.gate_code));
  if (chunk.size < 4 + status_bytes) {
    problems.Add(chunk.at + 4, "score track size " + std::to_string(chunk.size) + " leaves no room for its " +
                                   std::to_string(status_bytes) + " channel status bytes");
    return track;
  }
  if (track.format == SequenceFormat::kHandyphone) {
    track.channel_count = 4;
    HandyphoneChannels(file, at + 4, track);
  } else if (status_bytes == 16) {
    track.channel_count = 16;
    MobileChannels(file, at + 4, track);
  }
  bool sequence_seen = false;
  for (const ChunkFact& inner :
       WalkChunks(file, at + 4 + status_bytes, end, 1, "the score track", score.chunks, problems)) {
    if (track.format == SequenceFormat::kOther) continue;
    switch (inner.role) {
      case ChunkRole::kSetup:
        ReadSetup(file, inner, track.format == SequenceFormat::kHandyphone, track.voices, problems);
        break;
      case ChunkRole::kSequence:
        if (sequence_seen) {
          problems.Add(inner.at, "a second sequence chunk in score track " + std::to_string(track.number));
          break;
        }
        sequence_seen = true;
        ReadTrackSequence(file, inner, track, problems);
        break;
      case ChunkRole::kStreamPcm:
        ReadStreamPcm(file, inner, score.chunks, track.waves, problems);
        break;
      case ChunkRole::kSeekPhrase:
        ReadPhrases(file, inner, track.phrases, problems);
        break;
      default:
        break;
    }
  }
  if (track.format != SequenceFormat::kOther && !sequence_seen) {
    problems.Add(end, "score track " + std::to_string(track.number) + " has no sequence chunk");
  }
  AssignVoices(track);
  return track;
}

AudioTrack ReadAudioTrack(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems) {
  AudioTrack track;
  track.at = chunk.at;
  track.number = static_cast<uint8_t>(chunk.id[3]);
  const size_t at = chunk.body.begin;
  if (chunk.size < 6) {
    problems.Add(chunk.at + 4, "audio track size " + std::to_string(chunk.size) + " leaves no room for its header");
    return track;
  }
  track.format_type = midifile::ByteAt(file, at);
  track.sequence_type = midifile::ByteAt(file, at + 1);
  track.wave_type = midifile::ByteAt(file, at + 2);
  track.wave_base_bit = midifile::ByteAt(file, at + 3);
  track.duration_code = midifile::ByteAt(file, at + 4);
  track.gate_code = midifile::ByteAt(file, at + 5);
  Wave shape;
  SetWaveType(track.wave_type, shape);
  track.format = shape.format;
  track.channels = shape.channels;
  track.bits = track.format == WaveFormat::kAdpcm ? 4 : BaseBits(track.wave_base_bit);
  const uint32_t rate_code = track.wave_type & 0x0F;
  if (rate_code < std::size(kAudioRates)) {
    track.rate_hz = kAudioRates[rate_code];
  } else {
    problems.Add(at + 2, "audio track rate code " + std::to_string(rate_code) + " (0 to 4)");
  }
  if (track.format != WaveFormat::kAdpcm && BaseBits(track.wave_base_bit) == 0) {
    problems.Add(at + 3, "wave base bit " + Hex(track.wave_base_bit) + " (0 to 3)");
  }
  track.duration_ms = TimebaseMs(track.duration_code);
  track.gate_ms = TimebaseMs(track.gate_code);
  if (track.duration_ms == 0) problems.Add(at + 4, "unknown timebase code " + Hex(track.duration_code));
  if (track.gate_ms == 0) problems.Add(at + 5, "unknown gate timebase code " + Hex(track.gate_code));
  bool sequence_seen = false;
  for (const ChunkFact& inner : WalkChunks(file, at + 6, at + chunk.size, 1, "the audio track", score.chunks, problems)) {
    if (inner.role == ChunkRole::kSequence && sequence_seen) {
      problems.Add(inner.at, "a second sequence chunk in audio track " + std::to_string(track.number));
    } else if (inner.role == ChunkRole::kSequence) {
      sequence_seen = true;
      ReadHandyphoneSequence(file, inner.body.begin, inner.body.begin + inner.size, track.duration_ms, track.gate_ms,
                             true, {track.events, track.exclusives, track.exclusive_bytes, track.end_ms}, problems);
    } else if (inner.role == ChunkRole::kWave) {
      Wave wave = shape;
      wave.at = inner.at;
      wave.number = static_cast<uint8_t>(inner.id[3]);
      wave.bits = track.bits;
      wave.rate_hz = track.rate_hz;
      wave.data = inner.body;
      track.waves.push_back(wave);
    } else if (inner.role == ChunkRole::kSeekPhrase) {
      ReadPhrases(file, inner, track.phrases, problems);
    }
  }
  std::bitset<256> held;
  for (const Wave& wave : track.waves) held[wave.number] = true;
  for (const ScoreEvent& event : track.events) {
    if (event.kind == EventKind::kWave && !held[event.key]) {
      problems.Add(event.at, "audio track " + std::to_string(track.number) + " plays wave " +
                                 std::to_string(event.key) + ", which it does not hold");
    }
  }
  return track;
}

}  // namespace chimekit::smafread::detail
