// The setup chunk: a row of FM voice messages, each
// FF F0, length number, 43 03, ordinal, bank 00, program, parameters, F7.
#include "chimekit/smaf/reader_parts.h"
#include "chimekit/smaf/smaf_text.h"

namespace chimekit::smaf::reader {
namespace {

// 43 03 ordinal bank program F7 around the parameter bytes.
constexpr uint32_t kVoiceFixedBytes = 6;

}  // namespace

SmafSetup ReadSetup(midifile::ByteView file, const SmafChunk& chunk) {
  using midifile::ByteAt;
  SmafSetup setup;
  setup.chunk = chunk;
  const size_t end = chunk.end;
  size_t position = chunk.begin;
  while (position < end) {
    const size_t at = position;
    const size_t before = setup.voices.size();
    if (end - position < 2 || ByteAt(file, position) != 0xFF || ByteAt(file, position + 1) != 0xF0) {
      setup.faults.push_back({at,
                              "expected a voice message starting FF F0, found " +
                                  HexBytes(file.substr(at, end - position < 2 ? 1 : 2)) +
                                  "; the rest of the setup is skipped",
                              before});
      break;
    }
    position += 2;
    uint32_t length = 0;
    if (!ReadLengthNumber(file, position, end, length, setup.faults, before, "voice message length")) break;
    if (length > end - position) {
      setup.faults.push_back({at,
                              "voice message length " + std::to_string(length) + " runs past the setup chunk (" +
                                  std::to_string(end - position) + " bytes left)",
                              before});
      break;
    }
    SmafVoiceMessage voice;
    voice.at = at;
    voice.message_at = position;
    voice.message = file.substr(position, length);
    position += length;
    if (length < kVoiceFixedBytes) {
      setup.faults.push_back({at,
                              "voice message of " + std::to_string(length) + " bytes, too short for its " +
                                  std::to_string(kVoiceFixedBytes) + " fixed bytes: " + HexBytes(voice.message),
                              before});
      continue;
    }
    voice.ordinal = ByteAt(voice.message, 2);
    voice.bank = ByteAt(voice.message, 3);
    voice.program = ByteAt(voice.message, 4);
    voice.parameters = voice.message.substr(5, length - kVoiceFixedBytes);
    setup.voices.push_back(voice);
  }
  return setup;
}

}  // namespace chimekit::smaf::reader
