#include "chimekit/smaf/collect.h"

#include <algorithm>
#include <array>
#include <limits>

#include "chimekit/smaf/recent_results.h"
#include "midifile/rounding.h"

namespace chimekit::smaf {
namespace {

constexpr int64_t kMaxTime = std::numeric_limits<int32_t>::max();

int32_t SaturateTime(int64_t ms) { return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, kMaxTime)); }

// MIDI volume 0-127 scaled to the SMAF range.
int32_t ScaleVolume(int32_t value) { return midifile::RoundEven(static_cast<double>(value) / 1.2); }

void AddTagText(midifile::ByteString& tag, const char* prefix, midifile::ByteView text) {
  if (tag.empty()) {
    tag = prefix;
  } else {
    tag += "; ";
  }
  tag += text;
  tag += ',';
}

TSmafEvent EndMarker(int32_t time) {
  TSmafEvent marker;
  marker.time = time;
  marker.status = kSilentStatus;
  return marker;  // program 0, volume 128, modulation 64, pan 0
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

TCollected CollectEvents(const midifile::TMidiTrack& track, int64_t tempo_product) {
  TCollected collected;
  std::array<TSmafSettings, 16> channels{};  // per MIDI channel, while the track is walked
  int64_t running = 0;
  int64_t latest_end = 0;
  collected.events.reserve(static_cast<size_t>(track.EventCount()) + 1);
  TRecentResults ms([tempo_product](int64_t ticks) { return TicksToMs(ticks, tempo_product); });

  for (const midifile::TMidiEvent& event : track.Events()) {
    const int64_t delta = ms(event.DeltaTime);
    const uint8_t channel = event.Channel();
    TSmafSettings& settings = channels[channel];
    const uint8_t kind = event.Status & 0xF0;
    const bool end_of_track = event.IsEndOfTrack();

    if (event.Status == 0xFF) collected.tags.Add(event.Data1, event.DataBytes);

    if (kind == 0xB0) {
      switch (event.Data1) {
        case 0:  // bank select: an odd bank is a drum part
          settings.drum = (event.Data2 & 1) != 0;
          break;
        case 1:
          settings.modulation = event.Data2;
          break;
        case 7:
          settings.volume = ScaleVolume(event.Data2);
          break;
        case 10:
          settings.pan = event.Data2;
          break;
        default:
          break;
      }
    } else if (kind == 0xC0) {
      // Only programs 0 to 127 have a voice; a stray top bit is dropped.
      settings.program = event.Data1 & 0x7F;
    }

    // A note-on of velocity 0 releases a note even when a later note-off
    // paired with it and gave it a length.
    const bool sounding_note = kind == 0x90 && event.Data2 > 0 && event.Duration > 0;
    if (sounding_note || kind == 0xD0 || kind == 0xE0) {
      TSmafEvent entry;
      entry.time = SaturateTime(running + delta);
      entry.gate = ms(std::max<int32_t>(event.Duration, 0));
      entry.status = event.Status;
      entry.byte1 = event.Data1;
      entry.byte2 = event.Data2;
      entry.drum = settings.drum || channel == 9 || channel == 15;
      entry.program = settings.program;
      entry.volume = ScaleVolume(settings.volume);
      entry.modulation = settings.modulation;
      entry.pan = settings.pan;
      latest_end = std::max<int64_t>(latest_end, static_cast<int64_t>(entry.time) + entry.gate);
      collected.events.push_back(entry);
    }

    running += delta;
    // The end-of-track event is the last one looked at.
    if (end_of_track) break;
  }

  if (!collected.events.empty()) collected.events.push_back(EndMarker(SaturateTime(latest_end)));
  return collected;
}

}  // namespace chimekit::smaf
