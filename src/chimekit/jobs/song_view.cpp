#include "chimekit/jobs/song_view.h"

#include <algorithm>

#include "chimekit/editing/tags.h"
#include "chimekit/jobs/jobs.h"
#include "chimekit/ringtone/song_source.h"
#include "chimekit/jobs/json.h"
#include "chimekit/smaf/convert.h"
#include "midifile/midi_file.h"
#include "midifile/tempo_map.h"

namespace chimekit::jobs {
namespace {

void CollectNotes(const midifile::TMidiFile& file, SongView& song) {
  const midifile::TTempoMap map(file);
  song.tempo_events = map.TempoEvents();
  song.played_ms = map.PlayedMs();
  for (int32_t t = 0; t < file.NumberOfTracks(); ++t) {
    uint64_t tick = 0;
    for (const midifile::TMidiEvent& event : file.GetTrack(t).Events()) {
      tick = midifile::AddDelta(tick, event.DeltaTime);
      if ((event.Status & 0xF0) == 0xC0) {
        std::vector<uint8_t>& programs = song.programs[event.Channel()];
        if (std::find(programs.begin(), programs.end(), event.Data1) == programs.end()) programs.push_back(event.Data1);
      }
      if (!event.IsNoteOn() || event.Data2 == 0 || event.Duration <= 0) continue;
      song.notes.push_back({event.Channel(), event.Data1, event.Data2, map.Milliseconds(t, tick),
                            map.Milliseconds(t, midifile::AddDelta(tick, event.Duration))});
    }
  }
  std::stable_sort(song.notes.begin(), song.notes.end(),
                   [](const Note& a, const Note& b) { return a.start_ms < b.start_ms; });
}

}  // namespace

SongView ReadSong(const midifile::ByteString& bytes) {
  SongView song;
  midifile::TMidiFile file;
  if (bytes.starts_with("RIFF")) {
    // chimekit's reader does not unwrap a RIFF form: read it as the
    // ringtone job reads it, merged by Reshaper.
    chimekit::SongSource source = chimekit::PrepareSong(bytes, false);
    song.riff = true;
    song.merged_tracks = source.merged_tracks;
    file = std::move(source.file);
  } else {
    file.ReadBytes(bytes);
  }
  if (file.NumberOfTracks() == 0 || file.TicksPerQuarter() == 0) {
    // Nothing to convert: refused in the conversion's words, as the
    // ringtone job refuses it.
    chimekit::smaf::ConvertToSmaf(file);
  }
  song.format = static_cast<int32_t>(file.FileFormat());
  song.tracks = file.NumberOfTracks();
  song.division = file.TicksPerQuarter();
  if (song.merged_tracks > 0) {
    song.format = 1;
    song.tracks = static_cast<int32_t>(song.merged_tracks);
  }
  for (const chimekit::Tag& tag : chimekit::CollectTags(file)) song.tags.emplace_back(tag.type, std::string(tag.text));
  CollectNotes(file, song);
  return song;
}

std::string SongJson(const SongView& song) {
  std::string out = "{";
  AppendField(out, "riff", song.riff);
  AppendField(out, "mergedTracks", song.merged_tracks);
  AppendField(out, "format", song.format);
  AppendField(out, "tracks", song.tracks);
  AppendField(out, "division", song.division);
  AppendField(out, "tempoEvents", song.tempo_events);
  AppendField(out, "playedMs", song.played_ms);
  AppendKey(out, "tags");
  out += '[';
  for (const auto& [type, text] : song.tags) {
    if (out.back() != '[') out += ',';
    out += "{";
    AppendKey(out, "type");
    AppendJsonString(out, chimekit::TagTypeName(type));
    AppendKey(out, "bytes");
    AppendByteArray(out, text);
    out += '}';
  }
  out += ']';
  AppendKey(out, "programs");
  out += '[';
  for (size_t channel = 0; channel < song.programs.size(); ++channel) {
    if (channel > 0) out += ',';
    AppendNumbers(out, song.programs[channel]);
  }
  out += ']';
  // Five numbers a note: channel, key, velocity, start and end in ms.
  std::vector<uint64_t> notes;
  notes.reserve(song.notes.size() * 5);
  for (const Note& note : song.notes) notes.insert(notes.end(), {note.channel, note.key, note.velocity, note.start_ms, note.end_ms});
  AppendKey(out, "notes");
  AppendNumbers(out, notes);
  out += '}';
  return out;
}

JobResult RunSongView(midifile::ByteView song) {
  JobResult result;
  result.text = SongJson(ReadSong(midifile::ByteString(song)));
  return result;
}

}  // namespace chimekit::jobs
