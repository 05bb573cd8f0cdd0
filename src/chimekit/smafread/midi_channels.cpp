// Which MIDI channel each SMAF channel plays on, and the summary's words.
#include <bitset>

#include "chimekit/smafread/midi.h"

namespace chimekit::smafread {
namespace {

constexpr uint8_t kNoChannel = 0xFF;
constexpr uint8_t kDrumChannel = 9;

bool Sounds(EventKind kind) {
  return kind != EventKind::kNop && kind != EventKind::kEnd && kind != EventKind::kExclusive &&
         kind != EventKind::kOctaveSetting && kind != EventKind::kWave;
}

uint8_t OwnNumber(const ScoreTrack& track, size_t channel) {
  if (track.format != SequenceFormat::kHandyphone) return static_cast<uint8_t>(channel);
  const uint32_t number = track.number >= 1 && track.number <= 4 ? track.number : 1;
  return static_cast<uint8_t>(4 * (number - 1) + channel);
}

}  // namespace

bool IsReadable(const ScoreTrack& track) {
  return track.format == SequenceFormat::kHandyphone || track.format == SequenceFormat::kMobile ||
         track.format == SequenceFormat::kMobileCompressed;
}

std::array<uint8_t, 16> ChannelMapper::Map(const ScoreTrack& track) {
  std::array<uint8_t, 16> channels;
  channels.fill(kNoChannel);
  std::bitset<16> used;
  for (const ScoreEvent& event : track.events) {
    if (Sounds(event.kind)) used[event.channel & 0x0F] = true;
  }
  for (size_t channel = 0; channel < track.channel_count; ++channel) {
    if (!used[channel]) continue;
    if (track.channels[channel].type == ChannelType::kRhythm) {
      channels[channel] = kDrumChannel;
      continue;
    }
    const uint8_t own = OwnNumber(track, channel);
    uint8_t chosen = own;
    if (own == kDrumChannel || ((taken_ >> own) & 1) != 0) {
      chosen = own == kDrumChannel ? 15 : own;  // shared when every channel is taken
      for (uint8_t candidate = 0; candidate < 16; ++candidate) {
        if (candidate != kDrumChannel && ((taken_ >> candidate) & 1) == 0) {
          chosen = candidate;
          break;
        }
      }
    }
    taken_ |= static_cast<uint16_t>(1u << chosen);
    channels[channel] = chosen;
  }
  return channels;
}

ChannelMap MapChannels(const SmafScore& score) {
  ChannelMap map;
  ChannelMapper mapper;
  for (const ScoreTrack& track : score.score_tracks) {
    if (IsReadable(track)) map.push_back(mapper.Map(track));
  }
  return map;
}

std::string MidiSummary::Text() const {
  std::string text = "score tracks: " + std::to_string(score_tracks);
  if (!formats.empty()) {
    text += " (";
    for (size_t i = 0; i < formats.size(); ++i) text += (i == 0 ? "" : ", ") + formats[i];
    text += ")";
  }
  return text + ", notes: " + std::to_string(notes) + ", audio tracks: " + std::to_string(audio_tracks);
}

std::string NoNoteText(const SmafScore& score, const MidiSummary& summary) {
  const auto count = [](size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  const size_t audio = score.audio_tracks.size();
  const std::string recorded =
      audio == 0 ? std::string() : count(audio, "audio track", "audio tracks") + " (recorded sound, which MIDI cannot hold)";
  if (score.score_tracks.empty()) return audio == 0 ? "no score track" : "no score track, only " + recorded;
  if (summary.score_tracks == 0) {
    return count(score.score_tracks.size(), "score track", "score tracks") + " of a sequence format not read" +
           (audio == 0 ? "" : ", and " + recorded);
  }
  if (summary.score_tracks == 1) return "its score track holds no note";
  return "its " + std::to_string(summary.score_tracks) + " score tracks hold no note";
}

}  // namespace chimekit::smafread
