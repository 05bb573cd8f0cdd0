// The setup chunk: a row of FM voice messages, each
// FF F0, length number, 43 03, ordinal, bank 00, program, parameters, F7.
#include "chimekit/smaf/inspect_parts.h"

namespace chimekit::smaf::inspect {
namespace {

// 43 03 ordinal bank program F7 around the parameter bytes.
constexpr uint32_t kVoiceFixedBytes = 6;
// Every record of the voice table gives twelve parameter bytes.
constexpr uint32_t kVoiceParameterBytes = 12;

}  // namespace

SetupContents InspectSetup(midifile::ByteView file, size_t begin, size_t end, InspectionLog& log) {
  using midifile::ByteAt;
  SetupContents setup;
  if (begin == end) log.Problem(begin, "the setup chunk holds no voice message");
  uint32_t expected_ordinal = 0;
  size_t position = begin;
  while (position < end) {
    const size_t at = position;
    if (end - position < 2 || ByteAt(file, position) != 0xFF || ByteAt(file, position + 1) != 0xF0) {
      log.Problem(at, "expected a voice message starting FF F0, found " +
                          HexBytes(file.substr(at, end - position < 2 ? 1 : 2)) + "; the rest of the setup is skipped");
      break;
    }
    position += 2;
    uint32_t length = 0;
    if (!ReadLengthNumber(file, position, end, length, log, "voice message length")) break;
    if (length > end - position) {
      log.Problem(at, "voice message length " + std::to_string(length) + " runs past the setup chunk (" +
                          std::to_string(end - position) + " bytes left)");
      break;
    }
    const midifile::ByteView message = file.substr(position, length);
    const size_t message_at = position;
    position += length;
    if (length < kVoiceFixedBytes) {
      log.Problem(at, "voice message of " + std::to_string(length) + " bytes, too short for its " +
                          std::to_string(kVoiceFixedBytes) + " fixed bytes: " + HexBytes(message));
      continue;
    }
    const uint32_t ordinal = ByteAt(message, 2);
    const uint32_t bank = ByteAt(message, 3);
    const uint32_t program = ByteAt(message, 4);
    const midifile::ByteView parameters = message.substr(5, length - kVoiceFixedBytes);
    log.Line("voice " + std::to_string(ordinal) + ": program " + std::to_string(program) + ", bank " +
             std::to_string(bank) + ", " + std::to_string(parameters.size()) + " parameter bytes " +
             HexBytes(parameters));
    ++setup.voices;
    InspectionLog::Nested nested(log);
    if (ByteAt(message, 0) != 0x43 || ByteAt(message, 1) != 0x03) {
      log.Problem(message_at, "voice message begins " + HexBytes(message.substr(0, 2)) + " instead of 43 03");
    }
    if (ordinal != expected_ordinal) {
      log.Problem(message_at + 2, "voice ordinal " + std::to_string(ordinal) + " where " +
                                      std::to_string(expected_ordinal) + " comes next (0, 1, 2, ... without gaps)");
    }
    expected_ordinal = ordinal + 1;
    if (bank != 0) log.Problem(message_at + 3, "voice bank " + std::to_string(bank) + " instead of 0");
    if (program > 127) {
      log.Problem(message_at + 4, "voice for program " + std::to_string(program) + ", outside 0 to 127");
    } else if (setup.programs[program]) {
      log.Problem(message_at + 4, "a second voice message for program " + std::to_string(program));
    }
    setup.programs[program] = true;
    if (parameters.size() != kVoiceParameterBytes) {
      log.Problem(message_at + 5, std::to_string(parameters.size()) + " voice parameter bytes instead of " +
                                      std::to_string(kVoiceParameterBytes));
    }
    if (ByteAt(message, length - 1) != 0xF7) {
      log.Problem(message_at + length - 1, "voice message ends with " + Hex(ByteAt(message, length - 1)) +
                                               " instead of F7 (its length number is wrong or F7 is missing)");
    }
  }
  return setup;
}

}  // namespace chimekit::smaf::inspect
