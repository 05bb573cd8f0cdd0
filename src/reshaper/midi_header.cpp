#include "reshaper/midi_header.h"

namespace reshaper {

namespace {
constexpr uint32_t kHeaderFieldBytes = 6;
}

bool MidiHeader::read(MidiStream& stream) {
  if (!readChunkHeader(stream)) return false;
  if (kind == ChunkKind::Riff) {
    // RIFF size, form type "RMID", "data" and its size; the MIDI file is the
    // data chunk's body. What follows the data chunk is never read.
    if (!readChunkHeader(stream) || kind != ChunkKind::Rmid) return false;
    if (!readChunkHeader(stream)) return false;
  }
  if (kind != ChunkKind::Header) return false;
  if (!readBigEndian16(stream, format)) return false;
  if (!readBigEndian16(stream, trackCount)) return false;
  if (!readBigEndian16(stream, division)) return false;
  consumed += kHeaderFieldBytes;
  outLength += kHeaderFieldBytes;
  // A longer header is accepted; its excess is dropped, up to the file's end.
  if (consumed < length) consumed += stream.skip(length - consumed);
  return true;
}

void MidiHeader::write(MidiStream& stream) const {
  writeChunkHeader(stream);
  writeBigEndian16(stream, format);
  writeBigEndian16(stream, trackCount);
  writeBigEndian16(stream, division);
}

void MidiHeader::set(uint16_t newFormat, uint16_t newTrackCount, uint16_t newDivision) {
  setId("MThd");
  kind = ChunkKind::Header;
  format = newFormat;
  trackCount = newTrackCount;
  division = newDivision;
  outLength += kHeaderFieldBytes;
}

}  // namespace reshaper
