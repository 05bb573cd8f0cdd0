#include "midifile/smf_writer.h"

namespace midifile {

void AppendVarLength(ByteString& out, int32_t value) {
  AppendDataLength(out, value < 0 ? 0u : static_cast<uint32_t>(value));
}

void AppendDataLength(ByteString& out, uint32_t length) {
  uint32_t rest = length;
  char groups[5];
  int count = 0;
  groups[count++] = static_cast<char>(rest & 0x7F);
  while ((rest >>= 7) > 0) groups[count++] = static_cast<char>((rest & 0x7F) | 0x80);
  while (count > 0) out.push_back(groups[--count]);
}

void AddChunkLength(ByteString& chunk, uint32_t n) {
  uint32_t length = (static_cast<uint32_t>(ByteAt(chunk, 4)) << 24) | (static_cast<uint32_t>(ByteAt(chunk, 5)) << 16) |
                    (static_cast<uint32_t>(ByteAt(chunk, 6)) << 8) | ByteAt(chunk, 7);
  length += n;
  for (int i = 0; i < 4; ++i) chunk[static_cast<size_t>(4 + i)] = static_cast<char>((length >> (24 - 8 * i)) & 0xFF);
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

ByteString HeaderChunk(TFileFormat format, int32_t track_count, ByteView division) {
  ByteString header(kHeaderChunkStart);
  uint8_t format_byte = format == TFileFormat::single ? 0 : format == TFileFormat::multi_asynch ? 2 : 1;
  AppendByte(header, 0);
  AppendByte(header, format_byte);
  AppendByte(header, 0);
  AppendByte(header, static_cast<uint32_t>(track_count) & 0xFF);
  header.append(division.substr(0, 2));
  return header;
}

void FinishTrackChunk(ByteString& file, ByteString& chunk, bool wrote_end_of_track) {
  if (!wrote_end_of_track) chunk.append(kEndOfTrack);
  AddChunkLength(chunk, static_cast<uint32_t>(chunk.size() - 8));
  file.append(chunk);
}

}  // namespace midifile
