// The 8-byte header of every chunk the converter reads: a 4-character id and
// a 4-byte body length. Also recognises the RIFF form and its RMID data
// chunk that may wrap a MIDI file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "reshaper/midi_stream.h"

namespace reshaper {

enum class ChunkKind : int32_t { Unknown = 0, Riff = 1, Rmid = 2, Header = 3, Track = 4 };

class MidiChunk {
 public:
  MidiChunk() = default;
  virtual ~MidiChunk() = default;

  // Reads an id and a body length. "RMID" counts only when "data" follows
  // it directly; the id then stays "RMID" and length is the data chunk's.
  // Sizes are little-endian in the RIFF form, big-endian otherwise. False
  // for an unknown id or a short read.
  bool readChunkHeader(MidiStream& stream);
  // Writes the id and outLength, big-endian.
  void writeChunkHeader(MidiStream& stream) const;

  void setId(std::string_view fourCharacters);
  std::string_view idText() const { return std::string_view(id.data(), id.size()); }

  ChunkKind kind = ChunkKind::Unknown;
  std::array<char, 4> id{};  // as it stands in the file
  uint32_t length = 0;       // body length read from the file
  uint32_t consumed = 0;     // body bytes read so far
  uint32_t outLength = 0;    // body length to write
};

// Fixed-size fields of chunks and headers.
bool readBigEndian16(MidiStream& stream, uint16_t& value);
void writeBigEndian16(MidiStream& stream, uint16_t value);
void writeBigEndian32(MidiStream& stream, uint32_t value);

}  // namespace reshaper
