#include "chimekit/smaf/assemble.h"

#include "chimekit/smaf/smaf_format.h"
#include "midifile/rounding.h"
#include "midifile/smf_writer.h"

namespace chimekit::smaf {
namespace {

constexpr size_t kChunkHeader = 8;

constexpr size_t kScoreTrackHeader = 14;  // "MTR", number, size, format to channel status
constexpr size_t kSequenceEnd = 4;         // the four zero bytes that close a sequence

using midifile::SetChunkSize;

// The score track of one sequence body, appended to `out`.
void AppendScoreTrack(midifile::ByteString& out, midifile::ByteView setup_chunk, midifile::ByteView body,
                      uint8_t timebase_code, int track_number) {
  const size_t track = out.size();
  const char header[kScoreTrackHeader] = {
      'M', 'T', 'R', static_cast<char>(track_number), 0, 0, 0, 0,
      0x00,  // format type
      0x00,  // sequence type
      static_cast<char>(timebase_code),  // durations
      static_cast<char>(timebase_code),  // gate times
      '\x80', '\x80',  // channel status
  };
  out.append(header, sizeof header);
  out += setup_chunk;
  const size_t sequence = out.size();
  out += body;
  out.append(kSequenceEnd, '\0');
  SetChunkSize(out, sequence);
  SetChunkSize(out, track);
}

}  // namespace

TTimebase ChooseTimebase(double microseconds_per_tick) {
  const int64_t r = midifile::RoundEven64(microseconds_per_tick);
  for (const TTimebase& timebase : kTimebases) {
    if (r <= int64_t{timebase.ms} * 1000) return timebase;
  }
  return kTimebases.back();
}

bool HasEvents(const TSequenceBody& body) { return body.size() > kChunkHeader; }

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
  size_t size = kChunkHeader + content_info.size() + 2;
  for (const TSequenceBody& body : bodies) {
    if (HasEvents(body)) size += kScoreTrackHeader + setup_chunk.size() + body.size() + kSequenceEnd;
  }
  file.bytes.reserve(size);
  file.bytes.assign("MMMD\0\0\0\0", kChunkHeader);
  file.bytes += content_info;
  for (int g = kBodyCount - 1; g >= 0; --g) {
    const TSequenceBody& body = bodies[static_cast<size_t>(g)];
    if (!HasEvents(body)) continue;
    AppendScoreTrack(file.bytes, setup_chunk, body.View(), timebase_code, kBodyCount - g);
    ++file.score_tracks;
  }
  // The size counts the two checksum bytes still to come.
  SetChunkSize(file.bytes, 0, 2);
  const uint16_t crc = SmafCrc16(file.bytes);
  const char checksum[2] = {static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
  file.bytes.append(checksum, 2);
  return file;
}

}  // namespace chimekit::smaf
