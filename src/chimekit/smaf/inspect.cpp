// The outer structure of a SMAF file: "MMMD" frame and CRC, the "CNTI"
// content information, the "MTR" score tracks with their setup ("Mtsu") and
// sequence ("Mtsq") chunks. Sizes are never trusted: each is checked against
// the bytes that are really left before it is followed.
#include "chimekit/smaf/inspect.h"

#include <optional>

#include "chimekit/smaf/inspect_parts.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf {
namespace {

using inspect::Count;
using inspect::InspectionLog;
using midifile::ByteAt;
using midifile::ByteView;

constexpr size_t kChunkHeader = 8;  // four-byte identifier, four-byte size
constexpr size_t kCrcBytes = 2;
constexpr size_t kContentInfoFixed = 5;
constexpr size_t kScoreTrackFixed = 6;

struct Chunk {
  size_t at = 0;  // offset of the identifier
  ByteView id;    // four bytes
  uint32_t size = 0;
  size_t begin = 0;  // first content byte
  size_t end = 0;    // one past the last content byte
};

// Reads the chunk header at `position`; false (with a problem) when the
// header or the content it announces does not fit before `end`.
bool ReadChunk(ByteView file, size_t position, size_t end, const char* container, InspectionLog& log, Chunk& chunk) {
  if (end - position < kChunkHeader) {
    log.Problem(position, Count(end - position, "stray byte", "stray bytes") + " at the end of " + container +
                              ", too few for a chunk: " + inspect::HexBytes(file.substr(position, end - position)));
    return false;
  }
  chunk.at = position;
  chunk.id = file.substr(position, 4);
  chunk.size = ReadBigEndian32(file, position + 4);
  chunk.begin = position + kChunkHeader;
  if (chunk.size > end - chunk.begin) {
    log.Problem(position + 4, "chunk \"" + inspect::Printable(chunk.id) + "\" has size " + std::to_string(chunk.size) +
                                  " but only " + std::to_string(end - chunk.begin) + " bytes are left in " + container);
    return false;
  }
  chunk.end = chunk.begin + chunk.size;
  return true;
}

struct FixedByte {
  const char* name;
  uint32_t expected;
};

std::string DescribeFixedBytes(ByteView file, size_t at, const FixedByte* fields, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += std::string(i == 0 ? "" : ", ") + fields[i].name + " " + inspect::Hex(ByteAt(file, at + i));
  }
  return text;
}

void CheckFixedBytes(ByteView file, size_t at, const FixedByte* fields, size_t count, InspectionLog& log) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t value = ByteAt(file, at + i);
    if (value != fields[i].expected) {
      log.Problem(at + i, std::string(fields[i].name) + " " + inspect::Hex(value) + " instead of " +
                              inspect::Hex(fields[i].expected));
    }
  }
}

class FileInspector {
 public:
  FileInspector(ByteView file, SmafInspection& result) : file_(file), result_(result), log_(result) {}

  void Run() {
    if (CheckFrame()) WalkBody(kChunkHeader, file_.size() - kCrcBytes);
    Summarise();
  }

 private:
  // "MMMD", its size and the CRC; false when there is no body to walk.
  bool CheckFrame() {
    if (file_.size() < 4 || file_.substr(0, 4) != "MMMD") {
      log_.Problem(0, "not a SMAF file: it does not begin with \"MMMD\"");
      return false;
    }
    log_.Line("SMAF file of " + std::to_string(file_.size()) + " bytes");
    if (file_.size() < kChunkHeader) {
      log_.Problem(4, "the file ends inside the MMMD size");
      return false;
    }
    const uint64_t declared = ReadBigEndian32(file_, 4);
    const uint64_t actual = file_.size() - kChunkHeader;
    if (declared == actual) {
      log_.Line("MMMD size " + std::to_string(declared) + " (file length - 8)");
    } else {
      log_.Problem(4, "MMMD size " + std::to_string(declared) + " but " + std::to_string(actual) +
                          " bytes follow the size field");
    }
    if (file_.size() < kChunkHeader + kCrcBytes) {
      log_.Problem(kChunkHeader, "the file ends before its CRC");
      return false;
    }
    const size_t crc_at = file_.size() - kCrcBytes;
    const uint32_t stored = (static_cast<uint32_t>(ByteAt(file_, crc_at)) << 8) | ByteAt(file_, crc_at + 1);
    const uint32_t computed = SmafCrc16(file_.substr(0, crc_at));
    if (stored == computed) {
      log_.Line("CRC " + inspect::Hex(stored, 4) + " matches");
    } else {
      log_.Problem(crc_at,
                   "CRC " + inspect::Hex(stored, 4) + " but the bytes before it give " + inspect::Hex(computed, 4));
    }
    return true;
  }

  void WalkBody(size_t begin, size_t end) {
    if (begin == end) log_.Problem(begin, "the MMMD body is empty: no CNTI chunk");
    bool content_info_seen = false;
    for (size_t position = begin; position < end;) {
      Chunk chunk;
      if (!ReadChunk(file_, position, end, "the MMMD body", log_, chunk)) break;
      const bool first = position == begin;
      if (chunk.id == "CNTI") {
        if (content_info_seen) {
          log_.Problem(chunk.at, "a second CNTI chunk");
        } else if (!first) {
          log_.Problem(chunk.at, "the CNTI chunk is not the first chunk");
        }
        content_info_seen = true;
        InspectContentInfo(chunk);
      } else {
        if (first) log_.Problem(chunk.at, "the file does not begin with a CNTI chunk");
        if (chunk.id.substr(0, 3) == "MTR") {
          InspectScoreTrack(chunk);
        } else {
          log_.Line("chunk \"" + inspect::Printable(chunk.id) + "\", " + std::to_string(chunk.size) + " bytes");
          log_.Problem(chunk.at, "unknown chunk \"" + inspect::Printable(chunk.id) + "\"");
        }
      }
      position = chunk.end;
    }
  }

  void InspectContentInfo(const Chunk& chunk) {
    log_.Line("CNTI content information, " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    if (chunk.size < kContentInfoFixed) {
      log_.Problem(chunk.at + 4, "CNTI size " + std::to_string(chunk.size) + " leaves no room for its 5 fixed bytes");
      return;
    }
    static constexpr FixedByte kFields[kContentInfoFixed] = {{"contents class", 0x00},
                                                             {"contents type", 0x00},
                                                             {"contents code type", 0x01},
                                                             {"copy status", 0x00},
                                                             {"copy counts", 0x00}};
    log_.Line(DescribeFixedBytes(file_, chunk.begin, kFields, kContentInfoFixed));
    CheckFixedBytes(file_, chunk.begin, kFields, kContentInfoFixed, log_);
    const size_t text_at = chunk.begin + kContentInfoFixed;
    DescribeOptionText(text_at, file_.substr(text_at, chunk.end - text_at));
  }

  // The option text: tags "VN:" (vendor), "CR:" (copyright), "ST:" (title),
  // in this order, each text ended by ","; a lone "," when there is none.
  void DescribeOptionText(size_t at, ByteView text) {
    log_.Line("option text \"" + inspect::Printable(text) + "\"");
    InspectionLog::Nested nested(log_);
    if (text.empty() || text.back() != ',') log_.Problem(at + text.size(), "the option text does not end with \",\"");
    static constexpr const char* kTags[] = {"VN:", "CR:", "ST:"};
    static constexpr const char* kNames[] = {"vendor", "copyright", "title"};
    // One pass: a tag starts a new part only at the start or after a ",",
    // and only when it comes later in the order than the current part's.
    int current = -1;
    size_t part_begin = 0;
    auto flush = [&](size_t part_end) {
      if (current < 0) return;
      ByteView part = text.substr(part_begin, part_end - part_begin);
      if (!part.empty() && part.back() == ',') part.remove_suffix(1);
      log_.Line(std::string(kNames[current]) + ": \"" + inspect::Printable(part) + "\"");
    };
    for (size_t i = 0; i + 3 <= text.size(); ++i) {
      if (i > 0 && text[i - 1] != ',') continue;
      for (int tag = current + 1; tag < 3; ++tag) {
        if (text.substr(i, 3) != kTags[tag]) continue;
        if (current < 0 && i > 0) log_.Problem(at, "the option text does not begin with a tag");
        flush(i);
        current = tag;
        part_begin = i + 3;
        break;
      }
    }
    flush(text.size());
    if (current < 0) {
      log_.Line("no tags");
      if (text.size() > 1) log_.Problem(at, "the option text does not begin with a tag");
    }
  }

  void InspectScoreTrack(const Chunk& chunk) {
    ++result_.score_tracks;
    const uint32_t number = ByteAt(chunk.id, 3);
    log_.Line("MTR score track " + std::to_string(number) + ", " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    if (number < 1 || number > 4) {
      log_.Problem(chunk.at + 3, "score track number " + std::to_string(number) + " (1 to 4)");
    } else if (number <= last_track_number_) {
      log_.Problem(chunk.at + 3, "score track " + std::to_string(number) + " after track " +
                                     std::to_string(last_track_number_) + " (numbers ascend)");
    }
    if (number >= 1 && number <= 4) last_track_number_ = number;
    if (chunk.size < kScoreTrackFixed) {
      log_.Problem(chunk.at + 4, "score track size " + std::to_string(chunk.size) + " leaves no room for its " +
                                     std::to_string(kScoreTrackFixed) + " fixed bytes");
      return;
    }
    CheckTrackHeader(chunk.begin);
    WalkTrack(chunk.begin + kScoreTrackFixed, chunk.end, number);
  }

  void CheckTrackHeader(size_t at) {
    static constexpr FixedByte kFormat[2] = {{"format type", 0x00}, {"sequence type", 0x00}};
    const uint32_t duration_code = ByteAt(file_, at + 2);
    const uint32_t gate_code = ByteAt(file_, at + 3);
    const std::optional<uint32_t> timebase = TimebaseMs(duration_code);
    const ByteView status = file_.substr(at + 4, 2);
    log_.Line(DescribeFixedBytes(file_, at, kFormat, 2) + ", timebase " +
              (timebase ? std::to_string(*timebase) + " ms" : std::string("unknown")) + " (code " +
              inspect::Hex(duration_code) + ", gate code " + inspect::Hex(gate_code) + "), channel status " +
              inspect::HexBytes(status));
    CheckFixedBytes(file_, at, kFormat, 2, log_);
    if (!timebase) log_.Problem(at + 2, "unknown timebase code " + inspect::Hex(duration_code));
    if (gate_code != duration_code) {
      log_.Problem(at + 3, "gate timebase code " + inspect::Hex(gate_code) + " differs from the duration code " +
                               inspect::Hex(duration_code));
    }
    if (!first_timebase_code_) {
      first_timebase_code_ = duration_code;
      result_.timebase_ms = timebase.value_or(0);
    } else if (*first_timebase_code_ != duration_code) {
      log_.Problem(at + 2, "timebase code " + inspect::Hex(duration_code) + " differs from the first track's " +
                               inspect::Hex(*first_timebase_code_));
    }
    timebase_ms_ = timebase.value_or(0);
    if (status != "\x80\x80") log_.Problem(at + 4, "channel status " + inspect::HexBytes(status) + " instead of 80 80");
  }

  // The setup chunk, then the sequence chunk, filling the track exactly.
  void WalkTrack(size_t begin, size_t end, uint32_t number) {
    bool setup_seen = false;
    bool sequence_seen = false;
    bool broken = false;
    inspect::SetupContents setup;
    for (size_t position = begin; position < end;) {
      Chunk chunk;
      if (!ReadChunk(file_, position, end, "the score track", log_, chunk)) {
        broken = true;
        break;
      }
      if (chunk.id == "Mtsu") {
        if (setup_seen || sequence_seen) log_.Problem(chunk.at, "a setup chunk out of place");
        setup = InspectSetupChunk(chunk, number);
        setup_seen = true;
      } else if (chunk.id == "Mtsq") {
        if (sequence_seen) log_.Problem(chunk.at, "a second sequence chunk");
        InspectSequenceChunk(chunk, setup);
        sequence_seen = true;
      } else {
        log_.Line("chunk \"" + inspect::Printable(chunk.id) + "\", " + std::to_string(chunk.size) + " bytes");
        log_.Problem(chunk.at, "unknown chunk \"" + inspect::Printable(chunk.id) + "\" in a score track");
      }
      position = chunk.end;
    }
    if (broken) return;
    if (!setup_seen) log_.Problem(end, "score track " + std::to_string(number) + " has no setup chunk");
    if (!sequence_seen) log_.Problem(end, "score track " + std::to_string(number) + " has no sequence chunk");
  }

  // Every score track carries the same setup chunk; the first is listed,
  // the others are compared with it.
  inspect::SetupContents InspectSetupChunk(const Chunk& chunk, uint32_t number) {
    const ByteView bytes = file_.substr(chunk.at, chunk.end - chunk.at);
    if (first_setup_ && bytes == first_setup_->bytes) {
      log_.Line("Mtsu setup, " + std::to_string(chunk.size) + " bytes, the same as in score track " +
                std::to_string(first_setup_->track));
      return first_setup_->contents;
    }
    log_.Line("Mtsu setup, " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    if (first_setup_) {
      log_.Problem(chunk.at,
                   "the setup chunk differs from the one in score track " + std::to_string(first_setup_->track));
    }
    inspect::SetupContents contents = inspect::InspectSetup(file_, chunk.begin, chunk.end, log_);
    if (!first_setup_) {
      first_setup_ = FirstSetup{bytes, number, contents};
      result_.voices = contents.voices;
    }
    return contents;
  }

  void InspectSequenceChunk(const Chunk& chunk, const inspect::SetupContents& setup) {
    log_.Line("Mtsq sequence, " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    const inspect::SequenceContents sequence =
        inspect::InspectSequence(file_, chunk.begin, chunk.end, setup.programs, log_);
    result_.notes += sequence.notes;
    std::string text = "end of sequence: " + Count(sequence.events, "event", "events") + ", " +
                       Count(sequence.notes, "note", "notes") + ", " + std::to_string(sequence.units) + " units";
    if (timebase_ms_ != 0) text += " (" + std::to_string(sequence.units * timebase_ms_) + " ms)";
    log_.Line(text);
  }

  void Summarise() {
    result_.ok = result_.problems.empty();
    result_.summary =
        "summary: timebase " +
        (result_.timebase_ms != 0 ? std::to_string(result_.timebase_ms) + " ms" : std::string("unknown")) + ", " +
        Count(result_.score_tracks, "score track", "score tracks") + ", " + Count(result_.voices, "voice", "voices") +
        ", " + Count(result_.notes, "note", "notes") + ", " + Count(result_.problems.size(), "problem", "problems");
    result_.lines.push_back(result_.summary);
  }

  struct FirstSetup {
    ByteView bytes;  // the whole chunk, header included
    uint32_t track;
    inspect::SetupContents contents;
  };

  ByteView file_;
  SmafInspection& result_;
  InspectionLog log_;
  uint32_t last_track_number_ = 0;
  std::optional<uint32_t> first_timebase_code_;
  uint32_t timebase_ms_ = 0;  // of the track being read
  std::optional<FirstSetup> first_setup_;
};

}  // namespace

SmafInspection InspectSmaf(ByteView file) {
  SmafInspection result;
  FileInspector(file, result).Run();
  return result;
}

}  // namespace chimekit::smaf
