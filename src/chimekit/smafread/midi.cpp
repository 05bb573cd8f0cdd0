// The MIDI writer: the conductor track, then each readable score track's
// events as MIDI messages, with the note-offs of all its notes (sorted by
// time, those of one time in the order of their notes) let out before the
// first event that comes at or after each (a note of gate 0: right after
// its note-on).
#include "chimekit/smafread/midi.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

#include "chimekit/smafread/huge_pages.h"
#include "chimekit/smafread/read.h"
#include "midifile/errors.h"
#include "midifile/smf_writer.h"

namespace chimekit::smafread {
namespace {

using midifile::ByteString;
using midifile::ByteView;

constexpr uint64_t kMaxDelta = 0x0FFFFFFF;  // the largest delta time of four bytes

// The rare path of a hot one, kept out of it, so that the hot one stays
// small enough to be inlined where it is called.
#if defined(__GNUC__)
#define CHIMEKIT_OUT_OF_LINE __attribute__((noinline, cold))
#elif defined(_MSC_VER)
#define CHIMEKIT_OUT_OF_LINE __declspec(noinline)
#else
#define CHIMEKIT_OUT_OF_LINE
#endif
constexpr uint8_t kNoteOffVelocity = 64;

// The MIDI file under construction: bytes written through a pointer into
// room made beforehand, the fast path of millions of short messages.
class MidiBuffer {
 public:
  explicit MidiBuffer(size_t capacity) { Resize(capacity); }

  // Room for `count` more bytes; write them, then Commit.
  char* Room(size_t count) {
    if (count > data_.size() - size_) Resize(std::max(2 * data_.size(), size_ + count));
    return data_.data() + size_;
  }
  void Commit(size_t count) { size_ += count; }
  void Append(ByteView bytes) {
    if (bytes.empty()) return;  // an empty view may hold no pointer
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
  }
  size_t size() const { return size_; }
  void Put16(size_t at, uint32_t value) {
    data_[at] = static_cast<char>(value >> 8);
    data_[at + 1] = static_cast<char>(value);
  }
  void Put32(size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) data_[at + i] = static_cast<char>(value >> (24 - 8 * i));
  }
  ByteString Take() {
    data_.resize(size_);
    return std::move(data_);
  }

 private:
  void Resize(size_t capacity) {
    data_.reserve(capacity);
    detail::OfferHugePages(data_.data(), data_.capacity());
    data_.resize(capacity);
  }

  ByteString data_;  // its size is the room; the bytes written are the first `size_`
  size_t size_ = 0;
};

// One MTrk chunk written into room made for it beforehand: `room` bytes,
// which the caller counts so that no write can pass them (a message with
// its delta time takes eight at most).
class TrackWriter {
 public:
  TrackWriter(MidiBuffer& file, size_t room) : file_(file), begin_(file.Room(room)), cursor_(begin_), end_(begin_ + room) {
    Put(ByteView("MTrk\0\0\0\0", 8));
  }

  // Where the next message goes and the time of the last, held apart from
  // the writer while a loop writes many messages: bytes written through a
  // char pointer might alias the writer's own fields, which the compiler
  // would otherwise read back after every byte.
  struct Position {
    char* bytes;
    uint64_t last;
  };
  Position position() const { return {cursor_, last_}; }
  void set_position(const Position& at) {
    cursor_ = at.bytes;
    last_ = at.last;
  }

  static void Message(Position& at, uint64_t time, uint32_t status, uint32_t first) {
    char* bytes = Delta(at, time);
    bytes[0] = static_cast<char>(status);
    bytes[1] = static_cast<char>(first);
    at.bytes = bytes + 2;
  }
  static void Message(Position& at, uint64_t time, uint32_t status, uint32_t first, uint32_t second) {
    char* bytes = Delta(at, time);
    bytes[0] = static_cast<char>(status);
    bytes[1] = static_cast<char>(first);
    bytes[2] = static_cast<char>(second);
    at.bytes = bytes + 3;
  }

  // A meta event (0xFF and its type) or an exclusive message (0xF0, no
  // type): the data after its length, and F7 after an exclusive message.
  void Data(uint64_t time, uint32_t status, uint32_t type, ByteView data) {
    const bool exclusive = status == 0xF0;
    if (data.size() + 16 > static_cast<size_t>(end_ - cursor_)) throw std::logic_error("MIDI track room miscounted");
    Position at = position();
    char* bytes = Delta(at, time);
    *bytes++ = static_cast<char>(status);
    if (!exclusive) *bytes++ = static_cast<char>(type);
    bytes += midifile::EncodeVarLength(static_cast<int32_t>(data.size() + (exclusive ? 1 : 0)), bytes);
    if (!data.empty()) std::memcpy(bytes, data.data(), data.size());  // an empty view may hold no pointer
    bytes += data.size();
    if (exclusive) *bytes++ = static_cast<char>(0xF7);
    at.bytes = bytes;
    set_position(at);
  }
  uint64_t last() const { return last_; }
  void End(uint64_t time) {
    Data(time, 0xFF, 0x2F, {});
    const size_t start = file_.size();
    const size_t size = static_cast<size_t>(cursor_ - begin_);
    if (size - 8 > 0xFFFFFFFFu) throw midifile::ConversionError("Track too long for one MIDI chunk");
    file_.Commit(size);
    file_.Put32(start + 4, static_cast<uint32_t>(size - 8));
  }

 private:
  void Put(ByteView bytes) {
    if (!bytes.empty()) std::memcpy(cursor_, bytes.data(), bytes.size());
    cursor_ += bytes.size();
  }

  // Writes the delta time to `time` (four bytes at most) and returns where
  // it ends.
  static char* Delta(Position& at, uint64_t time) {
    const uint64_t delta = time > at.last ? time - at.last : 0;
    at.last = time > at.last ? time : at.last;
    if (delta < 0x80) [[likely]] {
      *at.bytes = static_cast<char>(delta);
      return at.bytes + 1;
    }
    return at.bytes + LongDelta(delta, at.bytes);
  }

  CHIMEKIT_OUT_OF_LINE static size_t LongDelta(uint64_t delta, char* bytes) {
    if (delta > kMaxDelta) {
      throw midifile::ConversionError("Two events of the SMAF file lie " + std::to_string(delta) +
                                      " ms apart, more than a MIDI delta time holds");
    }
    return midifile::EncodeVarLength(static_cast<int32_t>(delta), bytes);
  }

  MidiBuffer& file_;
  char* begin_;
  char* cursor_;
  char* end_;
  uint64_t last_ = 0;
};

// A note-off in one number: its time above eleven bits of channel and
// key.
constexpr int kOffBits = 11;
constexpr uint64_t kLatestOff = (uint64_t{1} << (64 - kOffBits)) - 1;

// Sorts note-offs by their times, those of one time in the order of their
// notes: a stable sort of twelve bits of the time at a time from the
// lowest, as many passes as the latest time needs (linear in the notes).
void SortOffs(std::vector<uint64_t>& offs) {
  constexpr int kDigitBits = 12;
  constexpr size_t kDigits = size_t{1} << kDigitBits;
  uint64_t largest = 0;
  for (uint64_t off : offs) largest |= off;
  std::vector<uint64_t> scratch(offs.size());
  std::vector<uint32_t> counts(kDigits);
  for (int shift = kOffBits; shift < 64 && (largest >> shift) != 0; shift += kDigitBits) {
    std::fill(counts.begin(), counts.end(), 0);
    for (uint64_t off : offs) ++counts[(off >> shift) & (kDigits - 1)];
    uint32_t sum = 0;
    for (uint32_t& count : counts) {
      const uint32_t here = count;
      count = sum;
      sum += here;
    }
    for (uint64_t off : offs) scratch[counts[(off >> shift) & (kDigits - 1)]++] = off;
    offs.swap(scratch);
  }
}

void WriteConductor(ByteView file, const SmafScore& score, MidiBuffer& out) {
  const std::string title = TagText(file, score, 'S', 'T');
  const std::string copyright = TagText(file, score, 'C', 'R');
  const std::string artist = TagText(file, score, 'A', 'N');
  TrackWriter track(out, 128 + title.size() + copyright.size() + artist.size());
  if (!title.empty()) track.Data(0, 0xFF, 0x03, title);
  if (!copyright.empty()) track.Data(0, 0xFF, 0x02, copyright);
  if (!artist.empty()) track.Data(0, 0xFF, 0x01, artist);
  track.Data(0, 0xFF, 0x51, ByteView("\x07\xA1\x20", 3));  // 500,000 microseconds per quarter note
  track.End(0);
}

// The most a track's MIDI chunk takes: a note's two messages sixteen bytes
// at most, anything else eight, an exclusive message sixteen and its
// data; the chunk header, the name and the end of track sixty-four.
size_t TrackRoom(const ScoreTrack& track) { return 64 + 16 * track.events.size() + track.exclusive_bytes.size(); }

uint64_t WriteScoreTrack(const ScoreTrack& smaf, const std::array<uint8_t, 16>& channels, MidiBuffer& out) {
  TrackWriter track(out, TrackRoom(smaf));
  const std::string name = "score track " + std::to_string(smaf.number);
  track.Data(0, 0xFF, 0x03, name);
  // Every note's note-off, in the order they come: each is let out before
  // the first event at or after its time. A note of gate 0 ends at its own
  // time, so its note-off goes right after its note-on instead.
  std::vector<uint64_t> offs;
  offs.reserve(smaf.events.size());
  uint64_t notes = 0;
  for (const ScoreEvent& event : smaf.events) {
    if (event.kind != EventKind::kNote) continue;
    ++notes;
    if (event.gate_ms == 0) continue;
    const uint64_t end = event.time_ms + event.gate_ms;
    if (end > kLatestOff) throw midifile::ConversionError("A note of the SMAF file ends more than 2^53 ms into the song");
    offs.push_back((end << kOffBits) | (uint64_t{channels[event.channel & 0x0F] & 0x0Fu} << 7) | (event.key & 0x7Fu));
  }
  SortOffs(offs);
  const uint64_t* next_off = offs.data();
  const uint64_t* const last_off = next_off + offs.size();
  TrackWriter::Position at = track.position();
  auto release_until = [&](uint64_t time) {
    for (; next_off != last_off && (*next_off >> kOffBits) <= time; ++next_off) {
      TrackWriter::Message(at, *next_off >> kOffBits, 0x80u | ((*next_off >> 7) & 0x0F), *next_off & 0x7F,
                           kNoteOffVelocity);
    }
  };
  for (const ScoreEvent& event : smaf.events) {
    const uint64_t time = event.time_ms;
    if (next_off != last_off && (*next_off >> kOffBits) <= time) release_until(time);
    const uint32_t channel = channels[event.channel & 0x0F] & 0x0F;
    switch (event.kind) {
      case EventKind::kNote:
        TrackWriter::Message(at, time, 0x90 | channel, event.key & 0x7F,
                             event.velocity == 0 ? 1 : event.velocity & 0x7F);
        if (event.gate_ms == 0) TrackWriter::Message(at, time, 0x80 | channel, event.key & 0x7F, kNoteOffVelocity);
        break;
      case EventKind::kProgram:
        TrackWriter::Message(at, time, 0xC0 | channel, event.data & 0x7F);
        break;
      case EventKind::kControl:
        TrackWriter::Message(at, time, 0xB0 | channel, event.key & 0x7F,
                             event.key == 0 ? event.data & 0x7F : event.data > 0x7F ? 0x7F : event.data);
        break;
      case EventKind::kPitchBend:
        TrackWriter::Message(at, time, 0xE0 | channel, event.data & 0x7F, (event.data >> 7) & 0x7F);
        break;
      case EventKind::kChannelPressure:
        TrackWriter::Message(at, time, 0xD0 | channel, event.data & 0x7F);
        break;
      case EventKind::kKeyPressure:
        TrackWriter::Message(at, time, 0xA0 | channel, event.key & 0x7F, event.data & 0x7F);
        break;
      case EventKind::kExclusive:
        if (event.data < smaf.exclusives.size()) {
          track.set_position(at);
          track.Data(time, 0xF0, 0, BytesOf(smaf.exclusive_bytes, smaf.exclusives[event.data]));
          at = track.position();
        }
        break;
      default:
        break;
    }
  }
  release_until(UINT64_MAX);
  track.set_position(at);
  track.End(smaf.end_ms > track.last() ? smaf.end_ms : track.last());
  return notes;
}

const char* FormatName(SequenceFormat format) {
  return format == SequenceFormat::kHandyphone ? "Handyphone Standard" : "Mobile Standard";
}

// A readable score track in the summary: counted, its format named once.
void CountTrack(const ScoreTrack& track, MidiSummary& summary) {
  ++summary.score_tracks;
  const std::string name = FormatName(track.format);
  if (std::find(summary.formats.begin(), summary.formats.end(), name) == summary.formats.end()) {
    summary.formats.push_back(name);
  }
}

// The score tracks' MIDI chunks one after another, then the whole file.
// The header and the conductor track (from the texts of `texts`), then
// the score tracks' chunks one after another.
class MidiWriter {
 public:
  MidiWriter(ByteView file, const SmafScore& texts, size_t room) : out_(room) {
    const char division[2] = {static_cast<char>(kMidiDivision >> 8), static_cast<char>(kMidiDivision & 0xFF)};
    out_.Append(midifile::HeaderChunk(midifile::TFileFormat::multi_synch, 1, ByteView(division, 2)));
    WriteConductor(file, texts, out_);
  }

  void Add(const ScoreTrack& track) {
    if (!IsReadable(track)) return;
    MidiSummary& summary = result_.summary;
    if (summary.score_tracks + 1 > static_cast<uint32_t>(midifile::kMaxTrackCount) - 1) {
      throw midifile::ConversionError("Too many tracks for one MIDI file (at most 65535)");
    }
    CountTrack(track, summary);
    result_.channels.push_back(mapper_.Map(track));
    summary.notes += WriteScoreTrack(track, result_.channels.back(), out_);
  }

  SmafMidi Finish(const SmafScore& score) {
    result_.summary.audio_tracks = static_cast<uint32_t>(score.audio_tracks.size());
    out_.Put16(10, result_.summary.score_tracks + 1);  // the header's track count
    result_.bytes = out_.Take();
    return std::move(result_);
  }

 private:
  MidiBuffer out_;
  ChannelMapper mapper_;
  SmafMidi result_;
};

}  // namespace

std::string TagText(ByteView file, const SmafScore& score, char first, char second) {
  for (const DataEntry& entry : score.data_entries) {
    if (entry.tag[0] == first && entry.tag[1] == second) return std::string(BytesOf(file, entry.value));
  }
  for (const OptionTag& tag : score.content_info.tags) {
    if (tag.tag[0] == first && tag.tag[1] == second) return OptionValue(file, tag.value);
  }
  return {};
}

MidiSummary SummariseMidi(const SmafScore& score) {
  MidiSummary summary;
  for (const ScoreTrack& track : score.score_tracks) {
    if (!IsReadable(track)) continue;
    CountTrack(track, summary);
    for (const ScoreEvent& event : track.events) summary.notes += event.kind == EventKind::kNote;
  }
  summary.audio_tracks = static_cast<uint32_t>(score.audio_tracks.size());
  return summary;
}

SmafMidi SmafToMidi(ByteView file, const SmafScore& score) {
  size_t room = 1024 + file.size();
  for (const ScoreTrack& track : score.score_tracks) room += TrackRoom(track);
  MidiWriter writer(file, score, room);
  for (const ScoreTrack& track : score.score_tracks) writer.Add(track);
  return writer.Finish(score);
}

SmafMidi ReadSmafToMidi(ByteView file, SmafScore& score) {
  // The texts first, for the conductor track ahead of the score tracks.
  MidiWriter writer(file, ReadSmafTexts(file), 1024 + 2 * file.size());
  score = ReadSmafScore(file, [&writer](const ScoreTrack& track) { writer.Add(track); });
  return writer.Finish(score);
}

}  // namespace chimekit::smafread
