#include "chimekit/preview/fm_voice.h"

#include "chimekit/smaf/instr.h"
#include "chimekit/smaf/voices.h"

namespace chimekit::preview {
namespace {

constexpr size_t kVoiceBytes = 12;
constexpr size_t kModulatorAt = 2;
constexpr size_t kCarrierAt = 7;

FmOperator DecodeOperator(const std::array<uint8_t, kVoiceBytes>& bytes, size_t at) {
  FmOperator op;
  op.multiplier = static_cast<uint8_t>(bytes[at] >> 4);
  op.vibrato = (bytes[at] & 0x08) != 0;
  op.sustained = (bytes[at] & 0x04) != 0;
  op.sustain = (bytes[at] & 0x02) != 0;
  op.key_scale_rate = (bytes[at] & 0x01) != 0;
  op.release_rate = static_cast<uint8_t>(bytes[at + 1] >> 4);
  op.decay_rate = static_cast<uint8_t>(bytes[at + 1] & 0x0F);
  op.attack_rate = static_cast<uint8_t>(bytes[at + 2] >> 4);
  op.sustain_level = static_cast<uint8_t>(bytes[at + 2] & 0x0F);
  op.total_level = static_cast<uint8_t>(bytes[at + 3] >> 2);
  op.key_scale_level = static_cast<uint8_t>(bytes[at + 3] & 0x03);
  return op;
}

}  // namespace

FmVoice DecodeVoice(midifile::ByteView parameters) {
  std::array<uint8_t, kVoiceBytes> bytes{};
  for (size_t i = 0; i < kVoiceBytes && i < parameters.size(); ++i) bytes[i] = midifile::ByteAt(parameters, i);
  FmVoice voice;
  voice.lfo = static_cast<uint8_t>(bytes[0] >> 6);
  voice.feedback = static_cast<uint8_t>((bytes[0] >> 3) & 0x07);
  voice.algorithm = static_cast<uint8_t>(bytes[0] & 0x07);
  voice.modulator = DecodeOperator(bytes, kModulatorAt);
  voice.carrier = DecodeOperator(bytes, kCarrierAt);
  return voice;
}

FmVoice BuiltInVoice(uint32_t program) {
  return DecodeVoice(smaf::VoiceParameters(smaf::InstrRecord(static_cast<int>(program & 0x7F))));
}

}  // namespace chimekit::preview
