// The MIDI writer: the conductor track, then each readable score track's
// events as MIDI messages, with each note's note-off let out of a queue of
// pending ones (ordered by time, then by channel and key) before
// the first event that comes at or after it.
#include "chimekit/smafread/midi.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "chimekit/smafread/read.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"

namespace chimekit::smafread {
namespace {

using midifile::ByteString;
using midifile::ByteView;

constexpr uint64_t kMaxDelta = 0x0FFFFFFF;  // the largest delta time of four bytes
constexpr uint8_t kNoteOffVelocity = 64;

// The MIDI file under construction: bytes written through a pointer into
// room made beforehand, the fast path of millions of short messages.
class MidiBuffer {
 public:
  explicit MidiBuffer(size_t capacity) : data_(new char[capacity]), capacity_(capacity) {}

  // Room for `count` more bytes; write them, then Commit.
  char* Room(size_t count) {
    if (count > capacity_ - size_) Grow(count);
    return data_.get() + size_;
  }
  void Commit(size_t count) { size_ += count; }
  void Append(ByteView bytes) {
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
  }
  size_t size() const { return size_; }
  void Put32(size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) data_[at + i] = static_cast<char>(value >> (24 - 8 * i));
  }
  ByteView view() const { return ByteView(data_.get(), size_); }

 private:
  void Grow(size_t count) {
    const size_t capacity = std::max(2 * capacity_, size_ + count);
    std::unique_ptr<char[]> data(new char[capacity]);
    std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_;
};

class TrackWriter {
 public:
  explicit TrackWriter(MidiBuffer& file) : file_(file), start_(file.size()) { file.Append(ByteView("MTrk\0\0\0\0", 8)); }

  void Message(uint64_t time, uint32_t status, uint32_t first) {
    char* bytes = file_.Room(kMaxMessage);
    size_t count = Delta(time, bytes);
    bytes[count++] = static_cast<char>(status);
    bytes[count++] = static_cast<char>(first);
    file_.Commit(count);
  }
  void Message(uint64_t time, uint32_t status, uint32_t first, uint32_t second) {
    char* bytes = file_.Room(kMaxMessage);
    size_t count = Delta(time, bytes);
    bytes[count++] = static_cast<char>(status);
    bytes[count++] = static_cast<char>(first);
    bytes[count++] = static_cast<char>(second);
    file_.Commit(count);
  }
  // A meta event (0xFF and its type) or an exclusive message (0xF0, no
  // type): the data after its length, and F7 after an exclusive message.
  void Data(uint64_t time, uint32_t status, uint32_t type, ByteView data) {
    const bool exclusive = status == 0xF0;
    char* bytes = file_.Room(kMaxMessage + midifile::kMaxVarLength);
    size_t count = Delta(time, bytes);
    bytes[count++] = static_cast<char>(status);
    if (!exclusive) bytes[count++] = static_cast<char>(type);
    count += midifile::EncodeVarLength(static_cast<int32_t>(data.size() + (exclusive ? 1 : 0)), bytes + count);
    file_.Commit(count);
    file_.Append(data);
    if (exclusive) file_.Append(ByteView("\xF7", 1));
  }
  uint64_t last() const { return last_; }
  void End(uint64_t time) {
    Data(time, 0xFF, 0x2F, {});
    const size_t length = file_.size() - start_ - 8;
    if (length > 0xFFFFFFFFu) throw midifile::ConversionError("Track too long for one MIDI chunk");
    file_.Put32(start_ + 4, static_cast<uint32_t>(length));
  }

 private:
  static constexpr size_t kMaxMessage = 8;  // a delta time of four bytes and a message of three

  // The delta time to `time` into `bytes` (four at most); returns its size.
  size_t Delta(uint64_t time, char* bytes) {
    uint64_t delta = 0;
    if (time > last_) {
      delta = time - last_;
      last_ = time;
    }
    if (delta < 0x80) {
      bytes[0] = static_cast<char>(delta);
      return 1;
    }
    if (delta > kMaxDelta) {
      throw midifile::ConversionError("Two events of the SMAF file lie " + std::to_string(delta) +
                                      " ms apart, more than a MIDI delta time holds");
    }
    return midifile::EncodeVarLength(static_cast<int32_t>(delta), bytes);
  }

  MidiBuffer& file_;
  size_t start_;
  uint64_t last_ = 0;
};

// A pending note-off in one number: its time above eleven bits of channel
// and key, so that the smallest comes first and note-offs at one time come
// by channel and key.
constexpr int kOffBits = 11;
constexpr uint64_t kLatestOff = (uint64_t{1} << (64 - kOffBits)) - 1;

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

void WriteConductor(ByteView file, const SmafScore& score, MidiBuffer& out) {
  TrackWriter track(out);
  const std::string title = TagText(file, score, 'S', 'T');
  const std::string copyright = TagText(file, score, 'C', 'R');
  const std::string artist = TagText(file, score, 'A', 'N');
  if (!title.empty()) track.Data(0, 0xFF, 0x03, title);
  if (!copyright.empty()) track.Data(0, 0xFF, 0x02, copyright);
  if (!artist.empty()) track.Data(0, 0xFF, 0x01, artist);
  track.Data(0, 0xFF, 0x51, ByteView("\x07\xA1\x20", 3));  // 500,000 microseconds per quarter note
  track.End(0);
}

uint64_t WriteScoreTrack(const ScoreTrack& smaf, const std::array<uint8_t, 16>& channels, MidiBuffer& out) {
  TrackWriter track(out);
  const std::string name = "score track " + std::to_string(smaf.number);
  track.Data(0, 0xFF, 0x03, name);
  std::vector<uint64_t> pending;  // a heap, the first note-off on top
  uint64_t notes = 0;
  auto release_until = [&](uint64_t time) {
    while (!pending.empty() && (pending.front() >> kOffBits) <= time) {
      const uint64_t off = pending.front();
      std::pop_heap(pending.begin(), pending.end(), std::greater<>());
      pending.pop_back();
      track.Message(off >> kOffBits, 0x80u | ((off >> 7) & 0x0F), off & 0x7F, kNoteOffVelocity);
    }
  };
  for (const ScoreEvent& event : smaf.events) {
    release_until(event.time_ms);
    const uint32_t channel = channels[event.channel & 0x0F] & 0x0F;
    const uint64_t time = event.time_ms;
    switch (event.kind) {
      case EventKind::kNote:
        track.Message(time, 0x90 | channel, event.key & 0x7F, event.velocity == 0 ? 1 : event.velocity & 0x7F);
        if (time + event.gate_ms > kLatestOff) {
          throw midifile::ConversionError("A note of the SMAF file ends more than 2^53 ms into the song");
        }
        pending.push_back(((time + event.gate_ms) << kOffBits) | (channel << 7) | (event.key & 0x7Fu));
        std::push_heap(pending.begin(), pending.end(), std::greater<>());
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
        if (event.data < smaf.exclusives.size()) {
          track.Data(time, 0xF0, 0, BytesOf(smaf.exclusive_bytes, smaf.exclusives[event.data]));
        }
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

// The most a track's MIDI chunk takes: a note's two messages sixteen bytes
// at most, anything else eight but an exclusive message's data.
size_t TrackRoom(const ScoreTrack& track) { return 64 + 16 * track.events.size() + track.exclusive_bytes.size(); }

// The score tracks' MIDI chunks one after another, then the whole file.
class MidiWriter {
 public:
  explicit MidiWriter(size_t room) : tracks_(room) {}

  void Add(const ScoreTrack& track) {
    if (!IsReadable(track)) return;
    MidiSummary& summary = result_.summary;
    ++summary.score_tracks;
    const std::string name = FormatName(track.format);
    if (std::find(summary.formats.begin(), summary.formats.end(), name) == summary.formats.end()) {
      summary.formats.push_back(name);
    }
    result_.channels.push_back(mapper_.Map(track));
    tracks_.Room(TrackRoom(track));
    summary.notes += WriteScoreTrack(track, result_.channels.back(), tracks_);
  }

  // The header, the conductor track and the score tracks' chunks.
  SmafMidi Finish(ByteView file, const SmafScore& score) {
    result_.summary.audio_tracks = static_cast<uint32_t>(score.audio_tracks.size());
    const char division[2] = {static_cast<char>(kMidiDivision >> 8), static_cast<char>(kMidiDivision & 0xFF)};
    MidiBuffer head(1024);
    head.Append(midifile::HeaderChunk(midifile::TFileFormat::multi_synch,
                                      static_cast<int32_t>(result_.summary.score_tracks) + 1, ByteView(division, 2)));
    WriteConductor(file, score, head);
    ByteString& bytes = result_.bytes;
    bytes.reserve(head.size() + tracks_.size());
    bytes.append(head.view());
    bytes.append(tracks_.view());
    return std::move(result_);
  }

 private:
  MidiBuffer tracks_;
  ChannelMapper mapper_;
  SmafMidi result_;
};

}  // namespace

SmafMidi SmafToMidi(ByteView file, const SmafScore& score) {
  size_t room = 256;
  for (const ScoreTrack& track : score.score_tracks) room += TrackRoom(track);
  MidiWriter writer(room);
  for (const ScoreTrack& track : score.score_tracks) writer.Add(track);
  return writer.Finish(file, score);
}

SmafMidi ReadSmafToMidi(ByteView file, SmafScore& score) {
  MidiWriter writer(256 + 2 * file.size());
  score = ReadSmafScore(file, [&writer](const ScoreTrack& track) { writer.Add(track); });
  return writer.Finish(file, score);
}

}  // namespace chimekit::smafread
