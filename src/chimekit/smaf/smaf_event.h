// One entry of the SMAF conversion list: a playable event of the first track
// (a sounding note, a channel pressure, a pitch bend) or the end marker.
#pragma once

#include <cstdint>

namespace chimekit::smaf {

// The channel settings an entry carries and a slot remembers, with the
// values every MIDI channel and every slot start from (and the end marker
// carries).
struct TSmafSettings {
  bool drum = false;
  int32_t program = 0;
  int32_t volume = 128;
  int32_t modulation = 64;
  int32_t pan = 0;
};

// Besides its event, an entry carries the settings in force for it.
struct TSmafEvent : TSmafSettings {
  // Milliseconds: the absolute time after collection, the delta since the
  // previous entry of the same score track after delta conversion.
  int32_t time = 0;
  // Note length in milliseconds; 0 for everything but notes.
  int32_t gate = 0;
  // The MIDI status byte; after slot allocation its low four bits hold the
  // slot (0 to 15) instead of the MIDI channel.
  int32_t status = 0;
  int32_t byte1 = 0;  // note number, pressure value, pitch-bend low byte
  int32_t byte2 = 0;  // velocity, pitch-bend high byte

  int32_t Slot() const { return status & 0x0F; }
  // Sequence body 0 to 3 that carries the entry's slot.
  int32_t Body() const { return (status & 0x0F) >> 2; }
  int32_t Kind() const { return status & 0xF0; }
};

// Status of the end marker and of entries for which no slot was free.
inline constexpr int32_t kSilentStatus = 0x80;

// Slots are monophonic SMAF channels: four per sequence body, four bodies.
inline constexpr int kSlotCount = 16;
inline constexpr int kBodyCount = 4;

}  // namespace chimekit::smaf
