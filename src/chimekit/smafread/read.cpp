// The outer structure of a SMAF file: "MMMD", its size and the CRC at its
// end, and the chunks of its body, each handed to its reader or named and
// skipped by its size.
#include "chimekit/smafread/read.h"

#include <array>
#include <cstdio>
#include <limits>

#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smafread/read_parts.h"

namespace chimekit::smafread {
namespace detail {

namespace {

constexpr size_t kChunkHeader = 8;
constexpr size_t kCrcBytes = 2;

ChunkRole RoleOf(const std::array<char, 4>& id, uint8_t depth) {
  const std::string_view name(id.data(), 4);
  const std::string_view stem = name.substr(0, 3);
  if (depth == 0) {
    if (name == "CNTI") return ChunkRole::kContentInfo;
    if (name == "OPDA") return ChunkRole::kOptionalData;
    if (stem == "MTR") return ChunkRole::kScoreTrack;
    if (stem == "ATR") return ChunkRole::kAudioTrack;
    return ChunkRole::kOther;
  }
  if (stem == "Dch") return ChunkRole::kDataEntries;
  if (name == "Mtsu" || name == "Atsu") return ChunkRole::kSetup;
  if (name == "Mtsq" || name == "Atsq") return ChunkRole::kSequence;
  if (name == "Mtsp") return ChunkRole::kStreamPcm;
  if (stem == "Mwa" || stem == "Awa") return ChunkRole::kWave;
  if (name == "MspI" || name == "MsqI" || name == "AspI") return ChunkRole::kSeekPhrase;
  return ChunkRole::kOther;
}

std::string Printable(ByteView bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t byte = midifile::ByteAt(bytes, i);
    if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
      text.push_back(static_cast<char>(byte));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  return text;
}

// "MMMD", its size and the CRC (checked when `check_crc`); false when there
// is no body to walk. The MMMD chunk ends where its size says, or at the
// end of the file when the size says more; its last two bytes are the CRC.
bool ReadFrame(ByteView file, SmafScore& score, size_t& body_end, Problems& problems, bool check_crc) {
  score.is_smaf = file.size() >= kChunkHeader && file.substr(0, 4) == "MMMD";
  if (!score.is_smaf) {
    problems.Add(0, "not a SMAF file: it does not begin with \"MMMD\" and its size");
    return false;
  }
  score.declared_size = BigEndian32(file, 4);
  size_t end = file.size();
  const uint64_t declared_end = uint64_t{kChunkHeader} + score.declared_size;
  if (declared_end > file.size()) {
    problems.Add(4, "MMMD size " + std::to_string(score.declared_size) + " but " +
                        std::to_string(file.size() - kChunkHeader) + " bytes follow the size field");
  } else if (declared_end < file.size()) {
    end = static_cast<size_t>(declared_end);
    problems.Add(end, std::to_string(file.size() - end) + " bytes after the MMMD chunk");
  }
  // Files whose chunks fill the MMMD chunk to its end carry no CRC (as
  // ffmpeg writes them): a fact, not a problem, since players read them;
  // the walk of the chunk headers tells.
  uint64_t position = kChunkHeader;
  while (position + kChunkHeader <= end) {
    const uint64_t next = position + kChunkHeader + BigEndian32(file, static_cast<size_t>(position) + 4);
    if (next > end) break;
    position = next;
  }
  if (position == end && end > kChunkHeader) {
    score.crc_absent = true;
    body_end = end;
    return true;
  }
  if (end < kChunkHeader + kCrcBytes) {
    problems.Add(kChunkHeader, "the MMMD chunk ends before its CRC");
    return false;
  }
  body_end = end - kCrcBytes;
  if (!check_crc) return true;
  score.has_crc = true;
  score.stored_crc = static_cast<uint16_t>(BigEndian16(file, body_end));
  score.computed_crc = smaf::SmafCrc16(file.substr(0, body_end));
  if (score.stored_crc != score.computed_crc) {
    problems.Add(body_end, "CRC " + Hex(score.stored_crc, 4) + " but the bytes before it give " +
                               Hex(score.computed_crc, 4));
  }
  return true;
}

}  // namespace

std::vector<ChunkFact> WalkChunks(ByteView file, size_t begin, size_t end, uint8_t depth, const char* container,
                                  std::vector<ChunkFact>& chunks, Problems& problems) {
  std::vector<ChunkFact> found;
  for (size_t position = begin; position < end;) {
    if (end - position < kChunkHeader) {
      problems.Add(position, std::to_string(end - position) + " stray bytes at the end of " + container +
                                 ", too few for a chunk");
      break;
    }
    ChunkFact chunk;
    chunk.at = static_cast<uint32_t>(position);
    for (size_t i = 0; i < 4; ++i) chunk.id[i] = file[position + i];
    chunk.size = BigEndian32(file, position + 4);
    chunk.depth = depth;
    chunk.role = RoleOf(chunk.id, depth);
    const size_t body = position + kChunkHeader;
    if (chunk.size > end - body) {
      problems.Add(position + 4, "chunk \"" + Printable(file.substr(position, 4)) + "\" has size " +
                                     std::to_string(chunk.size) + " but only " + std::to_string(end - body) +
                                     " bytes are left in " + container);
      break;
    }
    chunk.body = {static_cast<uint32_t>(body), chunk.size};
    chunks.push_back(chunk);
    found.push_back(chunk);
    position = body + chunk.size;
  }
  return found;
}

}  // namespace detail

midifile::ByteView BytesOf(midifile::ByteView file, const ByteRange& range) {
  if (range.begin > file.size() || range.size > file.size() - range.begin) return {};
  return file.substr(range.begin, range.size);
}

std::string OptionValue(midifile::ByteView file, const ByteRange& value) {
  const midifile::ByteView bytes = BytesOf(file, value);
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\\' && i + 1 < bytes.size()) ++i;
    text.push_back(bytes[i]);
  }
  return text;
}

SmafScore ReadSmafScore(midifile::ByteView file) { return ReadSmafScore(file, {}); }

SmafScore ReadSmafTexts(midifile::ByteView file) {
  using namespace detail;
  SmafScore score;
  std::vector<Problem> ignored;
  Problems problems(ignored);
  size_t body_end = 0;
  if (file.size() > UINT32_MAX || !ReadFrame(file, score, body_end, problems, false)) return score;
  for (const ChunkFact& chunk : WalkChunks(file, kChunkHeader, body_end, 0, "the MMMD body", score.chunks, problems)) {
    if (chunk.role == ChunkRole::kContentInfo && !score.content_info.present) {
      ReadContentInfo(file, chunk, score.content_info, problems);
    } else if (chunk.role == ChunkRole::kOptionalData) {
      ReadOptionalData(file, chunk, score, problems);
    }
  }
  return score;
}

SmafScore ReadSmafScore(midifile::ByteView file, const ScoreTrackSink& sink) {
  using namespace detail;
  std::vector<ScoreEvent> recycled;
  SmafScore score;
  Problems problems(score.problems);
  if (file.size() > std::numeric_limits<uint32_t>::max()) {
    problems.Add(0, "a file of " + std::to_string(file.size()) + " bytes, more than a SMAF file can hold");
    return score;
  }
  score.file_size = static_cast<uint32_t>(file.size());
  size_t body_end = 0;
  if (!ReadFrame(file, score, body_end, problems, true)) return score;
  const std::vector<ChunkFact> body =
      WalkChunks(file, kChunkHeader, body_end, 0, "the MMMD body", score.chunks, problems);
  for (const ChunkFact& chunk : body) {
    switch (chunk.role) {
      case ChunkRole::kContentInfo:
        if (score.content_info.present) {
          problems.Add(chunk.at, "a second CNTI chunk");
        } else {
          ReadContentInfo(file, chunk, score.content_info, problems);
        }
        break;
      case ChunkRole::kOptionalData:
        ReadOptionalData(file, chunk, score, problems);
        break;
      case ChunkRole::kScoreTrack:
        score.score_tracks.push_back(ReadScoreTrack(file, chunk, score, problems, std::move(recycled)));
        if (sink) {
          sink(score.score_tracks.back());
          recycled = std::move(score.score_tracks.back().events);
          score.score_tracks.back().events = {};
        }
        break;
      case ChunkRole::kAudioTrack:
        score.audio_tracks.push_back(ReadAudioTrack(file, chunk, score, problems));
        break;
      default:
        break;
    }
  }
  if (!body.empty() && body.front().role != ChunkRole::kContentInfo) {
    problems.Add(body.front().at, "the MMMD body does not begin with a CNTI chunk");
  } else if (body.empty()) {
    problems.Add(kChunkHeader, "the MMMD body is empty: no CNTI chunk");
  }
  return score;
}

}  // namespace chimekit::smafread
