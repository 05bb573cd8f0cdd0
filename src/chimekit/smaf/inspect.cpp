// The outer structure of a SMAF file in words: "MMMD" frame and CRC, the
// "CNTI" content information, the "MTR" score tracks with their setup
// ("Mtsu") and sequence ("Mtsq") chunks, as the reader returns them; the
// reader's faults appear in their places among the problems found here.
#include "chimekit/smaf/inspect.h"

#include <optional>

#include "chimekit/smaf/inspect_parts.h"
#include "chimekit/smaf/reader.h"
#include "chimekit/smaf/smaf_format.h"

namespace chimekit::smaf {
namespace {

using inspect::Count;
using inspect::FaultCursor;
using inspect::InspectionLog;
using midifile::ByteAt;
using midifile::ByteView;

constexpr size_t kContentInfoFixed = 5;

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
  FileInspector(const SmafFile& smaf, SmafInspection& result)
      : smaf_(smaf), file_(smaf.bytes), result_(result), log_(result) {}

  void Run() {
    if (CheckFrame()) WalkBody();
    Summarise();
  }

 private:
  // "MMMD", its size and the CRC; false when there is no body to walk.
  bool CheckFrame() {
    FaultCursor faults(smaf_.faults);
    if (!smaf_.has_magic) return !faults.ListAll(log_);
    log_.Line("SMAF file of " + std::to_string(file_.size()) + " bytes");
    if (!smaf_.declared_size) return !faults.ListAll(log_);
    const uint64_t declared = *smaf_.declared_size;
    const uint64_t actual = file_.size() - 8;
    if (declared == actual) {
      log_.Line("MMMD size " + std::to_string(declared) + " (file length - 8)");
    } else {
      log_.Problem(4, "MMMD size " + std::to_string(declared) + " but " + std::to_string(actual) +
                          " bytes follow the size field");
    }
    if (!smaf_.stored_crc) return !faults.ListAll(log_);
    const uint32_t stored = *smaf_.stored_crc;
    const uint32_t computed = SmafCrc16(file_.substr(0, smaf_.body_end));
    if (stored == computed) {
      log_.Line("CRC " + inspect::Hex(stored, 4) + " matches");
    } else {
      log_.Problem(smaf_.body_end,
                   "CRC " + inspect::Hex(stored, 4) + " but the bytes before it give " + inspect::Hex(computed, 4));
    }
    return true;
  }

  void WalkBody() {
    if (smaf_.body_begin == smaf_.body_end) log_.Problem(smaf_.body_begin, "the MMMD body is empty: no CNTI chunk");
    FaultCursor faults(smaf_.faults);
    bool content_info_seen = false;
    for (size_t i = 0; i < smaf_.chunks.size(); ++i) {
      faults.ListUpTo(i, log_);
      const SmafPartChunk& part = smaf_.chunks[i];
      const SmafChunk& chunk = part.chunk;
      const bool first = i == 0;
      if (part.part == SmafPart::kContentInfo) {
        if (content_info_seen) {
          log_.Problem(chunk.at, "a second CNTI chunk");
        } else if (!first) {
          log_.Problem(chunk.at, "the CNTI chunk is not the first chunk");
        }
        content_info_seen = true;
        InspectContentInfo(smaf_.content_infos[part.index]);
      } else {
        if (first) log_.Problem(chunk.at, "the file does not begin with a CNTI chunk");
        if (part.part == SmafPart::kScoreTrack) {
          InspectScoreTrack(smaf_.score_tracks[part.index]);
        } else {
          log_.Line("chunk \"" + inspect::Printable(chunk.id) + "\", " + std::to_string(chunk.size) + " bytes");
          log_.Problem(chunk.at, "unknown chunk \"" + inspect::Printable(chunk.id) + "\"");
        }
      }
    }
    faults.ListAll(log_);
  }

  void InspectContentInfo(const SmafContentInfo& info) {
    const SmafChunk& chunk = info.chunk;
    log_.Line("CNTI content information, " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    if (FaultCursor(info.faults).ListAll(log_) || !info.has_fixed) return;
    static constexpr FixedByte kFields[kContentInfoFixed] = {{"contents class", 0x00},
                                                             {"contents type", 0x00},
                                                             {"contents code type", 0x01},
                                                             {"copy status", 0x00},
                                                             {"copy counts", 0x00}};
    log_.Line(DescribeFixedBytes(file_, chunk.begin, kFields, kContentInfoFixed));
    CheckFixedBytes(file_, chunk.begin, kFields, kContentInfoFixed, log_);
    DescribeOptionText(info.text_at, info.text);
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

  void InspectScoreTrack(const SmafScoreTrack& track) {
    ++result_.score_tracks;
    const SmafChunk& chunk = track.chunk;
    const uint32_t number = track.number;
    log_.Line("MTR score track " + std::to_string(number) + ", " + std::to_string(chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    if (number < 1 || number > 4) {
      log_.Problem(chunk.at + 3, "score track number " + std::to_string(number) + " (1 to 4)");
    } else if (number <= last_track_number_) {
      log_.Problem(chunk.at + 3, "score track " + std::to_string(number) + " after track " +
                                     std::to_string(last_track_number_) + " (numbers ascend)");
    }
    if (number >= 1 && number <= 4) last_track_number_ = number;
    FaultCursor faults(track.faults);
    if (!track.has_header) {
      faults.ListAll(log_);
      return;
    }
    CheckTrackHeader(track);
    WalkTrack(track, faults);
  }

  void CheckTrackHeader(const SmafScoreTrack& track) {
    static constexpr FixedByte kFormat[2] = {{"format type", 0x00}, {"sequence type", 0x00}};
    const size_t at = track.chunk.begin;
    const uint32_t duration_code = track.duration_code;
    const uint32_t gate_code = track.gate_code;
    const std::optional<uint32_t> timebase = track.timebase_ms;
    const ByteView status = track.channel_status;
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
  void WalkTrack(const SmafScoreTrack& track, FaultCursor& faults) {
    bool setup_seen = false;
    bool sequence_seen = false;
    inspect::SetupContents setup;
    for (size_t i = 0; i < track.chunks.size(); ++i) {
      faults.ListUpTo(i, log_);
      const SmafPartChunk& part = track.chunks[i];
      const SmafChunk& chunk = part.chunk;
      if (part.part == SmafPart::kSetup) {
        if (setup_seen || sequence_seen) log_.Problem(chunk.at, "a setup chunk out of place");
        setup = InspectSetupChunk(track.setups[part.index], track.number);
        setup_seen = true;
      } else if (part.part == SmafPart::kSequence) {
        if (sequence_seen) log_.Problem(chunk.at, "a second sequence chunk");
        InspectSequenceChunk(track.sequences[part.index], setup);
        sequence_seen = true;
      } else {
        log_.Line("chunk \"" + inspect::Printable(chunk.id) + "\", " + std::to_string(chunk.size) + " bytes");
        log_.Problem(chunk.at, "unknown chunk \"" + inspect::Printable(chunk.id) + "\" in a score track");
      }
    }
    if (faults.ListAll(log_)) return;
    const size_t end = track.chunk.end;
    if (!setup_seen) log_.Problem(end, "score track " + std::to_string(track.number) + " has no setup chunk");
    if (!sequence_seen) log_.Problem(end, "score track " + std::to_string(track.number) + " has no sequence chunk");
  }

  // Every score track carries the same setup chunk; the first is listed,
  // the others are compared with it.
  inspect::SetupContents InspectSetupChunk(const SmafSetup& setup, uint32_t number) {
    const SmafChunk& chunk = setup.chunk;
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
    inspect::SetupContents contents = inspect::InspectSetup(setup, log_);
    if (!first_setup_) {
      first_setup_ = FirstSetup{bytes, number, contents};
      result_.voices = contents.voices;
    }
    return contents;
  }

  void InspectSequenceChunk(const SmafSequence& sequence_chunk, const inspect::SetupContents& setup) {
    log_.Line("Mtsq sequence, " + std::to_string(sequence_chunk.chunk.size) + " bytes");
    InspectionLog::Nested nested(log_);
    const inspect::SequenceContents sequence = inspect::InspectSequence(sequence_chunk, setup.programs, log_);
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

  const SmafFile& smaf_;
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
  const SmafFile smaf = ReadSmaf(file);
  FileInspector(smaf, result).Run();
  return result;
}

}  // namespace chimekit::smaf
