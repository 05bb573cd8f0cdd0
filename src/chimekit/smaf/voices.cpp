#include "chimekit/smaf/voices.h"

#include <stdexcept>

#include "chimekit/smaf/instr.h"
#include "chimekit/smaf/smaf_format.h"
#include "midifile/smf_writer.h"

namespace chimekit::smaf {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A hexadecimal digit of either case; anything else reads as 0.
uint32_t HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  return 0;
}

// A voice message: 43 03, voice ordinal, bank 0, program, the voice
// parameters (at most 12 bytes), F7.
constexpr size_t kVoiceHead = 5;
constexpr size_t kMostVoiceMessage = kVoiceHead + 12 + 1;
// The setup chunk's header and room for the first few voices.
constexpr size_t kSetupRoom = 8 + 4 * (2 + 1 + kMostVoiceMessage);

}  // namespace

midifile::ByteString VoiceParameters(midifile::ByteView record) {
  // Characters 5 to 28 skip the record's bank and number bytes.
  midifile::ByteView digits = record.size() > 4 ? record.substr(4, 24) : midifile::ByteView();
  size_t first = 0;
  size_t last = digits.size();
  while (first < last && IsBlankOrControl(digits[first])) ++first;
  while (last > first && IsBlankOrControl(digits[last - 1])) --last;
  digits = digits.substr(first, last - first);

  midifile::ByteString bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    const uint32_t low = i + 1 < digits.size() ? HexValue(digits[i + 1]) : 0;
    midifile::AppendByte(bytes, HexValue(digits[i]) * 16 + low);
  }
  return bytes;
}

TVoiceSetup::TVoiceSetup() {
  body_.reserve(kSetupRoom);
  body_.assign("Mtsu\0\0\0\0", 8);
}

void TVoiceSetup::AddVoice(int32_t program) {
  if (program < 0 || program >= kInstrCount) throw std::out_of_range("no voice for program " + std::to_string(program));
  bool& requested = requested_[static_cast<size_t>(program)];
  if (requested) return;
  requested = true;

  const midifile::ByteString parameters = VoiceParameters(InstrRecord(program));
  const char head[kVoiceHead] = {0x43, 0x03, static_cast<char>(ordinal_ & 0xFF), 0x00, static_cast<char>(program)};
  body_.append("\xFF\xF0", 2);
  PutLength(body_, static_cast<int64_t>(sizeof head + parameters.size() + 1));
  body_.append(head, sizeof head);
  body_ += parameters;
  midifile::AppendByte(body_, 0xF7);
  ++ordinal_;
}

midifile::ByteString TVoiceSetup::Finish() {
  if (ordinal_ == 0) AddVoice(0);
  midifile::ByteString chunk = body_;
  midifile::SetChunkSize(chunk);
  return chunk;
}

}  // namespace chimekit::smaf
