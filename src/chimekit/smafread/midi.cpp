// The MIDI writer: the conductor track, then each readable score track's
// events as MIDI messages, with each note's note-off let out of a queue of
// pending ones (ordered by time, then by the order of their notes) before
// the first event that comes at or after it.
#include "chimekit/smafread/midi.h"

#include <functional>
#include <queue>

#include "chimekit/smafread/read.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"

namespace chimekit::smafread {
namespace {

using midifile::AppendByte;
using midifile::ByteString;
using midifile::ByteView;

constexpr uint64_t kMaxDelta = 0x0FFFFFFF;  // the largest delta time of four bytes
constexpr uint8_t kNoteOffVelocity = 64;

class TrackWriter {
 public:
  explicit TrackWriter(ByteString& file) : file_(file), start_(midifile::BeginTrackChunk(file)) {}

  void Message(uint64_t time, uint32_t status, uint32_t first) {
    At(time);
    AppendByte(file_, status);
    AppendByte(file_, first);
  }
  void Message(uint64_t time, uint32_t status, uint32_t first, uint32_t second) {
    Message(time, status, first);
    AppendByte(file_, second);
  }
  void Meta(uint64_t time, uint32_t type, ByteView data) {
    At(time);
    AppendByte(file_, 0xFF);
    AppendByte(file_, type);
    midifile::AppendDataLength(file_, static_cast<uint32_t>(data.size()));
    file_.append(data);
  }
  void Exclusive(uint64_t time, ByteView data) {
    At(time);
    AppendByte(file_, 0xF0);
    midifile::AppendDataLength(file_, static_cast<uint32_t>(data.size() + 1));
    file_.append(data);
    AppendByte(file_, 0xF7);
  }
  uint64_t last() const { return last_; }
  void End(uint64_t time) {
    Meta(time, 0x2F, {});
    midifile::EndTrackChunk(file_, start_);
  }

 private:
  void At(uint64_t time) {
    const uint64_t delta = time > last_ ? time - last_ : 0;
    if (delta > kMaxDelta) {
      throw midifile::ConversionError("Two events of the SMAF file lie " + std::to_string(delta) +
                                      " ms apart, more than a MIDI delta time holds");
    }
    midifile::AppendVarLength(file_, static_cast<int32_t>(delta));
    if (time > last_) last_ = time;
  }

  ByteString& file_;
  size_t start_;
  uint64_t last_ = 0;
};

struct PendingOff {
  uint64_t time;
  uint64_t order;
  uint8_t channel;
  uint8_t key;
  bool operator>(const PendingOff& other) const {
    return time != other.time ? time > other.time : order > other.order;
  }
};

// The first text of a tag: the optional data's entries before the content
// information's option text.
std::string TagText(ByteView file, const SmafScore& score, char first, char second) {
  for (const DataEntry& entry : score.data_entries) {
    if (entry.tag[0] == first && entry.tag[1] == second) return std::string(BytesOf(file, entry.value));
  }
  for (const OptionTag& tag : score.content_info.tags) {
    if (tag.tag[0] == first && tag.tag[1] == second) return OptionValue(file, tag.value);
  }
  return {};
}

void WriteConductor(ByteView file, const SmafScore& score, ByteString& out) {
  TrackWriter track(out);
  const std::string title = TagText(file, score, 'S', 'T');
  const std::string copyright = TagText(file, score, 'C', 'R');
  const std::string artist = TagText(file, score, 'A', 'N');
  if (!title.empty()) track.Meta(0, 0x03, title);
  if (!copyright.empty()) track.Meta(0, 0x02, copyright);
  if (!artist.empty()) track.Meta(0, 0x01, artist);
  track.Meta(0, 0x51, ByteView("\x07\xA1\x20", 3));  // 500,000 microseconds per quarter note
  track.End(0);
}

uint64_t WriteScoreTrack(const ScoreTrack& smaf, const std::array<uint8_t, 16>& channels, ByteString& out) {
  TrackWriter track(out);
  const std::string name = "score track " + std::to_string(smaf.number);
  track.Meta(0, 0x03, name);
  std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<>> pending;
  uint64_t order = 0;
  uint64_t notes = 0;
  auto release_until = [&](uint64_t time) {
    while (!pending.empty() && pending.top().time <= time) {
      const PendingOff off = pending.top();
      pending.pop();
      track.Message(off.time, 0x80u | off.channel, off.key, kNoteOffVelocity);
    }
  };
  for (const ScoreEvent& event : smaf.events) {
    release_until(event.time_ms);
    const uint32_t channel = channels[event.channel & 0x0F] & 0x0F;
    const uint64_t time = event.time_ms;
    switch (event.kind) {
      case EventKind::kNote:
        track.Message(time, 0x90 | channel, event.key & 0x7F, event.velocity == 0 ? 1 : event.velocity & 0x7F);
        pending.push({time + event.gate_ms, order++, static_cast<uint8_t>(channel), static_cast<uint8_t>(event.key & 0x7F)});
        ++notes;
        break;
      case EventKind::kProgram:
        track.Message(time, 0xC0 | channel, event.data & 0x7F);
        break;
      case EventKind::kControl:
        track.Message(time, 0xB0 | channel, event.key & 0x7F,
                      event.key == 0 ? event.data & 0x7F : event.data > 0x7F ? 0x7F : event.data);
        break;
      case EventKind::kPitchBend:
        track.Message(time, 0xE0 | channel, event.data & 0x7F, (event.data >> 7) & 0x7F);
        break;
      case EventKind::kChannelPressure:
        track.Message(time, 0xD0 | channel, event.data & 0x7F);
        break;
      case EventKind::kKeyPressure:
        track.Message(time, 0xA0 | channel, event.key & 0x7F, event.data & 0x7F);
        break;
      case EventKind::kExclusive:
        if (event.data < smaf.exclusives.size()) track.Exclusive(time, BytesOf(smaf.exclusive_bytes, smaf.exclusives[event.data]));
        break;
      default:
        break;
    }
  }
  release_until(UINT64_MAX);
  track.End(smaf.end_ms > track.last() ? smaf.end_ms : track.last());
  return notes;
}

const char* FormatName(SequenceFormat format) {
  return format == SequenceFormat::kHandyphone ? "Handyphone Standard" : "Mobile Standard";
}

}  // namespace

SmafMidi SmafToMidi(ByteView file, const SmafScore& score) {
  SmafMidi result;
  result.channels = MapChannels(score);
  MidiSummary& summary = result.summary;
  summary.audio_tracks = static_cast<uint32_t>(score.audio_tracks.size());
  for (const ScoreTrack& track : score.score_tracks) {
    if (!IsReadable(track)) continue;
    ++summary.score_tracks;
    const std::string name = FormatName(track.format);
    bool named = false;
    for (const std::string& format : summary.formats) named = named || format == name;
    if (!named) summary.formats.push_back(name);
  }
  const char division[2] = {static_cast<char>(kMidiDivision >> 8), static_cast<char>(kMidiDivision & 0xFF)};
  ByteString& out = result.bytes;
  out = midifile::HeaderChunk(midifile::TFileFormat::multi_synch, static_cast<int32_t>(summary.score_tracks) + 1,
                              ByteView(division, 2));
  WriteConductor(file, score, out);
  size_t index = 0;
  for (const ScoreTrack& track : score.score_tracks) {
    if (!IsReadable(track)) continue;
    summary.notes += WriteScoreTrack(track, result.channels[index++], out);
  }
  return result;
}

}  // namespace chimekit::smafread
