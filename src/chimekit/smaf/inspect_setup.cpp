// The setup chunk: a row of FM voice messages, each
// FF F0, length number, 43 03, ordinal, bank 00, program, parameters, F7.
#include "chimekit/smaf/inspect_parts.h"

namespace chimekit::smaf::inspect {
namespace {

// Every record of the voice table gives twelve parameter bytes.
constexpr uint32_t kVoiceParameterBytes = 12;

}  // namespace

SetupContents InspectSetup(const SmafSetup& setup, InspectionLog& log) {
  using midifile::ByteAt;
  SetupContents contents;
  if (setup.chunk.begin == setup.chunk.end) log.Problem(setup.chunk.begin, "the setup chunk holds no voice message");
  FaultCursor faults(setup.faults);
  uint32_t expected_ordinal = 0;
  for (size_t i = 0; i < setup.voices.size(); ++i) {
    faults.ListUpTo(i, log);
    const SmafVoiceMessage& voice = setup.voices[i];
    const size_t length = voice.message.size();
    log.Line("voice " + std::to_string(voice.ordinal) + ": program " + std::to_string(voice.program) + ", bank " +
             std::to_string(voice.bank) + ", " + std::to_string(voice.parameters.size()) + " parameter bytes " +
             HexBytes(voice.parameters));
    ++contents.voices;
    InspectionLog::Nested nested(log);
    if (ByteAt(voice.message, 0) != 0x43 || ByteAt(voice.message, 1) != 0x03) {
      log.Problem(voice.message_at, "voice message begins " + HexBytes(voice.message.substr(0, 2)) + " instead of 43 03");
    }
    if (voice.ordinal != expected_ordinal) {
      log.Problem(voice.message_at + 2, "voice ordinal " + std::to_string(voice.ordinal) + " where " +
                                            std::to_string(expected_ordinal) + " comes next (0, 1, 2, ... without gaps)");
    }
    expected_ordinal = voice.ordinal + 1u;
    if (voice.bank != 0) log.Problem(voice.message_at + 3, "voice bank " + std::to_string(voice.bank) + " instead of 0");
    if (voice.program > 127) {
      log.Problem(voice.message_at + 4, "voice for program " + std::to_string(voice.program) + ", outside 0 to 127");
    } else if (contents.programs[voice.program]) {
      log.Problem(voice.message_at + 4, "a second voice message for program " + std::to_string(voice.program));
    }
    contents.programs[voice.program] = true;
    if (voice.parameters.size() != kVoiceParameterBytes) {
      log.Problem(voice.message_at + 5, std::to_string(voice.parameters.size()) + " voice parameter bytes instead of " +
                                            std::to_string(kVoiceParameterBytes));
    }
    if (ByteAt(voice.message, length - 1) != 0xF7) {
      log.Problem(voice.message_at + length - 1, "voice message ends with " + Hex(ByteAt(voice.message, length - 1)) +
                                                     " instead of F7 (its length number is wrong or F7 is missing)");
    }
  }
  faults.ListAll(log);
  return contents;
}

}  // namespace chimekit::smaf::inspect
