// A song rewritten in memory: the twin of TrackOutput that the ringtone
// job's stages write into, with the same calls, so that a stage is the
// export's own step. What a stage writes is what the reader would load from
// the bytes TrackOutput writes for the same calls (a delta beyond 2^31 - 1
// refused, a negative one taken as 0, channel messages with the data bytes
// their status has, end of track and tempo as the meta-event writer shapes
// them) but for one thing: any other meta event keeps its type and data.
//
// A song may follow labels: each note-on of velocity above 0 that a stage
// writes carries the label of the input event it came from, so that the
// job can tell where each note of the song it read went.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "midifile/bytes.h"
#include "midifile/midi_file.h"
#include "midifile/smf_writer.h"
#include "midifile/song_builder.h"

namespace chimekit {

inline constexpr uint32_t kNoLabel = UINT32_MAX;

struct Song {
  midifile::TMidiFile file;
  // Per event of the file (the tracks' events one after the other): the
  // label of a note-on, kNoLabel for anything else. Empty when the song
  // follows no labels.
  std::vector<uint32_t> labels;
};

// The song of a loaded file; with labels, each note-on labelled by its own
// index among the file's events.
Song LoadedSong(midifile::TMidiFile file, bool labelled);

// One track of a song being built, with TrackOutput's calls.
class SongTrackOutput {
 public:
  // Begins a track of `song`. With `labels` (the output song's), the
  // labels of the input track's events are `input_labels`.
  SongTrackOutput(midifile::TSongBuilder& song, std::vector<uint32_t>* labels, const uint32_t* input_labels);
  SongTrackOutput(const SongTrackOutput&) = delete;
  SongTrackOutput& operator=(const SongTrackOutput&) = delete;

  // The input track's event in hand: the note-ons written from now on came
  // from it.
  void From(size_t input_index) {
    if (input_labels_ != nullptr) label_ = input_labels_[input_index];
  }
  void Label(uint32_t label) { label_ = label; }

  void Carry(int32_t delta) { carried_ += delta; }
  // with_status matters only to bytes: in memory every event has its status.
  void ChannelEvent(int32_t delta, uint8_t status, uint8_t data1, uint8_t data2, bool with_status = true);
  void ChannelEventAtLast(uint8_t status, uint8_t data1, uint8_t data2);
  void MetaEvent(int32_t delta, uint8_t type, uint8_t length, midifile::ByteView data);
  void TextEvent(int32_t delta, uint8_t type, midifile::ByteView text);
  bool Ended() const { return ended_; }
  void Finish();

 private:
  int32_t TakeDelta(int32_t delta);
  void Add(uint8_t status, uint8_t data1, uint8_t data2, int32_t delta, midifile::ByteView data = {});

  midifile::TSongBuilder& song_;
  std::vector<uint32_t>* labels_;
  const uint32_t* input_labels_;
  uint32_t label_ = kNoLabel;
  int64_t carried_ = 0;
  bool ended_ = false;
};

inline constexpr size_t kAsManyEvents = SIZE_MAX;

// Writes a song: the input's format and tracks, the division given (the one
// a rewritten file's header carries), each track filled by
// `write_track(track, index, out)`, then finished. Labels are followed when
// the input follows them. More tracks than a header can count (65535) are
// refused as a rewrite refuses them. Room is made for about `events`
// events, by default as many as the input has.
template <class WriteTrack>
Song RewriteSong(const Song& input, uint16_t division, WriteTrack&& write_track, size_t events = kAsManyEvents) {
  const midifile::TMidiFile& file = input.file;
  midifile::CheckTrackCount(file.NumberOfTracks());
  if (events == kAsManyEvents) {
    events = 16;
    for (int32_t t = 0; t < file.NumberOfTracks(); ++t) events += file.GetTrack(t).Events().size();
  }
  midifile::TSongBuilder builder(file.FileFormat(), division, events);
  Song output;
  const bool labelled = !input.labels.empty();
  if (labelled) output.labels.reserve(events);
  size_t first = 0;
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    const midifile::TMidiTrack& track = file.GetTrack(t);
    SongTrackOutput out(builder, labelled ? &output.labels : nullptr, labelled ? input.labels.data() + first : nullptr);
    write_track(track, t, out);
    out.Finish();
    first += track.Events().size();
  }
  output.file = builder.Finish();
  return output;
}

}  // namespace chimekit
