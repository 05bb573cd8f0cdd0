// The voices of a setup chunk, and which voice each note plays.
//
// Handyphone voice messages: 43 03 ordinal bank program, then the voice:
// LFO (7-6), feedback (5-3), algorithm (2-0); one byte more; five bytes per
// operator: multiplier (7-4), vibrato (3), sustained envelope (2), sustain
// (1), key scale rate (0); release rate (7-4), decay rate (3-0); attack
// rate (7-4), sustain level (3-0); total level (7-2), key scale level
// (1-0); vibrato depth (7-6), AM depth (5-4), AM (3), waveform (2-0).
//
// Mobile Standard voice messages: 43 79 06 7F 01 (seven bits a byte) or
// 43 79 07 7F 01 (eight), then bank MSB, bank LSB, program, drum key and
// voice type (0 FM, 1 PCM). An FM voice: drum key, panpot (7-3) and basic
// octave (1-0), LFO (7-6), pan enable (5) and algorithm (2-0); seven bytes
// per operator: sustain rate (7-4), XOF (3), sustain (1), key scale rate
// (0); release rate, decay rate; attack rate, sustain level; total level
// (7-2), key scale level (1-0); AM depth (6-5), AM (4), vibrato depth
// (2-1), vibrato (0); multiplier (7-4), detune (2-0); waveform (7-3),
// feedback (2-0). A PCM voice: the rate (16 bits), panpot (7-3) and pan
// enable (0), LFO (7-6), then the envelope bytes as an FM operator's first
// five, two more, the loop and end points (16 bits each) and the RM bit
// (7: the handset's own wave) with the wave number (6-0).
#include <array>
#include <unordered_map>

#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread::detail {
namespace {

using midifile::ByteAt;

// Seven bits a byte: each group of eight bytes holds seven bytes whose
// high bits are in the group's first byte, the first byte's in bit 6.
template <size_t N>
size_t UnpackSevenBit(ByteView packed, std::array<uint8_t, N>& out) {
  size_t count = 0;
  for (size_t group = 0; group < packed.size() && count < N; group += 8) {
    const uint32_t high = ByteAt(packed, group);
    for (size_t i = 1; i < 8 && group + i < packed.size() && count < N; ++i) {
      out[count++] = static_cast<uint8_t>(ByteAt(packed, group + i) | (((high >> (7 - i)) & 1) << 7));
    }
  }
  return count;
}

uint8_t OperatorCount(uint32_t algorithm) { return algorithm <= 1 ? 2 : 4; }

void DecodeHandyphoneOperator(const uint8_t* b, FmOperator& op) {
  op.multiplier = static_cast<uint8_t>(b[0] >> 4);
  op.vibrato = (b[0] & 0x08) != 0;
  op.sustained = (b[0] & 0x04) != 0;
  op.sustain = (b[0] & 0x02) != 0;
  op.key_scale_rate = (b[0] & 0x01) != 0;
  op.release_rate = static_cast<uint8_t>(b[1] >> 4);
  op.decay_rate = static_cast<uint8_t>(b[1] & 0x0F);
  op.attack_rate = static_cast<uint8_t>(b[2] >> 4);
  op.sustain_level = static_cast<uint8_t>(b[2] & 0x0F);
  op.total_level = static_cast<uint8_t>(b[3] >> 2);
  op.key_scale_level = static_cast<uint8_t>(b[3] & 0x03);
  op.vibrato_depth = static_cast<uint8_t>(b[4] >> 6);
  op.am_depth = static_cast<uint8_t>((b[4] >> 4) & 0x03);
  op.am = (b[4] & 0x08) != 0;
  op.waveform = static_cast<uint8_t>(b[4] & 0x07);
}

void DecodeMobileOperator(const uint8_t* b, FmOperator& op) {
  op.sustain_rate = static_cast<uint8_t>(b[0] >> 4);
  op.ignore_key_off = (b[0] & 0x08) != 0;
  op.sustain = (b[0] & 0x02) != 0;
  op.key_scale_rate = (b[0] & 0x01) != 0;
  op.release_rate = static_cast<uint8_t>(b[1] >> 4);
  op.decay_rate = static_cast<uint8_t>(b[1] & 0x0F);
  op.attack_rate = static_cast<uint8_t>(b[2] >> 4);
  op.sustain_level = static_cast<uint8_t>(b[2] & 0x0F);
  op.total_level = static_cast<uint8_t>(b[3] >> 2);
  op.key_scale_level = static_cast<uint8_t>(b[3] & 0x03);
  op.am_depth = static_cast<uint8_t>((b[4] >> 5) & 0x03);
  op.am = (b[4] & 0x10) != 0;
  op.vibrato_depth = static_cast<uint8_t>((b[4] >> 1) & 0x03);
  op.vibrato = (b[4] & 0x01) != 0;
  op.multiplier = static_cast<uint8_t>(b[5] >> 4);
  op.detune = static_cast<uint8_t>(b[5] & 0x07);
  op.waveform = static_cast<uint8_t>(b[6] >> 3);
  op.feedback = static_cast<uint8_t>(b[6] & 0x07);
}

// A Handyphone voice from its parameter bytes; false when they are too few.
bool DecodeHandyphoneVoice(ByteView body, FmVoice& fm) {
  if (body.size() < 2) return false;
  const uint32_t global = ByteAt(body, 0);
  fm.lfo = static_cast<uint8_t>(global >> 6);
  fm.algorithm = static_cast<uint8_t>(global & 0x07);
  fm.operator_count = OperatorCount(fm.algorithm);
  if (body.size() < 2 + 5 * size_t{fm.operator_count}) return false;
  for (size_t i = 0; i < fm.operator_count; ++i) {
    std::array<uint8_t, 5> bytes;
    for (size_t j = 0; j < 5; ++j) bytes[j] = ByteAt(body, 2 + 5 * i + j);
    DecodeHandyphoneOperator(bytes.data(), fm.operators[i]);
  }
  fm.operators[0].feedback = static_cast<uint8_t>((global >> 3) & 0x07);
  return true;
}

// A Mobile Standard FM voice: 3 bytes, then 7 per operator.
bool DecodeMobileFm(const uint8_t* b, size_t size, FmVoice& fm) {
  if (size < 3) return false;
  fm.drum_key = b[0];
  fm.panpot = static_cast<uint8_t>(b[1] >> 3);
  fm.basic_octave = static_cast<uint8_t>(b[1] & 0x03);
  fm.lfo = static_cast<uint8_t>(b[2] >> 6);
  fm.pan_enable = (b[2] & 0x20) != 0;
  fm.algorithm = static_cast<uint8_t>(b[2] & 0x07);
  fm.operator_count = OperatorCount(fm.algorithm);
  if (size < 3 + 7 * size_t{fm.operator_count}) return false;
  for (size_t i = 0; i < fm.operator_count; ++i) DecodeMobileOperator(b + 3 + 7 * i, fm.operators[i]);
  return true;
}

constexpr size_t kPcmVoiceBytes = 16;

void DecodeMobilePcm(const uint8_t* b, PcmVoice& pcm) {
  pcm.rate_hz = (uint32_t{b[0]} << 8) | b[1];
  pcm.panpot = static_cast<uint8_t>(b[2] >> 3);
  pcm.pan_enable = (b[2] & 0x01) != 0;
  pcm.lfo = static_cast<uint8_t>(b[3] >> 6);
  FmOperator envelope;
  std::array<uint8_t, 7> op{b[4], b[5], b[6], b[7], b[8], 0, 0};
  DecodeMobileOperator(op.data(), envelope);
  pcm.sustain_rate = envelope.sustain_rate;
  pcm.ignore_key_off = envelope.ignore_key_off;
  pcm.sustain = envelope.sustain;
  pcm.release_rate = envelope.release_rate;
  pcm.decay_rate = envelope.decay_rate;
  pcm.attack_rate = envelope.attack_rate;
  pcm.sustain_level = envelope.sustain_level;
  pcm.total_level = envelope.total_level;
  pcm.am_depth = envelope.am_depth;
  pcm.am = envelope.am;
  pcm.vibrato_depth = envelope.vibrato_depth;
  pcm.vibrato = envelope.vibrato;
  pcm.loop_point = static_cast<uint16_t>((b[11] << 8) | b[12]);
  pcm.end_point = static_cast<uint16_t>((b[13] << 8) | b[14]);
  pcm.loop = pcm.loop_point < pcm.end_point;
  pcm.rom = (b[15] & 0x80) != 0;
  pcm.wave = static_cast<uint8_t>(b[15] & 0x7F);
}

// The body of a Mobile Standard voice message: FM or PCM by its type.
void DecodeMobileBody(ByteView body, bool packed, Voice& voice, Problems& problems) {
  std::array<uint8_t, 31> bytes{};
  size_t size = 0;
  if (packed) {
    size = UnpackSevenBit(body, bytes);
  } else {
    for (; size < bytes.size() && size < body.size(); ++size) bytes[size] = ByteAt(body, size);
  }
  if (voice.type_code == 0) {
    voice.kind = VoiceKind::kFm;
    if (!DecodeMobileFm(bytes.data(), size, voice.fm)) {
      voice.kind = VoiceKind::kOther;
      problems.Add(voice.at, "FM voice of " + std::to_string(body.size()) + " bytes, too few for algorithm " +
                                 std::to_string(voice.fm.algorithm));
    }
  } else if (voice.type_code == 1) {
    voice.kind = VoiceKind::kPcm;
    if (size < kPcmVoiceBytes) {
      voice.kind = VoiceKind::kOther;
      problems.Add(voice.at, "PCM voice of " + std::to_string(body.size()) + " bytes, too few for its parameters");
    } else {
      DecodeMobilePcm(bytes.data(), voice.pcm);
    }
  } else {
    voice.kind = VoiceKind::kOther;
  }
}

bool Begins(ByteView message, std::initializer_list<uint8_t> bytes) {
  if (message.size() < bytes.size()) return false;
  size_t i = 0;
  for (uint8_t byte : bytes) {
    if (ByteAt(message, i++) != byte) return false;
  }
  return true;
}

}  // namespace

bool DecodeVoice(ByteView file, size_t message_at, size_t message_end, Voice& voice, Problems& problems) {
  const ByteView message = file.substr(message_at, message_end - message_at);
  voice.kind = VoiceKind::kOther;
  voice.form = VoiceForm::kOther;
  voice.body = {static_cast<uint32_t>(message_at), static_cast<uint32_t>(message.size())};
  const bool packed = Begins(message, {0x43, 0x79, 0x06, 0x7F, 0x01});
  if (packed || Begins(message, {0x43, 0x79, 0x07, 0x7F, 0x01})) {
    if (message.size() < 10) return false;
    voice.form = packed ? VoiceForm::kMobilePacked : VoiceForm::kMobile;
    voice.bank_msb = ByteAt(message, 5);
    voice.bank_lsb = ByteAt(message, 6);
    voice.program = ByteAt(message, 7);
    voice.drum_key = ByteAt(message, 8);
    voice.type_code = ByteAt(message, 9);
    voice.body = {static_cast<uint32_t>(message_at + 10), static_cast<uint32_t>(message.size() - 10)};
    DecodeMobileBody(message.substr(10), packed, voice, problems);
  } else if (Begins(message, {0x43, 0x05, 0x01})) {
    if (message.size() < 5) return false;
    voice.form = VoiceForm::kMobileShort;
    voice.bank_lsb = ByteAt(message, 3);
    voice.program = ByteAt(message, 4);
    voice.body = {static_cast<uint32_t>(message_at + 5), static_cast<uint32_t>(message.size() - 5)};
    DecodeMobileBody(message.substr(5), false, voice, problems);
  } else if (Begins(message, {0x43, 0x03})) {
    if (message.size() < 5) return false;
    voice.form = VoiceForm::kHandyphone;
    voice.ordinal = ByteAt(message, 2);
    voice.bank_lsb = ByteAt(message, 3);
    voice.program = ByteAt(message, 4);
    voice.body = {static_cast<uint32_t>(message_at + 5), static_cast<uint32_t>(message.size() - 5)};
    voice.kind = VoiceKind::kFm;
    if (!DecodeHandyphoneVoice(message.substr(5), voice.fm)) {
      voice.kind = VoiceKind::kOther;
      problems.Add(message_at + 5, std::to_string(message.size() - 5) + " voice parameter bytes, too few for algorithm " +
                                       std::to_string(voice.fm.algorithm) + " (" +
                                       std::to_string(2 + 5 * voice.fm.operator_count) + ")");
    }
  }
  return voice.kind != VoiceKind::kOther;
}

void ReadSetup(ByteView file, const ChunkFact& chunk, bool handyphone, std::vector<Voice>& voices,
               Problems& problems) {
  Cursor cursor(file, chunk.body.begin, chunk.body.begin + chunk.size);
  while (!cursor.AtEnd()) {
    const size_t at = cursor.position();
    const bool escaped = cursor.Peek() == 0xFF;
    if ((escaped && (cursor.left() < 2 || cursor.Peek(1) != 0xF0)) || (!escaped && cursor.Peek() != 0xF0) ||
        (handyphone && !escaped)) {
      problems.Add(at, std::string("expected a voice message starting ") + (handyphone ? "FF F0" : "F0") +
                           ", found " + Hex(cursor.Peek()) + "; the rest of the setup is skipped");
      return;
    }
    cursor.Skip(escaped ? 2 : 1);
    uint32_t length = 0;
    bool too_long = false;
    if (!(handyphone ? cursor.LengthNumber(length) : cursor.Vlq(length, too_long))) {
      problems.Add(at, "voice message length cut off by the end of the setup chunk");
      return;
    }
    if (length > cursor.left()) {
      problems.Add(at, "voice message length " + std::to_string(length) + " runs past the setup chunk (" +
                           std::to_string(cursor.left()) + " bytes left)");
      return;
    }
    const size_t message_at = cursor.position();
    cursor.Skip(length);
    size_t message_end = cursor.position();
    if (length > 0 && ByteAt(file, message_end - 1) == 0xF7) {
      --message_end;
    } else if (handyphone) {
      problems.Add(message_end - (length > 0 ? 1 : 0), "voice message does not end with F7");
    }
    Voice voice;
    voice.at = static_cast<uint32_t>(at);
    DecodeVoice(file, message_at, message_end, voice, problems);
    voices.push_back(voice);
  }
}

void AssignVoices(ScoreTrack& track) {
  // The first voice of each bank, program and drum key; a key packs them.
  auto key_of = [](uint32_t msb, uint32_t lsb, uint32_t program, uint32_t drum_key) {
    return (msb << 24) | (lsb << 16) | (program << 8) | drum_key;
  };
  std::unordered_map<uint32_t, int32_t> first;
  for (size_t i = 0; i < track.voices.size() && i <= INT16_MAX; ++i) {
    const Voice& voice = track.voices[i];
    if (voice.kind == VoiceKind::kOther) continue;
    first.emplace(key_of(voice.bank_msb, voice.bank_lsb, voice.program, voice.drum_key), static_cast<int32_t>(i));
  }
  if (first.empty()) return;
  const bool handyphone = track.format == SequenceFormat::kHandyphone;
  std::array<uint32_t, 16> msb{}, lsb{}, program{};
  auto find = [&](uint32_t key) {
    const auto found = first.find(key);
    return static_cast<int16_t>(found == first.end() ? -1 : found->second);
  };
  // The melodic voice of each channel, looked up again when its bank or
  // program changes.
  std::array<int16_t, 16> melodic;
  melodic.fill(find(key_of(0, 0, 0, 0)));
  for (ScoreEvent& event : track.events) {
    const size_t channel = event.channel & 0x0F;
    if (event.kind == EventKind::kNote) {
      event.voice = melodic[channel];
      if (track.channels[channel].type == ChannelType::kRhythm) {
        const int16_t drum = find(key_of(msb[channel], lsb[channel], program[channel], event.key));
        if (drum >= 0) event.voice = drum;
      }
      continue;
    }
    if (event.kind == EventKind::kProgram) {
      program[channel] = event.data & 0x7F;
    } else if (event.kind == EventKind::kControl && event.key == 0) {
      // A Handyphone bank select names the bank byte of the voice messages.
      (handyphone ? lsb : msb)[channel] = event.data & 0xFF;
    } else if (event.kind == EventKind::kControl && event.key == 32 && !handyphone) {
      lsb[channel] = event.data & 0x7F;
    } else {
      continue;
    }
    melodic[channel] = find(key_of(msb[channel], lsb[channel], program[channel], 0));
  }
}

}  // namespace chimekit::smafread::detail
