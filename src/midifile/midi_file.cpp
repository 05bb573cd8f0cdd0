#include "midifile/midi_file.h"

#include <algorithm>

#include "midifile/errors.h"
#include "midifile/file_io.h"
#include "midifile/rounding.h"
#include "midifile/track_reader.h"

namespace midifile {
namespace {

enum class ChunkKind { other, header, track };

// Hands every chunk of the file to `visit` (its kind and content), in file
// order; every byte is consumed as chunk headers and contents. Returns false
// when the bytes end inside a chunk header or content (a length field
// larger than the rest of the file included): nothing from there on is
// visited.
template <class Visit>
bool ForEachChunk(ByteView file_bytes, Visit&& visit) {
  size_t position = 0;
  while (position < file_bytes.size()) {
    if (file_bytes.size() - position < 8) return false;
    ByteView id = file_bytes.substr(position, 4);
    ChunkKind kind = ChunkKind::other;
    uint32_t length = 0;
    if (id[0] == 'M' && id[1] == 'T') {
      if (id[2] == 'h' && id[3] == 'd') kind = ChunkKind::header;
      if (id[2] == 'r' && id[3] == 'k') kind = ChunkKind::track;
      length = BigEndian(file_bytes, position + 4);
    }
    // An identifier that does not begin with "MT" is taken as a chunk of
    // length 0: only its 8 header bytes are consumed.
    position += 8;
    if (length > file_bytes.size() - position) return false;
    visit(kind, file_bytes.substr(position, length));
    position += length;
  }
  return true;
}

}  // namespace

TFileOutline OutlineFile(ByteView file_bytes) {
  TFileOutline outline;
  outline.complete = ForEachChunk(file_bytes, [&outline](ChunkKind kind, ByteView content) {
    // As a header chunk sets the format: a short one reads its missing bytes as 0.
    const uint8_t format = content.size() > 1 ? ByteAt(content, 1) : 0;
    if (kind == ChunkKind::header && format <= 2) outline.format = static_cast<TFileFormat>(format);
    if (kind == ChunkKind::track) ++outline.tracks;
  });
  return outline;
}

ByteString DivisionBytes(ByteView file_bytes) {
  if (file_bytes.size() < 14) throw InOutError::ReadBeyondEnd();
  return ByteString(file_bytes.substr(12, 2));
}

int32_t TMidiFile::ReadFile() { return ReadOwnedBytes(ReadWholeFile(filename_)); }

int32_t TMidiFile::ReadBytes(ByteView file_bytes) { return ReadOwnedBytes(ByteString(file_bytes)); }

int32_t TMidiFile::ReadOwnedBytes(ByteString&& owned_bytes) {
  tracks_.clear();
  bytes_ = std::make_unique<const ByteString>(std::move(owned_bytes));
  const ByteView file_bytes = *bytes_;

  // Room for every event the track chunks can hold, made once.
  size_t most_events = 0;
  ForEachChunk(file_bytes, [&most_events](ChunkKind kind, ByteView content) {
    if (kind == ChunkKind::track) most_events += MostEvents(content);
  });
  events_.Reserve(most_events);

  NotePairing pairing;
  const bool complete = ForEachChunk(file_bytes, [&](ChunkKind kind, ByteView content) {
    if (kind == ChunkKind::header) ReadHeaderChunk(content);
    if (kind != ChunkKind::track) return;
    TMidiTrack& track = tracks_.emplace_back();
    track.UseStorage(events_.End(), MostEvents(content));
    ApplyTempo(ReadTrackEvents(content, track, pairing));
    events_.Commit(static_cast<size_t>(track.EventCount()));
  });

  // The room no track used is given back (from a large block), and each
  // track finds its events where the block now holds them.
  events_.Trim();
  TMidiEvent* storage = events_.data();
  for (TMidiTrack& track : tracks_) {
    track.UseStorage(storage, static_cast<size_t>(track.EventCount()));
    storage += track.EventCount();
  }
  // On a failure the tracks read so far stay loaded, and the track count
  // tells how many they are.
  number_of_tracks_ = static_cast<int32_t>(tracks_.size());
  if (!complete) throw InOutError::ReadBeyondEnd();
  return number_of_tracks_;
}

void TMidiFile::ReadHeaderChunk(ByteView content) {
  // Bytes missing from a short header read as 0.
  uint8_t header[6] = {0, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < 6 && i < content.size(); ++i) header[i] = ByteAt(content, i);
  SetHeader(header[1], (header[2] << 8) | header[3], (header[4] << 8) | header[5]);
}

void TMidiFile::SetHeader(uint8_t format, int32_t tracks, int32_t division) {
  if (format <= 2) file_format_ = static_cast<TFileFormat>(format);
  number_of_tracks_ = tracks;
  ticks_per_quarter_ = division;
  bpm_ = 120;
  tick_duration_ = ticks_per_quarter_ != 0 ? kDefaultTempo / static_cast<double>(ticks_per_quarter_) : 0.0;
}

void TMidiFile::ApplyTempo(uint32_t microseconds_per_quarter) {
  if (microseconds_per_quarter == 0) return;
  bpm_ = static_cast<int32_t>(60000000u / microseconds_per_quarter);
  tick_duration_ =
      ticks_per_quarter_ != 0 ? microseconds_per_quarter / static_cast<double>(ticks_per_quarter_) : 0.0;
}

void TMidiFile::SetBpm(int32_t bpm) {
  if (bpm == bpm_ || bpm <= 0 || bpm > 60000000) return;
  ApplyTempo(static_cast<uint32_t>(60000000 / bpm));
}

TMidiTrack& TMidiFile::GetTrack(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(tracks_.size())) throw ListIndexError(index);
  return tracks_[static_cast<size_t>(index)];
}

const TMidiTrack& TMidiFile::GetTrack(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(tracks_.size())) throw ListIndexError(index);
  return tracks_[static_cast<size_t>(index)];
}

int32_t TMidiFile::SongLengthMs() const {
  if (tracks_.empty()) return 0;
  int32_t longest = tracks_.front().TrackLength();
  for (const TMidiTrack& track : tracks_) longest = std::max(longest, track.TrackLength());
  return RoundEven(static_cast<double>(longest) * tick_duration_ / 1000.0);
}

}  // namespace midifile
