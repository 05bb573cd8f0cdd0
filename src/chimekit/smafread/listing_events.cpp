// The listing's inner part: voices, waves and sequence events in words.
// Handyphone events keep the shape of their bytes ("note octave 1 note 12
// (base+24 = key 60)", "expression 47 (short 6)"); Mobile Standard events
// read as MIDI messages do.
#include <cstdio>
#include <optional>

#include "chimekit/smaf/smaf_format.h"
#include "chimekit/smaf/smaf_text.h"
#include "chimekit/smafread/listing_parts.h"
#include "chimekit/smafread/read.h"

namespace chimekit::smafread::listing {
namespace {

using smaf::Count;
using smaf::Hex;
using smaf::HexBytes;

constexpr size_t kShownExclusiveBytes = 16;

std::string FmText(const FmVoice& fm) {
  return "FM, algorithm " + std::to_string(fm.algorithm) + ", " + std::to_string(fm.operator_count) + " operators";
}

std::string VoiceText(midifile::ByteView file, const Voice& voice) {
  const midifile::ByteView body = BytesOf(file, voice.body);
  switch (voice.form) {
    case VoiceForm::kHandyphone:
      return "voice " + std::to_string(voice.ordinal) + ": program " + std::to_string(voice.program) + ", bank " +
             std::to_string(voice.bank_lsb) + ", " + std::to_string(body.size()) + " parameter bytes " + HexBytes(body) +
             (voice.kind == VoiceKind::kFm ? "" : " (not read)");
    case VoiceForm::kOther: {
      const midifile::ByteView shown = body.substr(0, kShownExclusiveBytes);
      return "exclusive message of " + Count(body.size(), "byte", "bytes") + ": " + HexBytes(shown) +
             (shown.size() < body.size() ? " ..." : "");
    }
    default:
      break;
  }
  std::string text = "voice: bank " + std::to_string(voice.bank_msb) + "/" + std::to_string(voice.bank_lsb) +
                     ", program " + std::to_string(voice.program);
  if (voice.drum_key != 0) text += ", drum key " + std::to_string(voice.drum_key);
  if (voice.kind == VoiceKind::kFm) return text + ", " + FmText(voice.fm);
  if (voice.kind == VoiceKind::kPcm) {
    const PcmVoice& pcm = voice.pcm;
    text += ", PCM: wave " + std::to_string(pcm.wave) + ", " + std::to_string(pcm.rate_hz) + " Hz, end " +
            std::to_string(pcm.end_point);
    if (pcm.loop) text += ", loop from " + std::to_string(pcm.loop_point);
    return text;
  }
  return text + ", voice type " + std::to_string(voice.type_code) + " (not read)";
}

std::string ControlName(uint32_t controller) {
  switch (controller) {
    case 0: return "bank select";
    case 1: return "modulation";
    case 6: return "data entry";
    case 7: return "volume";
    case 10: return "pan";
    case 11: return "expression";
    case 32: return "bank select LSB";
    case 38: return "data entry LSB";
    case 64: return "hold";
    case 100: return "RPN LSB";
    case 101: return "RPN MSB";
    case 120: return "all sound off";
    case 121: return "reset all controllers";
    case 123: return "all notes off";
    case 126: return "mono";
    case 127: return "poly";
    default: return "control " + std::to_string(controller);
  }
}

std::string OctaveText(uint32_t value) {
  const std::optional<int32_t> base = smaf::OctaveSettingBase(value);
  if (!base) return "octave setting " + Hex(value);
  const uint32_t octaves = value & 0x7F;
  const std::string setting = octaves == 0 ? std::string("original")
                              : (value & 0x80) != 0 ? "down " + std::to_string(octaves)
                                                    : "up " + std::to_string(octaves);
  return "octave setting " + setting + " (base " + std::to_string(*base) + ")";
}

std::string ExclusiveText(const std::string& bytes, const std::vector<ByteRange>& ranges, uint32_t index) {
  if (index >= ranges.size()) return "exclusive message";
  const midifile::ByteView message = BytesOf(bytes, ranges[index]);
  const midifile::ByteView shown = message.substr(0, kShownExclusiveBytes);
  return "exclusive message of " + Count(message.size(), "byte", "bytes") + ": " + HexBytes(shown) +
         (shown.size() < message.size() ? " ..." : "");
}

// A Handyphone or audio control: its name and value, with the short forms
// named as such.
std::string HandyphoneControl(const ScoreEvent& event) {
  const bool short_form = ((event.code >> 4) & 0x03) != 3;
  const std::string short_text = short_form ? " (short " + std::to_string(event.code & 0x0F) + ")" : "";
  switch (event.kind) {
    case EventKind::kProgram: return "program change " + std::to_string(event.data);
    case EventKind::kOctaveSetting: return OctaveText(event.data);
    case EventKind::kPitchBend: return "pitch bend " + std::to_string(event.data >> 7) + short_text;
    case EventKind::kControl: return ControlName(event.key) + " " + std::to_string(event.data) + short_text;
    default: return "event";
  }
}

std::string MobileText(const ScoreEvent& event) {
  switch (event.kind) {
    case EventKind::kNote:
      return "note " + std::to_string(event.key) + " velocity " + std::to_string(event.velocity) + " gate " +
             std::to_string(event.data);
    case EventKind::kProgram: return "program change " + std::to_string(event.data);
    case EventKind::kControl:
      return ControlName(event.key) + (event.key == 0 ? " MSB " : " ") + std::to_string(event.data);
    case EventKind::kPitchBend: return "pitch bend " + std::to_string(event.data);
    case EventKind::kChannelPressure: return "channel pressure " + std::to_string(event.data);
    case EventKind::kKeyPressure:
      return "key pressure " + std::to_string(event.key) + " " + std::to_string(event.data);
    default: return "event";
  }
}

std::string HandyphoneNote(const ScoreEvent& event) {
  const uint32_t octave = (event.code >> 4) & 0x03;
  const uint32_t note = event.code & 0x0F;
  const uint32_t above = 12 * octave + note;
  return "note octave " + std::to_string(octave) + " note " + std::to_string(note) + " (base+" +
         std::to_string(above) + " = key " + std::to_string(event.key) + ") gate " + std::to_string(event.data);
}

}  // namespace

std::string WaveText(const Wave& wave) {
  std::string text = wave.format == WaveFormat::kAdpcm ? "ADPCM"
                     : wave.format == WaveFormat::kPcm ? "PCM"
                                                       : "format " + std::to_string(wave.format_code) + " (not read)";
  text += wave.channels == 2 ? ", stereo" : ", mono";
  if (wave.bits != 0) text += ", " + std::to_string(wave.bits) + " bits";
  text += wave.rate_hz != 0 ? ", " + std::to_string(wave.rate_hz) + " Hz" : ", rate unknown";
  if (const uint64_t samples = SampleCount(wave); samples != 0) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(samples) / wave.rate_hz);
    text += ", " + std::to_string(samples) + " samples (" + seconds + " s)";
  }
  return text;
}

}  // namespace chimekit::smafread::listing

namespace chimekit::smafread {

uint64_t SampleCount(const Wave& wave) {
  if (wave.bits == 0 || wave.rate_hz == 0 || wave.format == WaveFormat::kOther) return 0;
  return uint64_t{wave.data.size} * 8 / wave.bits / wave.channels;
}

}  // namespace chimekit::smafread

namespace chimekit::smafread::listing {

void ListVoices(midifile::ByteView file, const std::vector<Voice>& voices, uint8_t depth, LineLog& log) {
  for (const Voice& voice : voices) log.Line(voice.at, depth, VoiceText(file, voice));
}

namespace {

// A line per event of a sequence but its end: the duration, then a
// no-operation, an exclusive message, or what `channel_text` makes of a
// channel's event after "ch1 " (counting the notes), at the offset
// `offset_of` gives.
template <class Track, class ChannelText, class OffsetOf>
SequenceCounts ListEvents(const Track& track, uint8_t depth, LineLog& log, ChannelText channel_text,
                          OffsetOf offset_of) {
  SequenceCounts counts;
  for (const ScoreEvent& event : track.events) {
    counts.units += event.units;
    if (event.kind == EventKind::kEnd) continue;
    ++counts.events;
    std::string text = "+" + std::to_string(event.units) + " ";
    if (event.kind == EventKind::kNop) {
      text += "nop";
    } else if (event.kind == EventKind::kExclusive) {
      text += ExclusiveText(track.exclusive_bytes, track.exclusives, event.data);
    } else {
      text += "ch" + std::to_string(event.channel) + " " + channel_text(event, counts);
    }
    log.Line(offset_of(event), depth, text);
  }
  return counts;
}

}  // namespace

SequenceCounts ListScoreEvents(const ScoreTrack& track, const ChunkFact& chunk, uint8_t depth, LineLog& log) {
  const bool handyphone = track.format == SequenceFormat::kHandyphone;
  const bool compressed = track.format == SequenceFormat::kMobileCompressed;
  return ListEvents(
      track, depth, log,
      [&](const ScoreEvent& event, SequenceCounts& counts) {
        if (event.kind != EventKind::kNote) return handyphone ? HandyphoneControl(event) : MobileText(event);
        ++counts.notes;
        return handyphone ? HandyphoneNote(event) : MobileText(event);
      },
      [&](const ScoreEvent& event) { return compressed ? chunk.body.begin : event.at; });
}

SequenceCounts ListAudioEvents(const AudioTrack& track, uint8_t depth, LineLog& log) {
  return ListEvents(
      track, depth, log,
      [](const ScoreEvent& event, SequenceCounts& counts) {
        if (event.kind != EventKind::kWave) return HandyphoneControl(event);
        ++counts.notes;
        return "wave " + std::to_string(event.key) + " gate " + std::to_string(event.data) + " (" +
               std::to_string(event.gate_ms) + " ms)";
      },
      [](const ScoreEvent& event) { return event.at; });
}

}  // namespace chimekit::smafread::listing
