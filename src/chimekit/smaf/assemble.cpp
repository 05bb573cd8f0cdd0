#include "chimekit/smaf/assemble.h"

#include <limits>

#include "chimekit/smaf/smaf_format.h"
#include "midifile/errors.h"
#include "midifile/rounding.h"

namespace chimekit::smaf {
namespace {

constexpr size_t kChunkHeader = 8;

// Sets the size of a finished chunk: every byte after the size field.
void SetChunkSize(midifile::ByteString& chunk, size_t extra_bytes = 0) {
  const size_t size = chunk.size() - kChunkHeader + extra_bytes;
  if (size > std::numeric_limits<uint32_t>::max()) throw midifile::ConversionError("SMAF chunk too large");
  PatchChunkSize(chunk, static_cast<uint32_t>(size));
}

midifile::ByteString ScoreTrackChunk(midifile::ByteView setup_chunk, const midifile::ByteString& body,
                                     uint8_t timebase_code, int track_number) {
  midifile::ByteString chunk("MTR\0\0\0\0\0", kChunkHeader);
  midifile::AppendByte(chunk, 0x00);  // format type
  midifile::AppendByte(chunk, 0x00);  // sequence type
  midifile::AppendByte(chunk, timebase_code);  // durations
  midifile::AppendByte(chunk, timebase_code);  // gate times
  midifile::AppendByte(chunk, 0x80);  // channel status
  midifile::AppendByte(chunk, 0x80);
  chunk += setup_chunk;

  midifile::ByteString sequence = body;
  sequence.append(4, '\0');
  SetChunkSize(sequence);
  chunk += sequence;
  SetChunkSize(chunk);
  chunk[3] = static_cast<char>(track_number);
  return chunk;
}

}  // namespace

TTimebase ChooseTimebase(double microseconds_per_tick) {
  const int64_t r = midifile::RoundEven64(microseconds_per_tick);
  for (const TTimebase& timebase : kTimebases) {
    if (r <= int64_t{timebase.ms} * 1000) return timebase;
  }
  return kTimebases.back();
}

bool HasEvents(const midifile::ByteString& body) { return body.size() > kChunkHeader; }

midifile::ByteString ContentInfoChunk(midifile::ByteView option_text) {
  midifile::ByteString chunk("CNTI\0\0\0\0", kChunkHeader);
  midifile::AppendByte(chunk, 0x00);  // contents class
  midifile::AppendByte(chunk, 0x00);  // contents type
  midifile::AppendByte(chunk, 0x01);  // contents code type
  midifile::AppendByte(chunk, 0x00);  // copy status
  midifile::AppendByte(chunk, 0x00);  // copy counts
  chunk += option_text;
  SetChunkSize(chunk);
  return chunk;
}

TAssembled AssembleSmaf(midifile::ByteView content_info, midifile::ByteView setup_chunk,
                        const TSequenceBodies& bodies, uint8_t timebase_code) {
  TAssembled file;
  file.bytes.assign("MMMD\0\0\0\0", kChunkHeader);
  file.bytes += content_info;
  for (int g = kBodyCount - 1; g >= 0; --g) {
    const midifile::ByteString& body = bodies[static_cast<size_t>(g)];
    if (!HasEvents(body)) continue;
    file.bytes += ScoreTrackChunk(setup_chunk, body, timebase_code, kBodyCount - g);
    ++file.score_tracks;
  }
  // The size counts the two checksum bytes still to come.
  SetChunkSize(file.bytes, 2);
  const uint16_t crc = SmafCrc16(file.bytes);
  midifile::AppendByte(file.bytes, static_cast<uint32_t>(crc >> 8));
  midifile::AppendByte(file.bytes, crc);
  return file;
}

}  // namespace chimekit::smaf
