// Reading a SMAF ringtone into its parts: the "MMMD" frame, the chunks of
// its body, the content information, the score tracks with their timebase,
// the voice messages of their setup and the events of their sequence, with
// the key of every note after the octave setting before it. The inspector
// lists and checks what it returns; the preview renderer plays it.
//
// Nothing in the file is trusted: every size is checked against the bytes
// that are left before it is followed, and no byte outside the file is read.
// Where the bytes cannot be read as the format lays them out, the reader
// records a fault (offset and text) and, unless it can go on, stops reading
// that part. What the bytes say is not judged here (fixed bytes, CRC,
// ordinals, known control types): that is the inspector's job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midifile/bytes.h"

namespace chimekit::smaf {

// Bytes that could not be read as announced. `before` is the number of
// elements of the fault's list (chunks, voice messages, events) read before
// it was found, so that a listing can show it in its place.
struct SmafFault {
  size_t at = 0;
  std::string text;
  size_t before = 0;
};

struct SmafChunk {
  size_t at = 0;          // offset of the identifier
  midifile::ByteView id;  // four bytes
  uint32_t size = 0;
  size_t begin = 0;  // first content byte
  size_t end = 0;    // one past the last content byte
};

// One FM voice message of a setup chunk: FF F0, a length number, then the
// message 43 03, ordinal, bank, program, parameter bytes and F7.
struct SmafVoiceMessage {
  size_t at = 0;               // the FF F0
  size_t message_at = 0;       // the first byte after the length number
  midifile::ByteView message;  // the whole message, at least 6 bytes
  uint8_t ordinal = 0;
  uint8_t bank = 0;
  uint8_t program = 0;
  midifile::ByteView parameters;  // between the program and the last byte
};

struct SmafSetup {
  SmafChunk chunk;
  std::vector<SmafVoiceMessage> voices;
  std::vector<SmafFault> faults;  // `before` counts voice messages
};

// The octave base of every channel before its first octave setting: the
// original octave.
inline constexpr int64_t kInitialOctaveBase = 36;

// Whether a value of control 0x32 is an octave setting the format defines:
// 00 (the original octave), 01 to 04 up, 81 to 84 down.
inline bool IsOctaveSetting(uint32_t value) {
  const uint32_t octaves = value & 0x7F;
  return value <= 0xFF && octaves <= 4 && value != 0x80;
}

enum class SmafEventKind : uint8_t { kNote, kControl, kNop };

// One sequence event: a duration (timebase units after the previous event
// of the track), then a note, a control or a no-operation.
struct SmafSequenceEvent {
  size_t at = 0;  // the first byte of its duration
  uint32_t duration = 0;
  SmafEventKind kind = SmafEventKind::kNop;
  uint8_t channel = 0;  // 0 to 3, of notes and controls
  // A note: octave 0 to 3, note 1 to 12 (0 and 13 to 15 name no key), the
  // gate time in units and the offset of its length number.
  uint8_t octave = 0;
  uint8_t note = 0;
  uint32_t gate = 0;
  size_t gate_at = 0;
  // A control: its type (the low six bits of the control byte) and value.
  uint8_t type = 0;
  uint8_t value = 0;
  // The channel's octave base after the event: the base a note is played
  // from, or where an octave setting has placed it (36 + 12 times the
  // setting; a value the format does not define leaves it).
  int64_t octave_base = kInitialOctaveBase;

  bool HasKey() const { return kind == SmafEventKind::kNote && note >= 1 && note <= 12; }
  // The key a note plays: base + 12 * octave + note.
  int64_t Key() const { return octave_base + 12 * static_cast<int64_t>(octave) + note; }
};

struct SmafSequence {
  SmafChunk chunk;
  std::vector<SmafSequenceEvent> events;  // up to the closing 00 00 00 00
  std::vector<SmafFault> faults;          // `before` counts events
};

// What a chunk inside a score track or inside the MMMD body holds; `index`
// points into the list of its kind.
enum class SmafPart : uint8_t { kContentInfo, kScoreTrack, kSetup, kSequence, kOther };
struct SmafPartChunk {
  SmafChunk chunk;
  SmafPart part = SmafPart::kOther;
  size_t index = 0;
};

struct SmafScoreTrack {
  SmafChunk chunk;
  uint32_t number = 0;      // the fourth byte of "MTR?"
  bool has_header = false;  // the chunk holds its six fixed bytes
  uint8_t format_type = 0;
  uint8_t sequence_type = 0;
  uint8_t duration_code = 0;  // timebase code of durations
  uint8_t gate_code = 0;      // timebase code of gate times
  midifile::ByteView channel_status;
  std::optional<uint32_t> timebase_ms;  // of the duration code; none when unknown
  std::vector<SmafPartChunk> chunks;    // setup, sequence and other chunks in file order
  std::vector<SmafSetup> setups;
  std::vector<SmafSequence> sequences;
  std::vector<SmafFault> faults;  // `before` counts chunks
};

struct SmafContentInfo {
  SmafChunk chunk;
  bool has_fixed = false;    // the chunk holds its five fixed bytes
  size_t text_at = 0;        // offset of the option text
  midifile::ByteView text;   // the option text
  std::vector<SmafFault> faults;
};

struct SmafFile {
  midifile::ByteView bytes;
  bool has_magic = false;  // begins with "MMMD"
  std::optional<uint32_t> declared_size;
  std::optional<uint16_t> stored_crc;  // none when the file ends before it
  size_t body_begin = 0;
  size_t body_end = 0;
  std::vector<SmafPartChunk> chunks;  // of the body, in file order
  std::vector<SmafContentInfo> content_infos;
  std::vector<SmafScoreTrack> score_tracks;
  std::vector<SmafFault> faults;  // of the frame and the body; `before` counts chunks
};

// Reads the whole file. Never throws for any content (only std::bad_alloc);
// time and memory grow linearly with its size. The result points into
// `file`, which must outlive it.
SmafFile ReadSmaf(midifile::ByteView file);

// The first fault found anywhere in the file, in file order; null when the
// whole file could be read.
const SmafFault* FirstFault(const SmafFile& file);

}  // namespace chimekit::smaf
