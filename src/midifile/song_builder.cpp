#include "midifile/song_builder.h"

#include <memory>

#include "midifile/rounding.h"
#include "midifile/smf_writer.h"
#include "midifile/track_reader.h"

namespace midifile {

TSongBuilder::TSongBuilder(TFileFormat format, uint16_t division, size_t events) {
  file_.SetHeader(static_cast<uint8_t>(format), 0, division);
  if (events > 0) events_.Reserve(events);
}

void TSongBuilder::BeginTrack() {
  tracks_.push_back(Track{events_.size()});
  pairing_.Reset();
}

void TSongBuilder::Add(uint8_t status, uint8_t data1, uint8_t data2, int32_t delta, ByteView data) {
  Track& track = tracks_.back();
  const size_t index = events_.size();
  TMidiEvent event;
  event.Status = status;
  event.DeltaTime = delta;
  track.time = WrappingAdd(track.time, delta);
  event.Time = track.time;
  if (status == 0xFF || status == 0xF0 || status == 0xF7) {
    if (status == 0xFF) event.Data1 = data1;
    event.Data2 = static_cast<uint8_t>(data.size() & 0xFF);
    data_of_.emplace_back(index, data_.size());
    AppendDataLength(data_, static_cast<uint32_t>(data.size()));
    data_.append(data);
  } else if (status >= 0x80 && status < 0xF0) {
    // The data bytes the status has, as the reader reads them.
    const uint8_t kind = status & 0xF0;
    event.Data1 = data1;
    if (kind != 0xC0 && kind != 0xD0) event.Data2 = data2;
  }
  if (status == 0xFF) {
    if (data1 == 0x03) track.name = index;
    if (data1 == 0x04) track.instrument = index;
    if (data1 == 0x51 && data.size() >= 3 && TempoDataValue(data) != 0) track.tempo = TempoDataValue(data);
    if (data1 == 0x2F && track.to_end == 0) track.to_end = index - track.first + 1;
  }
  const uint8_t kind = status & 0xF0;
  if (kind == 0x80 || kind == 0x90) PairNote(events_.data() + track.first, index - track.first, event, pairing_);
  events_.Append(event);
}

TMidiFile TSongBuilder::Finish() {
  events_.Trim();
  file_.bytes_ = std::make_unique<const ByteString>(std::move(data_));
  const char* const data = file_.bytes_->data();
  TMidiEvent* const events = events_.data();
  for (const auto& [index, offset] : data_of_) events[index].DataBytes = TEventData(data + offset);
  const auto data_of = [events](size_t index) { return index == kNone ? TEventData() : events[index].DataBytes; };
  file_.tracks_.clear();
  for (size_t t = 0; t < tracks_.size(); ++t) {
    const Track& track = tracks_[t];
    const size_t count = (t + 1 < tracks_.size() ? tracks_[t + 1].first : events_.size()) - track.first;
    TMidiTrack& loaded = file_.tracks_.emplace_back();
    loaded.UseStorage(events + track.first, count);
    loaded.FinishReading(count, track.to_end == 0 ? count : track.to_end, data_of(track.name),
                         data_of(track.instrument));
    file_.ApplyTempo(track.tempo);
  }
  file_.number_of_tracks_ = static_cast<int32_t>(tracks_.size());
  file_.events_ = std::move(events_);
  return std::move(file_);
}

}  // namespace midifile
