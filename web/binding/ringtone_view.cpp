#include "ringtone_view.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "chimekit/preview/fm_tables.h"
#include "chimekit/preview/render.h"
#include "chimekit/preview/score.h"
#include "chimekit/ringtone/ringtone.h"
#include "chimekit/smaf/inspect.h"
#include "chimekit/smaf/reader.h"
#include "json.h"
#include "midifile/errors.h"
#include "song_view.h"

namespace web {
namespace {

// A song note and the ringtone's note that plays it start within this many
// milliseconds of each other: each rounds to the 4 ms grid once (the song's
// note and the window's start), and the preview counts in samples.
constexpr double kMatchMs = 6.0;

// The notes of the song that start in the window, at times from its start,
// each marked kept when the ringtone plays a note of its key at its time.
std::vector<uint64_t> WindowNotes(const SongView& song, const chimekit::RingtoneJob& job) {
  const uint64_t start = job.cut ? job.window->start_ms : 0;
  const uint64_t end = job.cut ? start + job.window->length_ms : UINT64_MAX;
  // The ringtone's notes by key: start times in ms, each matched once.
  std::map<uint8_t, std::vector<std::pair<double, bool>>> played;
  const chimekit::preview::PreviewScore score = chimekit::preview::BuildScore(chimekit::smaf::ReadSmaf(job.smaf.bytes));
  for (const chimekit::preview::ScoreEvent& event : score.events) {
    if (event.action != chimekit::preview::ScoreAction::kNote) continue;
    const double ms = static_cast<double>(event.sample) * 1000.0 / chimekit::preview::kSampleRate;
    played[static_cast<uint8_t>(event.value)].emplace_back(ms, false);
  }
  std::vector<uint64_t> notes;
  for (const Note& note : song.notes) {
    if (note.start_ms < start || note.start_ms >= end) continue;
    const double at = static_cast<double>(note.start_ms - start);
    bool kept = false;
    for (auto& [time, used] : played[note.key]) {
      if (!used && std::fabs(time - at) <= kMatchMs) {
        used = kept = true;
        break;
      }
    }
    notes.insert(notes.end(), {note.channel, note.key, note.velocity, note.start_ms - start,
                               std::min(note.end_ms, end) - start, kept ? 1u : 0u});
  }
  return notes;
}

}  // namespace

chimekit::RingtoneOptions OptionsOf(const RingtoneRequest& request) {
  chimekit::RingtoneOptions options;
  options.window = chimekit::RingtoneWindow{request.start_ms, request.length_ms};
  options.note_limit = request.note_limit;
  options.volume_shift = request.volume_shift;
  return options;
}

RingtoneView MakeRingtoneView(const midifile::ByteString& input, const RingtoneRequest& request) {
  chimekit::RingtoneJob job = chimekit::MakeRingtone(input, OptionsOf(request));
  if (job.smaf.summary.notes_converted == 0) {
    throw midifile::ChimeError("no note: the ringtone would be silent, so nothing was made; choose another part of the song");
  }
  const SongView song = ReadSong(input);
  RingtoneView view;
  std::string& out = view.json;
  out += '{';
  AppendKey(out, "summary");
  AppendJsonString(out, chimekit::RingtoneReport(job));
  const chimekit::smaf::SmafInspection inspection = chimekit::smaf::InspectSmaf(job.smaf.bytes);
  std::string listing;
  for (const std::string& line : inspection.lines) listing += line + "\n";
  AppendKey(out, "listing");
  AppendJsonString(out, listing);
  AppendField(out, "listingOk", inspection.ok);
  AppendField(out, "cut", job.cut);
  AppendField(out, "notesConverted", job.smaf.summary.notes_converted);
  // Six numbers a note: channel, key, velocity, start and end in ms from
  // the window's start, 1 when the ringtone keeps it.
  AppendKey(out, "notes");
  AppendNumbers(out, WindowNotes(song, job));
  out += '}';
  view.smaf = std::move(job.smaf.bytes);
  view.song = std::move(job.song);
  return view;
}

PreviewSound RenderSound(midifile::ByteView smaf, uint32_t seconds, uint32_t channels) {
  const chimekit::preview::PreviewScore score = chimekit::preview::BuildScore(chimekit::smaf::ReadSmaf(smaf));
  chimekit::preview::PreviewOptions options;
  options.output_channels = channels == 1 ? 1 : 2;
  if (seconds > 0) options.length_ms = std::min(seconds, chimekit::preview::kMaxPreviewSeconds) * 1000;
  const uint64_t planned = chimekit::preview::PlannedFrames(score, options);
  PreviewSound sound;
  sound.channels = options.output_channels;
  sound.samples.resize(planned * sound.channels);
  float* const planes = sound.samples.data();
  uint64_t frame = 0;
  const chimekit::preview::PreviewRendered rendered =
      chimekit::preview::RenderPreview(score, options, [&](const int16_t* samples, size_t count) {
        const uint64_t frames = std::min<uint64_t>(count / sound.channels, planned - frame);
        for (uint32_t c = 0; c < sound.channels; ++c) {
          float* plane = planes + c * planned + frame;
          for (uint64_t i = 0; i < frames; ++i) plane[i] = static_cast<float>(samples[i * sound.channels + c]) / 32768.0f;
        }
        frame += frames;
      });
  sound.frames = std::min(rendered.frames, planned);
  // Close the gap between the planes when the render ended early.
  for (uint32_t c = 1; c < sound.channels; ++c) {
    std::copy_n(planes + c * planned, sound.frames, planes + c * sound.frames);
  }
  sound.samples.resize(sound.frames * sound.channels);
  return sound;
}

}  // namespace web
