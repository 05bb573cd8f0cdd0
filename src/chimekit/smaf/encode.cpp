#include "chimekit/smaf/encode.h"

#include "chimekit/smaf/smaf_format.h"
#include "midifile/rounding.h"

namespace chimekit::smaf {
namespace {

constexpr int32_t kLowestDrumKey = 35;
constexpr int32_t kHighestDrumKey = 81;
constexpr int32_t kHighestKey = 127;
constexpr int32_t kWindow = 47;  // four octaves above the base, less one

// The octave setting of a channel: the octave its notes count from, as
// 0 (the original octave, base 36), 1 to 4 octaves up or 0x81 to 0x84 down.
// Every setting counts from the original octave, never from the one before.
uint32_t OctaveSetting(int32_t base) {
  const int32_t octaves = (base - kOriginalOctaveBase) / 12;
  return octaves >= 0 ? static_cast<uint32_t>(octaves) : 0x80u + static_cast<uint32_t>(-octaves);
}

// Sends a setting to the slot when it differs from the one sent last.
void UpdateSetting(TSequenceBody& body, int32_t channel, int32_t type, int32_t wanted, int32_t& sent) {
  if (wanted == sent || wanted < 0) return;
  PutControl(body, channel, 0, type, wanted);
  sent = wanted;
}

// A duration is one length number, up to 16511 units; a longer one starts
// with no-operations of 16511 units. Returns the length number left.
int64_t PutLongDuration(TSequenceBody& body, int64_t n) {
  for (; n > kMaxLengthNumber; n -= kMaxLengthNumber) PutNop(body, kMaxLengthNumber);
  return n;
}

// The base of the four-octave window that holds the key: the nearest one
// below when the key is under the window, above when it is over it.
int32_t WindowBaseFor(int32_t base, int32_t key) {
  if (key < base) base -= 12 * ((base - key - 1) / 12 + 1);
  if (key > base + kWindow) base += 12 * ((key - base - 48) / 12 + 1);
  return base;
}

bool SameSettings(const TSmafSettings& a, const TSmafSettings& b) {
  return a.program == b.program && a.volume == b.volume && a.modulation == b.modulation && a.pan == b.pan;
}

// Sends the settings of an entry that differ from those the slot was sent
// last (settings that are negative are never sent).
void SendSettings(TSequenceBody& body, int32_t channel, const TSmafEvent& entry, TSlotState& slot,
                  TVoiceSetup& voices) {
  // Drum parts keep their sounds: no program change and no voice.
  if (entry.program != slot.program && entry.program >= 0) {
    if (!entry.drum) {
      PutControl(body, channel, 0, kControlProgram, entry.program);
      voices.AddVoice(entry.program);
    }
    slot.program = entry.program;
  }
  UpdateSetting(body, channel, kControlVolume, entry.volume, slot.volume);
  UpdateSetting(body, channel, kControlModulation, entry.modulation, slot.modulation);
  UpdateSetting(body, channel, kControlPan, entry.pan, slot.pan);
}

}  // namespace

void PutDuration(TSequenceBody& body, int64_t n) {
  const int64_t rest = PutLongDuration(body, n);
  TSequenceMessage(body).Length(rest);
}

void PutControl(TSequenceBody& body, int32_t channel, int64_t duration, int32_t type, int32_t value) {
  const int64_t rest = PutLongDuration(body, duration);
  TSequenceMessage(body)
      .Length(rest)
      .Byte(0x00)
      .Byte(static_cast<uint32_t>((channel << 6) + type))
      .Byte(static_cast<uint32_t>(value));
}

void PutNop(TSequenceBody& body, int64_t duration) {
  if (duration <= 0) return;
  const int64_t rest = PutLongDuration(body, duration);
  TSequenceMessage(body).Length(rest).Byte(0xFF).Byte(0x00);
}

bool PutNote(TSequenceBody& body, int32_t channel, TSlotState& slot, int32_t key, int64_t duration,
             int64_t gate) {
  // A key beyond 127 (a data byte with its top bit set) lies outside every
  // window an octave setting can reach: it keeps its time as a rest.
  if (key > kHighestKey) {
    PutNop(body, duration);
    return false;
  }
  int32_t base = WindowBaseFor(slot.octave_base, key);

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
      base -= 12;
    }
  }
  // One setting for the window the note needs, sent even when the note then
  // becomes a rest.
  if (base != slot.octave_base) {
    PutControl(body, channel, 0, kControlOctave, static_cast<int32_t>(OctaveSetting(base)));
    slot.octave_base = base;
  }

  const bool playable = !slot.drum || (key >= kLowestDrumKey && key <= kHighestDrumKey);
  if (!playable || gate <= 0) {
    PutNop(body, duration);
    return false;
  }
  const int64_t rest = PutLongDuration(body, duration);
  TSequenceMessage(body).Length(rest).Byte(static_cast<uint32_t>((channel << 6) + (octave << 4) + note)).Length(gate);
  return true;
}

int64_t TSequenceEncoder::MsInUnits::operator()(int64_t ms) const {
  if (ms == 0) return 0;
  return midifile::RoundEven64(static_cast<double>(ms) / static_cast<double>(timebase_ms));
}

TSequenceEncoder::TSequenceEncoder(int32_t timebase_ms, TVoiceSetup& voices, TSequenceBodies& bodies)
    : voices_(voices), bodies_(bodies), units_(MsInUnits{timebase_ms}) {}

bool TSequenceEncoder::Encode(const TSmafEvent& entry) {
  TSlotState& slot = slots_[static_cast<size_t>(entry.Slot())];
  TSequenceBody& body = bodies_[static_cast<size_t>(entry.Body())];
  const int32_t channel = entry.Slot() & 3;
  const int64_t duration = units_(entry.time);

  slot.drum = entry.drum;
  if (!SameSettings(entry, slot)) SendSettings(body, channel, entry, slot, voices_);

  switch (entry.Kind()) {
    case 0x80:
    case 0xA0:
      PutNop(body, duration);
      return false;
    case 0x90:
      return PutNote(body, channel, slot, entry.byte1, duration, units_(entry.gate));
    case 0xD0:
      PutControl(body, channel, duration, kControlExpression, entry.byte1);
      return false;
    case 0xE0:
      PutControl(body, channel, duration, kControlPitchBend, entry.byte2);
      return false;
    default:
      return false;
  }
}

}  // namespace chimekit::smaf
