// The outer structure of a SMAF file: the "MMMD" frame and its CRC, the
// chunks of its body, the "CNTI" content information and the "MTR" score
// tracks with their fixed bytes and inner chunks.
#include "chimekit/smaf/reader.h"

#include "chimekit/smaf/reader_parts.h"
#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/smaf_text.h"

namespace chimekit::smaf {
namespace reader {

using midifile::ByteAt;
using midifile::ByteView;

namespace {

constexpr size_t kChunkHeader = 8;  // four-byte identifier, four-byte size
constexpr size_t kCrcBytes = 2;
constexpr size_t kContentInfoFixed = 5;
constexpr size_t kScoreTrackFixed = 6;

SmafContentInfo ReadContentInfo(ByteView file, const SmafChunk& chunk) {
  SmafContentInfo info;
  info.chunk = chunk;
  if (chunk.size < kContentInfoFixed) {
    info.faults.push_back({chunk.at + 4,
                           "CNTI size " + std::to_string(chunk.size) + " leaves no room for its 5 fixed bytes", 0});
    return info;
  }
  info.has_fixed = true;
  info.text_at = chunk.begin + kContentInfoFixed;
  info.text = file.substr(info.text_at, chunk.end - info.text_at);
  return info;
}

SmafScoreTrack ReadScoreTrack(ByteView file, const SmafChunk& chunk) {
  SmafScoreTrack track;
  track.chunk = chunk;
  track.number = ByteAt(chunk.id, 3);
  if (chunk.size < kScoreTrackFixed) {
    track.faults.push_back({chunk.at + 4,
                            "score track size " + std::to_string(chunk.size) + " leaves no room for its " +
                                std::to_string(kScoreTrackFixed) + " fixed bytes",
                            0});
    return track;
  }
  const size_t at = chunk.begin;
  track.has_header = true;
  track.format_type = ByteAt(file, at);
  track.sequence_type = ByteAt(file, at + 1);
  track.duration_code = ByteAt(file, at + 2);
  track.gate_code = ByteAt(file, at + 3);
  track.channel_status = file.substr(at + 4, 2);
  track.timebase_ms = TimebaseMs(track.duration_code);
  for (const SmafChunk& inner : ReadChunks(file, at + kScoreTrackFixed, chunk.end, "the score track", track.faults)) {
    if (inner.id == "Mtsu") {
      track.chunks.push_back({inner, SmafPart::kSetup, track.setups.size()});
      track.setups.push_back(ReadSetup(file, inner));
    } else if (inner.id == "Mtsq") {
      track.chunks.push_back({inner, SmafPart::kSequence, track.sequences.size()});
      track.sequences.push_back(ReadSequence(file, inner));
    } else {
      track.chunks.push_back({inner, SmafPart::kOther, 0});
    }
  }
  return track;
}

// "MMMD", its size and the CRC; false when there is no body to read.
bool ReadFrame(SmafFile& smaf) {
  const ByteView file = smaf.bytes;
  smaf.has_magic = file.size() >= 4 && file.substr(0, 4) == "MMMD";
  if (!smaf.has_magic) {
    smaf.faults.push_back({0, "not a SMAF file: it does not begin with \"MMMD\"", 0});
    return false;
  }
  if (file.size() < kChunkHeader) {
    smaf.faults.push_back({4, "the file ends inside the MMMD size", 0});
    return false;
  }
  smaf.declared_size = midifile::BigEndian(file, 4);
  if (file.size() < kChunkHeader + kCrcBytes) {
    smaf.faults.push_back({kChunkHeader, "the file ends before its CRC", 0});
    return false;
  }
  const size_t crc_at = file.size() - kCrcBytes;
  smaf.stored_crc = static_cast<uint16_t>(midifile::BigEndian(file, crc_at, 2));
  smaf.body_begin = kChunkHeader;
  smaf.body_end = crc_at;
  return true;
}

}  // namespace

std::vector<SmafChunk> ReadChunks(ByteView file, size_t begin, size_t end, const char* container,
                                  std::vector<SmafFault>& faults) {
  std::vector<SmafChunk> chunks;
  for (size_t position = begin; position < end;) {
    if (end - position < kChunkHeader) {
      faults.push_back({position,
                        Count(end - position, "stray byte", "stray bytes") + " at the end of " + container +
                            ", too few for a chunk: " + HexBytes(file.substr(position, end - position)),
                        chunks.size()});
      break;
    }
    SmafChunk chunk;
    chunk.at = position;
    chunk.id = file.substr(position, 4);
    chunk.size = midifile::BigEndian(file, position + 4);
    chunk.begin = position + kChunkHeader;
    if (chunk.size > end - chunk.begin) {
      faults.push_back({position + 4,
                        "chunk \"" + Printable(chunk.id) + "\" has size " + std::to_string(chunk.size) +
                            " but only " + std::to_string(end - chunk.begin) + " bytes are left in " + container,
                        chunks.size()});
      break;
    }
    chunk.end = chunk.begin + chunk.size;
    chunks.push_back(chunk);
    position = chunk.end;
  }
  return chunks;
}

bool ReadLengthNumber(ByteView file, size_t& position, size_t end, uint32_t& value, std::vector<SmafFault>& faults,
                      size_t before, const char* what) {
  const size_t at = position;
  if (!ReadLength(file.substr(0, end), position, value)) {
    faults.push_back({at, std::string(what) + " cut off by the end of its chunk", before});
    return false;
  }
  if (position - at == 2 && (ByteAt(file, at + 1) & 0x80) != 0) {
    faults.push_back({at,
                      std::string(what) + " " + HexBytes(file.substr(at, 2)) +
                          " has a second byte above 0x7F, which no length number holds",
                      before});
  }
  return true;
}

}  // namespace reader

SmafFile ReadSmaf(midifile::ByteView file) {
  SmafFile smaf;
  smaf.bytes = file;
  if (!reader::ReadFrame(smaf)) return smaf;
  for (const SmafChunk& chunk :
       reader::ReadChunks(file, smaf.body_begin, smaf.body_end, "the MMMD body", smaf.faults)) {
    if (chunk.id == "CNTI") {
      smaf.chunks.push_back({chunk, SmafPart::kContentInfo, smaf.content_infos.size()});
      smaf.content_infos.push_back(reader::ReadContentInfo(file, chunk));
    } else if (chunk.id.substr(0, 3) == "MTR") {
      smaf.chunks.push_back({chunk, SmafPart::kScoreTrack, smaf.score_tracks.size()});
      smaf.score_tracks.push_back(reader::ReadScoreTrack(file, chunk));
    } else {
      smaf.chunks.push_back({chunk, SmafPart::kOther, 0});
    }
  }
  return smaf;
}

namespace {

void KeepFirst(const std::vector<SmafFault>& faults, const SmafFault*& first) {
  for (const SmafFault& fault : faults) {
    if (first == nullptr || fault.at < first->at) first = &fault;
  }
}

}  // namespace

const SmafFault* FirstFault(const SmafFile& file) {
  const SmafFault* first = nullptr;
  KeepFirst(file.faults, first);
  for (const SmafContentInfo& info : file.content_infos) KeepFirst(info.faults, first);
  for (const SmafScoreTrack& track : file.score_tracks) {
    KeepFirst(track.faults, first);
    for (const SmafSetup& setup : track.setups) KeepFirst(setup.faults, first);
    for (const SmafSequence& sequence : track.sequences) KeepFirst(sequence.faults, first);
  }
  return first;
}

}  // namespace chimekit::smaf
