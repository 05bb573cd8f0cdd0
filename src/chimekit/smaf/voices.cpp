#include "chimekit/smaf/voices.h"

#include <stdexcept>

#include "chimekit/smaf/instr.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

}  // namespace

midifile::ByteString VoiceParameters(midifile::ByteView record) {
  // Characters 5 to 28 skip the record's bank and number bytes.
  midifile::ByteView digits = record.size() > 4 ? record.substr(4, 24) : midifile::ByteView();
  size_t first = 0;
  size_t last = digits.size();
  while (first < last && IsBlankOrControl(digits[first])) ++first;
  while (last > first && IsBlankOrControl(digits[last - 1])) --last;

  std::string cleaned;
  for (char c : digits.substr(first, last - first)) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    cleaned.push_back(hex ? c : '0');
  }
  if (cleaned.size() % 2 != 0) cleaned.push_back('0');

  midifile::ByteString bytes;
  for (size_t i = 0; i < cleaned.size(); i += 2) {
    midifile::AppendByte(bytes, static_cast<uint32_t>(HexValue(cleaned[i]) * 16 + HexValue(cleaned[i + 1])));
  }
  return bytes;
}

TVoiceSetup::TVoiceSetup() : body_("Mtsu", 4) { body_.append(4, '\0'); }

void TVoiceSetup::AddVoice(int32_t program) {
  if (program < 0 || program >= kInstrCount) throw std::out_of_range("no voice for program " + std::to_string(program));
  bool& requested = requested_[static_cast<size_t>(program)];
  if (requested) return;
  requested = true;

  midifile::ByteString message = {0x43, 0x03};
  midifile::AppendByte(message, static_cast<uint32_t>(ordinal_));
  midifile::AppendByte(message, 0x00);  // bank
  midifile::AppendByte(message, static_cast<uint32_t>(program));
  message += VoiceParameters(InstrRecord(program));
  midifile::AppendByte(message, 0xF7);

  midifile::AppendByte(body_, 0xFF);
  midifile::AppendByte(body_, 0xF0);
  PutLength(body_, static_cast<int64_t>(message.size()));
  body_ += message;
  ++ordinal_;
}

midifile::ByteString TVoiceSetup::Finish() {
  if (ordinal_ == 0) AddVoice(0);
  midifile::ByteString chunk = body_;
  PatchChunkSize(chunk, static_cast<uint32_t>(chunk.size() - 8));
  return chunk;
}

}  // namespace chimekit::smaf
