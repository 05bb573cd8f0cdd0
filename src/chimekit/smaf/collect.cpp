#include "chimekit/smaf/collect.h"

#include <algorithm>
#include <limits>

#include "midifile/rounding.h"

namespace chimekit::smaf {
namespace {

constexpr int64_t kMaxTime = std::numeric_limits<int32_t>::max();

int32_t SaturateTime(int64_t ms) { return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, kMaxTime)); }

// MIDI volume 0-127 scaled to the SMAF range.
int32_t ScaleVolume(int32_t value) { return midifile::RoundEven(static_cast<double>(value) / 1.2); }

// A channel's volume is scaled when a volume controller sets it (a channel
// starts at 128, unscaled), and once more when an entry takes it.
constexpr int32_t kInitialChannelVolume = 128;
int32_t EntryVolume(int32_t controller_value) { return ScaleVolume(ScaleVolume(controller_value)); }

void AddTagText(midifile::ByteString& tag, const char* prefix, midifile::ByteView text) {
  if (tag.empty()) {
    tag = prefix;
  } else {
    tag += "; ";
  }
  tag += text;
  tag += ',';
}

// A note-on with a positive velocity and a positive length, a channel
// pressure or a pitch bend. A note-on of velocity 0 releases a note even
// when a later note-off paired with it and gave it a length.
bool MakesEntry(const midifile::TMidiEvent& event) {
  const uint8_t kind = event.Status & 0xF0;
  if (kind == 0x90) return event.Data2 > 0 && event.Duration > 0;
  return kind == 0xD0 || kind == 0xE0;
}

void TakeControl(TSmafSettings& channel, uint8_t controller, uint8_t value) {
  switch (controller) {
    case 0:  // bank select: an odd bank is a drum part
      channel.drum = (value & 1) != 0;
      break;
    case 1:
      channel.modulation = value;
      break;
    case 7:
      channel.volume = EntryVolume(value);
      break;
    case 10:
      channel.pan = value;
      break;
    default:
      break;
  }
}

}  // namespace

void TSmafTags::Add(uint8_t meta_type, midifile::ByteView text) {
  switch (meta_type) {
    case 0x01:
      AddTagText(vendor, "VN:", text);
      break;
    case 0x02:
      AddTagText(copyright, "CR:", text);
      break;
    case 0x03:
      AddTagText(title, "ST:", text);
      break;
    default:
      break;
  }
}

midifile::ByteString TSmafTags::OptionText() const {
  midifile::ByteString text = vendor + copyright + title;
  while (!text.empty() && text.back() == ',') text.pop_back();
  text += ',';
  return text;
}

int32_t TicksToMs(int64_t ticks, int64_t tempo_product) {
  if (tempo_product <= 0 || ticks == 0) return 0;
  // Kept in exactly this order: algebraically equal forms round differently.
  double ms = static_cast<double>(ticks) / (static_cast<double>(tempo_product) / 60.0) * 1000.0;
  return SaturateTime(midifile::RoundEven64(ms));
}

TCollector::TCollector(const midifile::TMidiTrack& track, int64_t tempo_product)
    : events_(track.ToEndOfTrack()), ms_(TicksInMs{tempo_product}) {
  TSmafSettings initial;
  initial.volume = ScaleVolume(kInitialChannelVolume);
  channels_.fill(initial);
}

bool TCollector::Next(TSmafEvent& entry) {
  while (next_ < events_.size()) {
    const midifile::TMidiEvent& event = events_[next_++];
    // Most events of a song share their tick with the event before.
    if (event.DeltaTime != 0) running_ms_ += ms_(event.DeltaTime);
    if (!MakesEntry(event)) {
      // Note-offs, polyphonic pressure and system exclusive change nothing.
      if (event.Status >= 0xB0) TakeSetting(event);
      continue;
    }
    const uint8_t channel_number = event.Channel();
    const TSmafSettings& channel = channels_[channel_number];
    static_cast<TSmafSettings&>(entry) = channel;
    entry.drum = channel.drum || channel_number == 9 || channel_number == 15;
    entry.time = SaturateTime(running_ms_);
    entry.gate = event.Duration > 0 ? ms_(event.Duration) : 0;
    entry.status = event.Status;
    entry.byte1 = event.Data1;
    entry.byte2 = event.Data2;
    latest_end_ = std::max<int64_t>(latest_end_, static_cast<int64_t>(entry.time) + entry.gate);
    any_entry_ = true;
    return true;
  }
  if (!any_entry_ || marker_given_) return false;
  marker_given_ = true;
  entry = TSmafEvent{};  // program 0, volume 128, modulation 64, pan 0
  entry.time = SaturateTime(latest_end_);
  entry.status = kSilentStatus;
  return true;
}

void TCollector::TakeSetting(const midifile::TMidiEvent& event) {
  TSmafSettings& channel = channels_[event.Channel()];
  switch (event.Status & 0xF0) {
    case 0xB0:
      TakeControl(channel, event.Data1, event.Data2);
      break;
    case 0xC0:
      // Only programs 0 to 127 have a voice; a stray top bit is dropped.
      channel.program = event.Data1 & 0x7F;
      break;
    case 0xF0:
      if (event.Status != 0xFF) break;
      tags_.Add(event.Data1, event.DataBytes);
      break;
    default:
      break;
  }
}

}  // namespace chimekit::smaf
