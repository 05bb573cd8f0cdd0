#include "chimekit/editing/song_output.h"

#include <algorithm>
#include <numeric>

#include "midifile/errors.h"
#include "midifile/smf_writer.h"

namespace chimekit {

Song LoadedSong(midifile::TMidiFile file, bool labelled) {
  Song song{std::move(file), {}};
  if (labelled) {
    size_t events = 0;
    for (int32_t t = 0; t < song.file.NumberOfTracks(); ++t) events += song.file.GetTrack(t).Events().size();
    song.labels.resize(events);
    std::iota(song.labels.begin(), song.labels.end(), uint32_t{0});
  }
  return song;
}

SongTrackOutput::SongTrackOutput(midifile::TSongBuilder& song, std::vector<uint32_t>* labels,
                                 const uint32_t* input_labels)
    : song_(song), labels_(labels), input_labels_(input_labels) {
  song_.BeginTrack();
}

int32_t SongTrackOutput::TakeDelta(int32_t delta) {
  // As a file holds it: beyond 2^31 - 1 refused, below 0 written as 0.
  const int32_t total = midifile::CheckedDeltaTime(carried_ + delta);
  carried_ = 0;
  return std::max(total, 0);
}

void SongTrackOutput::Add(uint8_t status, uint8_t data1, uint8_t data2, int32_t delta, midifile::ByteView data) {
  song_.Add(status, data1, data2, delta, data);
  if (labels_ != nullptr) labels_->push_back((status & 0xF0) == 0x90 && data2 != 0 ? label_ : kNoLabel);
}

void SongTrackOutput::ChannelEvent(int32_t delta, uint8_t status, uint8_t data1, uint8_t data2, bool) {
  Add(status, data1, data2, TakeDelta(delta));
}

void SongTrackOutput::ChannelEventAtLast(uint8_t status, uint8_t data1, uint8_t data2) {
  const int64_t carried = carried_;
  carried_ = 0;
  ChannelEvent(0, status, data1, data2);
  carried_ = carried;
}

void SongTrackOutput::MetaEvent(int32_t delta, uint8_t type, uint8_t length, midifile::ByteView data) {
  const int32_t written = TakeDelta(delta);
  if (type == 0x2F) {
    Add(0xFF, 0x2F, 0, written);
    ended_ = true;
  } else if (type == 0x51) {
    // Three data bytes, padded with zeros or cut, as the meta-event writer writes a tempo.
    char tempo[3] = {0, 0, 0};
    std::copy_n(data.begin(), std::min<size_t>(data.size(), 3), tempo);
    Add(0xFF, 0x51, 3, written, midifile::ByteView(tempo, 3));
  } else {
    (void)length;  // the data is kept whole
    Add(0xFF, type, 0, written, data);
  }
}

void SongTrackOutput::TextEvent(int32_t delta, uint8_t type, midifile::ByteView text) {
  const int32_t written = TakeDelta(delta);
  if (text.size() > 0x7FFFFFFFu) throw midifile::ConversionError("Tag text too long for a MIDI file");
  Add(0xFF, type, 0, written, text);
}

void SongTrackOutput::Finish() {
  if (!ended_) MetaEvent(0, 0x2F, 0, {});
}

}  // namespace chimekit
