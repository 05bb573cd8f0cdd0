// The setup chunk ("Mtsu"): one FM voice message per program in the order
// the programs are first used.
#pragma once

#include <array>
#include <cstdint>

#include "midifile/bytes.h"

namespace chimekit::smaf {

class TVoiceSetup {
 public:
  TVoiceSetup();

  // Makes sure the setup holds one voice message for the program (0 to
  // 127): the first request appends it with the next voice ordinal, later
  // ones do nothing. Other program numbers are a caller error
  // (std::out_of_range).
  void AddVoice(int32_t program);

  int32_t VoiceCount() const { return ordinal_; }

  // The finished setup chunk with its size set. A setup that holds no voice
  // gets the voice of program 0 first.
  midifile::ByteString Finish();

 private:
  midifile::ByteString body_;
  std::array<bool, 128> requested_{};
  int32_t ordinal_ = 0;
};

// The voice parameter bytes of a record of the voice table: characters 5
// to 28 of its text, cleaned up (outer blanks and control characters
// removed, upper case, anything that is not a hexadecimal digit read as
// "0") and read two digits per byte; a lone last digit is the high digit of
// a last byte.
midifile::ByteString VoiceParameters(midifile::ByteView record);

}  // namespace chimekit::smaf
