// The SMAF reading jobs: what a SMAF file holds (the listing's essentials,
// the listing, the notes for a roll), and its MIDI form as `chimekit midi`
// writes it.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "chimekit/jobs/jobs.h"
#include "chimekit/jobs/json.h"
#include "chimekit/smafread/listing.h"
#include "chimekit/smafread/midi.h"
#include "chimekit/smafread/read.h"
#include "midifile/errors.h"

namespace chimekit::jobs {
namespace {

using smafread::SmafScore;

// The reader's own words for a file that is no SMAF file.
void RequireSmaf(const SmafScore& score) {
  if (!score.is_smaf) {
    throw midifile::ChimeError(score.problems.empty() ? "not a SMAF file" : score.problems.front().text);
  }
}

const char* WaveFormatName(smafread::WaveFormat format) {
  switch (format) {
    case smafread::WaveFormat::kAdpcm: return "ADPCM";
    case smafread::WaveFormat::kPcm: return "PCM";
    default: return "not read";
  }
}

// Milliseconds of a wave's samples at its rate; 0 when unknown.
uint64_t WaveMs(const smafread::Wave& wave) {
  return wave.rate_hz == 0 ? 0 : smafread::SampleCount(wave) * 1000 / wave.rate_hz;
}

void AppendWaves(std::string& out, const std::vector<smafread::Wave>& waves) {
  AppendKey(out, "waves");
  out += '[';
  for (const smafread::Wave& wave : waves) {
    if (out.back() != '[') out += ',';
    out += '{';
    AppendField(out, "number", wave.number);
    AppendKey(out, "format");
    AppendJsonString(out, WaveFormatName(wave.format));
    AppendField(out, "channels", wave.channels);
    AppendField(out, "bits", wave.bits);
    AppendField(out, "rateHz", wave.rate_hz);
    AppendField(out, "bytes", wave.data.size);
    AppendField(out, "ms", WaveMs(wave));
    out += '}';
  }
  out += ']';
}

void AppendScoreTracks(std::string& out, const SmafScore& score) {
  AppendKey(out, "scoreTracks");
  out += '[';
  for (const smafread::ScoreTrack& track : score.score_tracks) {
    if (out.back() != '[') out += ',';
    uint64_t notes = 0;
    for (const smafread::ScoreEvent& event : track.events) notes += event.kind == smafread::EventKind::kNote;
    uint32_t fm = 0;
    uint32_t pcm = 0;
    for (const smafread::Voice& voice : track.voices) {
      fm += voice.kind == smafread::VoiceKind::kFm;
      pcm += voice.kind == smafread::VoiceKind::kPcm;
    }
    out += '{';
    AppendField(out, "number", track.number);
    AppendKey(out, "format");
    AppendJsonString(out, smafread::FormatName(track.format, track.format_code));
    AppendField(out, "timebaseMs", track.duration_ms);
    AppendField(out, "channels", track.channel_count);
    AppendField(out, "fmVoices", fm);
    AppendField(out, "pcmVoices", pcm);
    AppendField(out, "notes", notes);
    AppendField(out, "endMs", track.end_ms);
    AppendWaves(out, track.waves);
    out += '}';
  }
  out += ']';
}

void AppendAudioTracks(std::string& out, const SmafScore& score) {
  AppendKey(out, "audioTracks");
  out += '[';
  for (const smafread::AudioTrack& track : score.audio_tracks) {
    if (out.back() != '[') out += ',';
    out += '{';
    AppendField(out, "number", track.number);
    AppendKey(out, "format");
    AppendJsonString(out, WaveFormatName(track.format));
    AppendField(out, "channels", track.channels);
    AppendField(out, "rateHz", track.rate_hz);
    AppendField(out, "endMs", track.end_ms);
    AppendWaves(out, track.waves);
    out += '}';
  }
  out += ']';
}

// Five numbers a note, as the song view gives them: the MIDI channel of
// `chimekit midi` (0 to 15), key, velocity, start and end in ms.
void AppendNotes(std::string& out, const SmafScore& score) {
  const smafread::ChannelMap channels = smafread::MapChannels(score);
  std::vector<uint64_t> numbers;
  numbers.reserve(static_cast<size_t>(5 * smafread::SummariseMidi(score).notes));
  size_t readable = 0;
  for (const smafread::ScoreTrack& track : score.score_tracks) {
    if (!smafread::IsReadable(track)) continue;
    const std::array<uint8_t, 16>& map = channels[readable++];
    for (const smafread::ScoreEvent& event : track.events) {
      if (event.kind != smafread::EventKind::kNote) continue;
      numbers.insert(numbers.end(), {map[event.channel & 0x0F], event.key, event.velocity, event.time_ms,
                                     event.time_ms + event.gate_ms});
    }
  }
  AppendKey(out, "notes");
  AppendNumbers(out, numbers);
}

void AppendText(std::string& out, const char* name, midifile::ByteView file, const SmafScore& score, char first,
                char second) {
  AppendKey(out, name);
  AppendByteArray(out, smafread::TagText(file, score, first, second));
}

void AppendMidiSummary(std::string& out, const SmafScore& score, const smafread::MidiSummary& midi) {
  AppendKey(out, "summary");
  AppendJsonString(out, midi.Text());
  AppendField(out, "notes", midi.notes);
  AppendKey(out, "noNote");
  AppendJsonString(out, midi.notes == 0 ? smafread::NoNoteText(score, midi) : std::string());
}

}  // namespace

JobResult RunSmafListing(midifile::ByteView smaf, const SmafRequest& request) {
  const SmafScore score = smafread::ReadSmafScore(smaf);
  RequireSmaf(score);
  uint64_t end_ms = 0;
  for (const smafread::ScoreTrack& track : score.score_tracks) end_ms = std::max(end_ms, track.end_ms);
  for (const smafread::AudioTrack& track : score.audio_tracks) end_ms = std::max(end_ms, track.end_ms);

  std::string out = "{";
  AppendField(out, "ok", score.problems.empty());
  AppendKey(out, "problems");
  out += '[';
  for (const smafread::Problem* problem : smafread::InFileOrder(score.problems)) {
    if (out.back() != '[') out += ',';
    AppendJsonString(out, smafread::ProblemText(*problem));
  }
  out += ']';
  AppendField(out, "fileSize", score.file_size);
  AppendKey(out, "crc");
  AppendJsonString(out, score.crc_absent ? "none"
                        : !score.has_crc ? "unknown"
                        : score.stored_crc == score.computed_crc ? "matches" : "differs");
  AppendText(out, "title", smaf, score, 'S', 'T');
  AppendText(out, "artist", smaf, score, 'A', 'N');
  AppendText(out, "copyright", smaf, score, 'C', 'R');
  AppendField(out, "lengthMs", end_ms);
  AppendScoreTracks(out, score);
  AppendAudioTracks(out, score);
  AppendKey(out, "midi");
  out += '{';
  AppendMidiSummary(out, score, smafread::SummariseMidi(score));
  out += '}';
  if (request.notes) AppendNotes(out, score);
  if (request.listing) {
    // The listing's lines cost more than the rest: made when asked for.
    const smafread::SmafListing listing = smafread::ListSmaf(smaf, score);
    std::string text;
    for (const std::string& line : listing.lines) text += line + "\n";
    AppendKey(out, "listing");
    AppendJsonString(out, text);
    AppendKey(out, "listingSummary");
    AppendJsonString(out, listing.summary);
  }
  out += '}';
  JobResult result;
  result.text = std::move(out);
  return result;
}

JobResult RunSmafToMidi(midifile::ByteView smaf) {
  SmafScore score;
  smafread::SmafMidi midi = smafread::ReadSmafToMidi(smaf, score);
  RequireSmaf(score);
  std::string out = "{";
  AppendMidiSummary(out, score, midi.summary);
  AppendField(out, "scoreTracks", midi.summary.score_tracks);
  AppendField(out, "audioTracks", midi.summary.audio_tracks);
  AppendField(out, "problems", score.problems.size());
  AppendKey(out, "firstProblem");
  AppendJsonString(out, score.problems.empty() ? std::string()
                                               : smafread::ProblemText(*smafread::InFileOrder(score.problems).front()));
  out += '}';
  JobResult result;
  result.text = std::move(out);
  result.bytes[0] = std::move(midi.bytes);
  return result;
}

}  // namespace chimekit::jobs
