#include "chimekit/smaf/encode.h"

#include "chimekit/smaf/recent_results.h"
#include "chimekit/smaf/smaf_format.h"
#include "midifile/rounding.h"

namespace chimekit::smaf {
namespace {

constexpr int32_t kLowestDrumKey = 35;
constexpr int32_t kHighestDrumKey = 81;
constexpr int32_t kWindow = 47;  // four octaves above the base, less one

void PutOctaveShift(midifile::ByteString& body, int32_t channel, int32_t value) {
  PutControl(body, channel, 0, kControlOctave, value);
}

// Sends a setting to the slot when it differs from the one sent last.
void UpdateSetting(midifile::ByteString& body, int32_t channel, int32_t type, int32_t wanted, int32_t& sent) {
  if (wanted == sent || wanted < 0) return;
  PutControl(body, channel, 0, type, wanted);
  sent = wanted;
}

int64_t InUnits(int64_t ms, int32_t timebase_ms) {
  if (ms == 0) return 0;
  return midifile::RoundEven64(static_cast<double>(ms) / static_cast<double>(timebase_ms));
}

}  // namespace

void PutDuration(midifile::ByteString& body, int64_t n) {
  while (n > kMaxLengthNumber) {
    body += "\xFF\x7F\xFF";
    body.push_back('\0');
    n -= kMaxLengthNumber;
  }
  PutLength(body, n);
}

void PutControl(midifile::ByteString& body, int32_t channel, int64_t duration, int32_t type, int32_t value) {
  PutDuration(body, duration);
  midifile::AppendByte(body, 0x00);
  midifile::AppendByte(body, static_cast<uint32_t>((channel << 6) + type));
  midifile::AppendByte(body, static_cast<uint32_t>(value));
}

void PutNop(midifile::ByteString& body, int64_t duration) {
  if (duration <= 0) return;
  PutDuration(body, duration);
  midifile::AppendByte(body, 0xFF);
  midifile::AppendByte(body, 0x00);
}

bool PutNote(midifile::ByteString& body, int32_t channel, TSlotState& slot, int32_t key, int64_t duration,
             int64_t gate) {
  int32_t& base = slot.octave_base;
  if (key < base) {
    int32_t n = (base - key - 1) / 12 + 1;
    for (; n > 4; n -= 4) {
      PutOctaveShift(body, channel, 0x84);
      base -= 48;
    }
    PutOctaveShift(body, channel, 0x80 + n);
    base -= 12 * n;
  }
  if (key > base + kWindow) {
    int32_t n = (key - base - 48) / 12 + 1;
    for (; n > 4; n -= 4) {
      PutOctaveShift(body, channel, 0x04);
      base += 48;
    }
    PutOctaveShift(body, channel, n);
    base += 12 * n;
  }

  // Note 12 of an octave is the first note of the next one, so a key on an
  // octave boundary is written as note 12 of the octave below; at the
  // window's base the window moves down an octave first.
  int32_t octave = (key - base) / 12;
  int32_t note = key % 12;
  if (note == 0) {
    note = 12;
    if (octave > 0) {
      --octave;
    } else {
      PutOctaveShift(body, channel, 0x81);
      base -= 12;
    }
  }

  const bool playable = !slot.drum || (key >= kLowestDrumKey && key <= kHighestDrumKey);
  if (!playable || gate <= 0) {
    PutNop(body, duration);
    return false;
  }
  PutDuration(body, duration);
  midifile::AppendByte(body, static_cast<uint32_t>((channel << 6) + (octave << 4) + note));
  PutLength(body, gate);
  return true;
}

int32_t EncodeEvents(const std::vector<TSmafEvent>& events, int32_t timebase_ms, TVoiceSetup& voices,
                     TSequenceBodies& bodies) {
  std::array<TSlotState, kSlotCount> slots{};
  int32_t notes_written = 0;
  TRecentResults units([timebase_ms](int64_t ms) { return InUnits(ms, timebase_ms); });
  for (const TSmafEvent& event : events) {
    TSlotState& slot = slots[static_cast<size_t>(event.Slot())];
    midifile::ByteString& body = bodies[static_cast<size_t>(event.Body())];
    const int32_t channel = event.Slot() & 3;
    const int64_t duration = units(event.time);
    const int64_t gate = units(event.gate);

    slot.drum = event.drum;
    // Drum parts keep their sounds: no program change and no voice.
    if (event.program != slot.program && event.program >= 0) {
      if (!event.drum) {
        PutControl(body, channel, 0, kControlProgram, event.program);
        voices.AddVoice(event.program);
      }
      slot.program = event.program;
    }
    UpdateSetting(body, channel, kControlVolume, event.volume, slot.volume);
    UpdateSetting(body, channel, kControlModulation, event.modulation, slot.modulation);
    UpdateSetting(body, channel, kControlPan, event.pan, slot.pan);

    switch (event.Kind()) {
      case 0x80:
      case 0xA0:
        PutNop(body, duration);
        break;
      case 0x90:
        if (PutNote(body, channel, slot, event.byte1, duration, gate)) ++notes_written;
        break;
      case 0xD0:
        PutControl(body, channel, duration, kControlExpression, event.byte1);
        break;
      case 0xE0:
        PutControl(body, channel, duration, kControlPitchBend, event.byte2);
        break;
      default:
        break;
    }
  }
  return notes_written;
}

}  // namespace chimekit::smaf
