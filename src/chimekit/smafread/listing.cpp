// The listing's outer part: the frame, the chunks in file order, the texts
// of CNTI and OPDA, the track headers, and the summary.
#include "chimekit/smafread/listing.h"

#include <algorithm>
#include <map>

#include "chimekit/smaf/smaf_text.h"
#include "chimekit/smafread/listing_parts.h"
#include "chimekit/smafread/read.h"

namespace chimekit::smafread {
namespace listing {

using smaf::Count;
using smaf::Hex;
using smaf::HexBytes;
using smaf::Printable;

LineLog::LineLog(SmafListing& result, const std::vector<Problem>& problems)
    : result_(result), problems_(InFileOrder(problems)) {}

void LineLog::Flush(uint32_t before, uint8_t depth) {
  for (; next_ < problems_.size() && problems_[next_]->at < before; ++next_) {
    std::string problem = ProblemText(*problems_[next_]);
    result_.lines.push_back(std::string(2 * size_t{depth}, ' ') + "problem: " + problem);
    result_.problems.push_back(std::move(problem));
  }
}

void LineLog::Line(uint32_t at, uint8_t depth, const std::string& text) {
  Flush(at, depth);
  result_.lines.push_back(std::string(2 * size_t{depth}, ' ') + text);
}

void LineLog::Rest() { Flush(UINT32_MAX, 0); }

namespace {

std::string TagName(const std::array<char, 2>& tag) {
  static const std::map<std::string, const char*> kNames = {
      {"VN", "vendor"},      {"CN", "carrier"},       {"CA", "category"},   {"ST", "title"},
      {"AN", "artist"},      {"WW", "lyrics writer"}, {"SW", "composer"},   {"AW", "arranger"},
      {"CR", "copyright"},   {"GR", "group"},         {"MI", "management"}, {"CD", "created"},
      {"UD", "updated"},     {"ES", "edit status"},   {"VC", "vCard"}};
  const std::string key(tag.data(), 2);
  const auto found = kNames.find(key);
  return found != kNames.end() ? found->second : "tag \"" + Printable(key) + "\"";
}

std::string TimebaseText(uint32_t ms, uint8_t code, uint32_t gate_ms, uint8_t gate_code) {
  std::string text = "timebase " + (ms != 0 ? std::to_string(ms) + " ms" : std::string("unknown")) + " (code " +
                     Hex(code) + ", gate code " + Hex(gate_code);
  if (gate_code != code) text += gate_ms != 0 ? " = " + std::to_string(gate_ms) + " ms" : " unknown";
  return text + ")";
}

std::string ChannelTypes(const ScoreTrack& track) {
  static constexpr const char* kTypes[] = {"no care", "melody", "no melody", "rhythm"};
  std::string text;
  for (size_t channel = 0; channel < track.channel_count; ++channel) {
    const ChannelStatus& status = track.channels[channel];
    if (status.type == ChannelType::kNoCare) continue;
    text += (text.empty() ? "" : ", ") + std::string("ch") + std::to_string(channel) + " " +
            kTypes[static_cast<size_t>(status.type)];
  }
  return text;
}

class Lister {
 public:
  Lister(midifile::ByteView file, const SmafScore& score, SmafListing& result)
      : file_(file), score_(score), result_(result), log_(result, score.problems) {}

  void Run() {
    if (score_.is_smaf) {
      log_.Line(0, 0, "SMAF file of " + std::to_string(score_.file_size) + " bytes");
      if (uint64_t{score_.declared_size} + 8 == score_.file_size) {
        log_.Line(4, 0, "MMMD size " + std::to_string(score_.declared_size) + " (file length - 8)");
      }
      if (score_.has_crc && score_.stored_crc == score_.computed_crc) {
        log_.Line(4, 0, "CRC " + Hex(score_.stored_crc, 4) + " matches");
      }
      if (score_.crc_absent) log_.Line(4, 0, "no CRC: the chunks fill the MMMD chunk");
    }
    std::vector<const ChunkFact*> chunks;
    for (const ChunkFact& chunk : score_.chunks) chunks.push_back(&chunk);
    std::stable_sort(chunks.begin(), chunks.end(), [](const ChunkFact* a, const ChunkFact* b) { return a->at < b->at; });
    for (const ChunkFact* chunk : chunks) ListChunk(*chunk);
    log_.Rest();
    Summarise();
  }

 private:
  void ListChunk(const ChunkFact& chunk) {
    const std::string id = Printable(std::string_view(chunk.id.data(), 3)) +
                           (chunk.role == ChunkRole::kScoreTrack || chunk.role == ChunkRole::kAudioTrack ||
                                    chunk.role == ChunkRole::kWave || chunk.role == ChunkRole::kDataEntries
                                ? ""
                                : Printable(std::string_view(chunk.id.data() + 3, 1)));
    const std::string size = ", " + Count(chunk.size, "byte", "bytes");
    const uint8_t depth = chunk.depth;
    switch (chunk.role) {
      case ChunkRole::kContentInfo: return ListContentInfo(chunk, size);
      case ChunkRole::kOptionalData: return ListOptionalData(chunk, size);
      case ChunkRole::kDataEntries: return ListDataEntries(chunk, size);
      case ChunkRole::kScoreTrack: return ListScoreTrack(chunk, size);
      case ChunkRole::kAudioTrack: return ListAudioTrack(chunk, size);
      case ChunkRole::kSetup: return ListSetup(chunk, id, size);
      case ChunkRole::kSequence: return ListSequence(chunk, id, size);
      case ChunkRole::kStreamPcm: return log_.Line(chunk.at, depth, "Mtsp stream PCM" + size);
      case ChunkRole::kWave: return ListWave(chunk, id, size);
      case ChunkRole::kSeekPhrase: return ListPhrases(chunk, id, size);
      default: return log_.Line(chunk.at, depth, "chunk \"" + Printable(std::string_view(chunk.id.data(), 4)) + "\"" + size);
    }
  }

  void ListContentInfo(const ChunkFact& chunk, const std::string& size) {
    log_.Line(chunk.at, 0, "CNTI content information" + size);
    const ContentInfo& info = score_.content_info;
    if (info.at != chunk.at || chunk.size < 5) return;
    log_.Line(chunk.body.begin, 1,
              "contents class " + Hex(info.contents_class) + ", contents type " + Hex(info.contents_type) +
                  ", contents code type " + Hex(info.code_type) + ", copy status " + Hex(info.copy_status) +
                  ", copy counts " + Hex(info.copy_counts));
    if (info.option_text.size == 0) return;
    log_.Line(info.option_text.begin, 1, "option text \"" + Printable(BytesOf(file_, info.option_text)) + "\"");
    if (info.tags.empty()) log_.Line(info.option_text.begin, 2, "no tags");
    for (const OptionTag& tag : info.tags) {
      log_.Line(tag.value.begin, 2, TagName(tag.tag) + ": \"" + Printable(BytesOf(file_, tag.value)) + "\"");
    }
  }

  void ListOptionalData(const ChunkFact& chunk, const std::string& size) {
    std::vector<const DataEntry*> texts;  // the tags of an OPDA that holds an option text
    for (const DataEntry& entry : score_.data_entries) {
      if (entry.code_type == 0xFF && entry.at >= chunk.body.begin && entry.at < chunk.body.begin + chunk.body.size) {
        texts.push_back(&entry);
      }
    }
    log_.Line(chunk.at, 0, "OPDA optional data" + size + (texts.empty() ? "" : ", tags as an option text"));
    for (const DataEntry* entry : texts) {
      log_.Line(entry->at, 1, TagName(entry->tag) + ": \"" + Printable(BytesOf(file_, entry->value)) + "\"");
    }
  }

  void ListDataEntries(const ChunkFact& chunk, const std::string& size) {
    log_.Line(chunk.at, chunk.depth, "Dch data, code type " + Hex(static_cast<uint8_t>(chunk.id[3])) + size);
    for (const DataEntry& entry : score_.data_entries) {
      if (entry.at < chunk.body.begin || entry.at >= chunk.body.begin + chunk.body.size) continue;
      log_.Line(entry.at, chunk.depth + 1, TagName(entry.tag) + ": \"" + Printable(BytesOf(file_, entry.value)) + "\"");
    }
  }

  void ListScoreTrack(const ChunkFact& chunk, const std::string& size) {
    score_track_ = nullptr;
    audio_track_ = nullptr;
    listed_sequence_ = false;
    ++result_.score_tracks;
    log_.Line(chunk.at, 0, "MTR score track " + std::to_string(static_cast<uint8_t>(chunk.id[3])) + size);
    for (const ScoreTrack& track : score_.score_tracks) {
      if (track.at == chunk.at) score_track_ = &track;
    }
    const ScoreTrack* track = score_track_;
    if (track == nullptr || chunk.size < 4) return;
    if (result_.score_tracks == 1) result_.timebase_ms = track->duration_ms;
    std::string text = "format type " + Hex(track->format_code) + " (" + FormatName(track->format, track->format_code) +
                       "), sequence type " + Hex(track->sequence_type) + ", " +
                       TimebaseText(track->duration_ms, track->duration_code, track->gate_ms, track->gate_code);
    const uint32_t status_bytes = track->format == SequenceFormat::kHandyphone ? 2 : 16;
    if (track->channel_count != 0) {
      text += ", channel status " + HexBytes(BytesOf(file_, {chunk.body.begin + 4, status_bytes}));
    }
    log_.Line(chunk.body.begin, 1, text);
    const std::string types = ChannelTypes(*track);
    if (!types.empty()) log_.Line(chunk.body.begin + 4, 1, "channel types: " + types);
  }

  void ListAudioTrack(const ChunkFact& chunk, const std::string& size) {
    score_track_ = nullptr;
    audio_track_ = nullptr;
    listed_sequence_ = false;
    ++result_.audio_tracks;
    log_.Line(chunk.at, 0, "ATR audio track " + std::to_string(static_cast<uint8_t>(chunk.id[3])) + size);
    for (const AudioTrack& track : score_.audio_tracks) {
      if (track.at == chunk.at) audio_track_ = &track;
    }
    const AudioTrack* track = audio_track_;
    if (track == nullptr || chunk.size < 6) return;
    Wave shape;
    shape.format = track->format;
    shape.format_code = static_cast<uint8_t>((track->wave_type >> 4) & 0x07);
    shape.channels = track->channels;
    shape.bits = track->bits;
    shape.rate_hz = track->rate_hz;
    log_.Line(chunk.body.begin, 1,
              "format type " + Hex(track->format_type) + ", sequence type " + Hex(track->sequence_type) + ", " +
                  WaveText(shape) + " (wave type " + Hex(track->wave_type) + ", base bit " +
                  Hex(track->wave_base_bit) + "), " +
                  TimebaseText(track->duration_ms, track->duration_code, track->gate_ms, track->gate_code));
  }

  void ListSetup(const ChunkFact& chunk, const std::string& id, const std::string& size) {
    const uint8_t depth = chunk.depth;
    if (score_track_ == nullptr || id != "Mtsu") return log_.Line(chunk.at, depth, id + " setup" + size);
    const std::string_view bytes = file_.substr(chunk.at, chunk.size + size_t{8});
    if (first_setup_seen_ && bytes == first_setup_) {
      return log_.Line(chunk.at, depth, "Mtsu setup" + size + ", the same as in score track " +
                                            std::to_string(first_setup_track_));
    }
    log_.Line(chunk.at, depth, "Mtsu setup" + size);
    if (chunk.size == 0) log_.Line(chunk.body.begin, depth + 1, "no voice message");
    const std::vector<Voice>& voices = score_track_->voices;
    ListVoices(file_, voices, depth + 1, log_);
    if (!first_setup_seen_) {
      first_setup_seen_ = true;
      first_setup_track_ = score_track_->number;
      first_setup_ = bytes;
      result_.voices = static_cast<uint32_t>(voices.size());
    }
  }

  void ListSequence(const ChunkFact& chunk, const std::string& id, const std::string& size) {
    const uint8_t depth = chunk.depth;
    std::string text = id + " sequence" + size;
    if (score_track_ != nullptr && score_track_->format == SequenceFormat::kMobileCompressed) {
      text += ", compressed: " + Count(score_track_->decoded_size, "byte", "bytes") + " decoded";
    }
    log_.Line(chunk.at, depth, text);
    SequenceCounts counts;
    uint32_t timebase = 0;
    if (score_track_ != nullptr && score_track_->format != SequenceFormat::kOther && !listed_sequence_) {
      counts = ListScoreEvents(*score_track_, chunk, depth + 1, log_);
      timebase = score_track_->duration_ms;
      result_.notes += counts.notes;
    } else if (audio_track_ != nullptr && !listed_sequence_) {
      counts = ListAudioEvents(*audio_track_, depth + 1, log_);
      timebase = audio_track_->duration_ms;
    } else {
      return;
    }
    listed_sequence_ = true;
    std::string end = "end of sequence: " + Count(counts.events, "event", "events") + ", " +
                      Count(counts.notes, audio_track_ ? "wave" : "note", audio_track_ ? "waves" : "notes") + ", " +
                      std::to_string(counts.units) + " units";
    if (timebase != 0) end += " (" + std::to_string(counts.units * timebase) + " ms)";
    log_.Line(chunk.body.begin + chunk.body.size, depth + 1, end);
  }

  void ListWave(const ChunkFact& chunk, const std::string& id, const std::string& size) {
    const std::vector<Wave>* waves = score_track_ ? &score_track_->waves : audio_track_ ? &audio_track_->waves : nullptr;
    std::string text = id + " wave " + std::to_string(static_cast<uint8_t>(chunk.id[3])) + size;
    if (waves != nullptr) {
      for (const Wave& wave : *waves) {
        if (wave.at == chunk.at) text += ": " + WaveText(wave);
      }
    }
    log_.Line(chunk.at, chunk.depth, text);
  }

  void ListPhrases(const ChunkFact& chunk, const std::string& id, const std::string& size) {
    log_.Line(chunk.at, chunk.depth, id + " seek and phrase information" + size);
    const std::vector<PhraseMark>* marks =
        score_track_ ? &score_track_->phrases : audio_track_ ? &audio_track_->phrases : nullptr;
    if (marks == nullptr) return;
    for (const PhraseMark& mark : *marks) {
      if (mark.at < chunk.body.begin || mark.at >= chunk.body.begin + chunk.body.size) continue;
      const midifile::ByteView value = BytesOf(file_, mark.value);
      std::string text = "\"" + Printable(std::string_view(mark.tag.data(), 2)) + "\": " + HexBytes(value);
      if (value.size() == 4) {
        const uint32_t number = (uint32_t{midifile::ByteAt(value, 0)} << 24) | (uint32_t{midifile::ByteAt(value, 1)} << 16) |
                                (uint32_t{midifile::ByteAt(value, 2)} << 8) | midifile::ByteAt(value, 3);
        text += " (" + std::to_string(number) + ")";
      }
      log_.Line(mark.at, chunk.depth + 1, text);
    }
  }

  void Summarise() {
    result_.ok = result_.problems.empty();
    result_.summary = "summary: timebase " +
                      (result_.timebase_ms != 0 ? std::to_string(result_.timebase_ms) + " ms" : std::string("unknown")) +
                      ", " + Count(result_.score_tracks, "score track", "score tracks") + ", " +
                      Count(result_.voices, "voice", "voices") + ", " + Count(result_.notes, "note", "notes") + ", " +
                      (result_.audio_tracks != 0 ? Count(result_.audio_tracks, "audio track", "audio tracks") + ", "
                                                 : std::string()) +
                      Count(result_.problems.size(), "problem", "problems");
    result_.lines.push_back(result_.summary);
  }

  midifile::ByteView file_;
  const SmafScore& score_;
  SmafListing& result_;
  LineLog log_;
  const ScoreTrack* score_track_ = nullptr;
  const AudioTrack* audio_track_ = nullptr;
  bool listed_sequence_ = false;
  bool first_setup_seen_ = false;
  uint32_t first_setup_track_ = 0;
  std::string_view first_setup_;
};

}  // namespace
}  // namespace listing

const char* FormatName(SequenceFormat format, uint8_t code) {
  switch (format) {
    case SequenceFormat::kHandyphone: return "Handyphone Standard";
    case SequenceFormat::kMobileCompressed: return "Mobile Standard, compressed";
    case SequenceFormat::kMobile: return "Mobile Standard";
    default: return code == 3 ? "32 channels, not read" : "not read";
  }
}

std::vector<const Problem*> InFileOrder(const std::vector<Problem>& problems) {
  std::vector<const Problem*> ordered;
  ordered.reserve(problems.size());
  for (const Problem& problem : problems) ordered.push_back(&problem);
  std::stable_sort(ordered.begin(), ordered.end(), [](const Problem* a, const Problem* b) { return a->at < b->at; });
  return ordered;
}

std::string ProblemText(const Problem& problem) { return "at " + smaf::Hex(problem.at, 4) + ": " + problem.text; }

SmafListing ListSmaf(midifile::ByteView file, const SmafScore& score) {
  SmafListing result;
  listing::Lister(file, score, result).Run();
  return result;
}

}  // namespace chimekit::smafread
