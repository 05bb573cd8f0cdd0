#include "midifile/smf_writer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "midifile/errors.h"

namespace midifile {

namespace {

size_t EncodeUnsigned(uint32_t rest, char* out) {
  char groups[kMaxVarLength];
  size_t count = 0;
  groups[count++] = static_cast<char>(rest & 0x7F);
  while ((rest >>= 7) > 0) groups[count++] = static_cast<char>((rest & 0x7F) | 0x80);
  for (size_t i = 0; i < count; ++i) out[i] = groups[count - 1 - i];
  return count;
}

}  // namespace

size_t EncodeVarLength(int32_t value, char* out) {
  return EncodeUnsigned(value < 0 ? 0u : static_cast<uint32_t>(value), out);
}

void AppendVarLength(ByteString& out, int32_t value) {
  char bytes[kMaxVarLength];
  out.append(bytes, EncodeVarLength(value, bytes));
}

int32_t CheckedDeltaTime(int64_t ticks) {
  if (ticks > std::numeric_limits<int32_t>::max()) throw ConversionError("Delta time too large for a MIDI file");
  return static_cast<int32_t>(std::max<int64_t>(ticks, std::numeric_limits<int32_t>::min()));
}

void AppendDataLength(ByteString& out, uint32_t length) {
  char bytes[kMaxVarLength];
  out.append(bytes, EncodeUnsigned(length, bytes));
}

void SetChunkSize(ByteString& bytes, size_t chunk, size_t extra) {
  const size_t size = bytes.size() - chunk - 8 + extra;
#if SIZE_MAX > 0xFFFFFFFFu
  if (size > 0xFFFFFFFFu) throw ConversionError("Chunk too long for its 32-bit size");
#endif
  PutBigEndian32(bytes, chunk + 4, static_cast<uint32_t>(size));
}

void AppendMetaEvent(ByteString& out, int32_t delta_time, uint8_t status, uint8_t type, uint8_t length,
                     ByteView data) {
  if (type != 0x2F && type != 0x51) {
    type = 0x01;
    length = 0;
  }
  if (type == 0x2F) length = 0;
  if (type == 0x51) length = 3;
  AppendVarLength(out, delta_time);
  AppendByte(out, status);
  AppendByte(out, type);
  AppendByte(out, length);
  ByteView kept = data.substr(0, length);
  out.append(kept);
  out.append(length - kept.size(), '\0');
}

void CheckTrackCount(int32_t track_count) {
  if (track_count < 0 || track_count > kMaxTrackCount) {
    throw ConversionError("Too many tracks for one MIDI file (at most 65535)");
  }
}

ByteString HeaderChunk(TFileFormat format, int32_t track_count, ByteView division) {
  CheckTrackCount(track_count);
  ByteString header(kHeaderChunkStart);
  uint8_t format_byte = format == TFileFormat::single ? 0 : format == TFileFormat::multi_asynch ? 2 : 1;
  AppendByte(header, 0);
  AppendByte(header, format_byte);
  AppendByte(header, static_cast<uint32_t>(track_count) >> 8);
  AppendByte(header, static_cast<uint32_t>(track_count) & 0xFF);
  header.append(division.substr(0, 2));
  return header;
}

size_t BeginTrackChunk(ByteString& file) {
  size_t start = file.size();
  file.append(kTrackChunkStart);
  return start;
}


}  // namespace midifile
