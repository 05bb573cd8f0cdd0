// The pieces of the SMAF reader and what they share: a bounded read
// position, the problem list, the chunk walk, and one reader per kind of
// chunk. Every piece gets the whole file and a [begin, end) range inside
// it, so that facts and problems carry file offsets; none reads at or past
// its `end`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/smaf_text.h"
#include "chimekit/smafread/score.h"
#include "midifile/bytes.h"

namespace chimekit::smafread::detail {

using midifile::ByteView;

// A read position inside [begin, end) of a byte view.
class Cursor {
 public:
  Cursor(ByteView bytes, size_t begin, size_t end) : bytes_(bytes), position_(begin), end_(end) {}

  size_t position() const { return position_; }
  size_t end() const { return end_; }
  size_t left() const { return end_ - position_; }
  bool AtEnd() const { return position_ >= end_; }
  // The byte `ahead` places on, which must lie before `end`.
  uint8_t Peek(size_t ahead = 0) const { return midifile::ByteAt(bytes_, position_ + ahead); }

  bool Byte(uint8_t& value) {
    if (AtEnd()) return false;
    value = Peek();
    ++position_;
    return true;
  }
  bool Skip(size_t count) {
    if (count > left()) return false;
    position_ += count;
    return true;
  }
  // A Handyphone length number: one byte up to 127, else two bytes standing
  // for 128 + ((first & 0x7F) << 7 | second). False when cut off.
  bool LengthNumber(uint32_t& value) {
    if (AtEnd()) return false;
    const uint32_t first = Peek();
    if (first < 0x80) {
      value = first;
      ++position_;
      return true;
    }
    if (left() < 2) return false;
    value = 128 + (((first & 0x7F) << 7) | Peek(1));
    position_ += 2;
    return true;
  }
  // A Mobile Standard variable-length number: seven bits a byte, high bit
  // set on all but the last, at most four bytes. False when cut off or when
  // a fourth byte still has its high bit set (`too_long` tells which).
  bool Vlq(uint32_t& value, bool& too_long) {
    value = 0;
    too_long = false;
    for (size_t count = 0; count < 4; ++count) {
      if (AtEnd()) return false;
      const uint32_t byte = Peek();
      ++position_;
      value = (value << 7) | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    too_long = true;
    return false;
  }

 private:
  ByteView bytes_;
  size_t position_;
  size_t end_;
};

class Problems {
 public:
  explicit Problems(std::vector<Problem>& list) : list_(list) {}
  void Add(size_t at, std::string text) { list_.push_back({static_cast<uint32_t>(at), std::move(text)}); }

 private:
  std::vector<Problem>& list_;
};

// The chunks of [begin, end): each is recorded in `chunks` with `depth`,
// and returned for its reader. A header or a size that runs past `end` is a
// problem naming `container`, and ends the walk.
std::vector<ChunkFact> WalkChunks(ByteView file, size_t begin, size_t end, uint8_t depth, const char* container,
                                  std::vector<ChunkFact>& chunks, Problems& problems);

inline uint32_t BigEndian16(ByteView bytes, size_t at) { return midifile::BigEndian(bytes, at, 2); }
inline uint32_t BigEndian32(ByteView bytes, size_t at) { return midifile::BigEndian(bytes, at, 4); }
// "0x1C" with at least `digits` hexadecimal digits.
using smaf::Hex;
using smaf::TimebaseMs;

void ReadContentInfo(ByteView file, const ChunkFact& chunk, ContentInfo& info, Problems& problems);
void ReadOptionalData(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems);
// A seek and phrase chunk: "XX:" value "," entries ("st" and "sp" with four
// bytes).
void ReadPhrases(ByteView file, const ChunkFact& chunk, std::vector<PhraseMark>& marks, Problems& problems);

// `events` is the storage the track's events go into (emptied first).
ScoreTrack ReadScoreTrack(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems,
                          std::vector<ScoreEvent> events = {});
AudioTrack ReadAudioTrack(ByteView file, const ChunkFact& chunk, SmafScore& score, Problems& problems);

// The voice messages of a setup chunk: "FF F0", a length number and the
// message (Handyphone), or "F0", a variable-length number and the message
// (Mobile Standard).
void ReadSetup(ByteView file, const ChunkFact& chunk, bool handyphone, std::vector<Voice>& voices,
               Problems& problems);
// The voice an exclusive message defines, if it is a voice message the
// reader knows; false otherwise. `message` runs from the byte after F0 to
// the last byte before F7.
bool DecodeVoice(ByteView file, size_t message_at, size_t message_end, Voice& voice, Problems& problems);

// Stream PCM: the "Mwa?" chunks of an "Mtsp" chunk.
void ReadStreamPcm(ByteView file, const ChunkFact& chunk, std::vector<ChunkFact>& chunks, std::vector<Wave>& waves,
                   Problems& problems);

// A Handyphone sequence into `track`'s events (keys after the octave
// settings); with `audio`, an audio track's sequence, whose note bytes name
// waves.
struct SequenceOut {
  std::vector<ScoreEvent>& events;
  std::vector<ByteRange>& exclusives;
  std::string& exclusive_bytes;
  uint64_t& end_ms;
};
void ReadHandyphoneSequence(ByteView file, size_t begin, size_t end, uint32_t duration_ms, uint32_t gate_ms,
                            bool audio, SequenceOut out, Problems& problems);

// A Mobile Standard sequence from `bytes` (the file, or a decoded
// compressed stream; `problem_at` is then the file offset problems name,
// with the stream offset in their text).
void ReadMobileSequence(ByteView bytes, size_t begin, size_t end, bool decoded, size_t problem_at,
                        ScoreTrack& track, Problems& problems);

// The Huffman-coded sequence of a compressed track: a big-endian 32-bit
// size, then the code tree and the codes. False (with a problem) when the
// stream cannot be decoded; `out` then holds what could be.
bool DecodeCompressedSequence(ByteView file, size_t begin, size_t end, std::string& out, Problems& problems);

// Gives every note of the track the voice its channel's bank and program
// select (for a channel of type rhythm: the voice of the note's key).
void AssignVoices(ScoreTrack& track);

}  // namespace chimekit::smafread::detail
