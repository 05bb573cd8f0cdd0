#include "reshaper/midi_chunk.h"

#include <algorithm>

namespace reshaper {

namespace {

ChunkKind classify(std::string_view id) {
  if (id == "RIFF") return ChunkKind::Riff;
  if (id == "MThd") return ChunkKind::Header;
  if (id == "MTrk") return ChunkKind::Track;
  if (id == "RMID") return ChunkKind::Rmid;  // only with "data" behind it
  return ChunkKind::Unknown;
}

}  // namespace

bool MidiChunk::readChunkHeader(MidiStream& stream) {
  kind = ChunkKind::Unknown;
  if (stream.read(reinterpret_cast<uint8_t*>(id.data()), 4) != 4) return false;
  ChunkKind found = classify(idText());
  if (found == ChunkKind::Rmid) {
    uint8_t data[4];
    if (stream.read(data, 4) != 4 || std::string_view(reinterpret_cast<const char*>(data), 4) != "data") {
      found = ChunkKind::Unknown;
    }
  }
  if (found == ChunkKind::Unknown) return false;
  kind = found;
  uint8_t size[4];
  if (stream.read(size, 4) != 4) return false;
  bool littleEndian = kind == ChunkKind::Riff || kind == ChunkKind::Rmid;
  length = littleEndian ? (uint32_t{size[3]} << 24) | (uint32_t{size[2]} << 16) | (uint32_t{size[1]} << 8) | size[0]
                        : (uint32_t{size[0]} << 24) | (uint32_t{size[1]} << 16) | (uint32_t{size[2]} << 8) | size[3];
  return true;
}

void MidiChunk::writeChunkHeader(MidiStream& stream) const {
  stream.write(reinterpret_cast<const uint8_t*>(id.data()), 4);
  writeBigEndian32(stream, outLength);
}

void MidiChunk::setId(std::string_view fourCharacters) {
  id.fill(' ');
  std::copy_n(fourCharacters.begin(), std::min<size_t>(fourCharacters.size(), id.size()), id.begin());
}

bool readBigEndian16(MidiStream& stream, uint16_t& value) {
  uint8_t bytes[2];
  if (stream.read(bytes, 2) != 2) return false;
  value = static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
  return true;
}

void writeBigEndian16(MidiStream& stream, uint16_t value) {
  uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  stream.write(bytes, 2);
}

void writeBigEndian32(MidiStream& stream, uint32_t value) {
  uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                      static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  stream.write(bytes, 4);
}

}  // namespace reshaper
