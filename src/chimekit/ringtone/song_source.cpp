#include "chimekit/ringtone/song_source.h"

#include <new>
#include <optional>
#include <span>
#include <vector>

#include "chimekit/smaf/smaf_text.h"
#include "midifile/file_io.h"
#include "reshaper/convert_midi.h"

namespace chimekit {
namespace {

// Reshaper's format 0 form of a format 1 file; no value for any other file.
std::optional<std::vector<uint8_t>> Merge(midifile::ByteView bytes, reshaper::ConversionResult& result) {
  std::vector<uint8_t> merged;
  result = reshaper::convertBytes(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), merged);
  if (result.status == reshaper::kOutOfMemory) throw std::bad_alloc();
  if (result.status != reshaper::kConverted) return std::nullopt;
  return merged;
}

}  // namespace

SongSource PrepareSong(midifile::ByteString bytes, bool first_track_only) {
  SongSource song;
  // chimekit's reader does not unwrap a RIFF form; Reshaper does.
  const bool riff = bytes.starts_with("RIFF");
  bool merge = riff && !first_track_only;
  if (!riff) {
    // A file chimekit's reader refuses is refused here too, merged or not.
    song.file.ReadBytes(bytes);
    const bool several = song.file.FileFormat() == midifile::TFileFormat::multi_synch && song.file.NumberOfTracks() > 1;
    merge = several && !first_track_only;
    song.unmerged_tracks = several && first_track_only;
  }
  reshaper::ConversionResult result;
  std::optional<std::vector<uint8_t>> merged = merge ? Merge(bytes, result) : std::nullopt;
  if (!merged) {
    // As it is: a format 0 or 2 file, one track, the first track asked
    // for, or a RIFF form that holds no format 1 file.
    song.bytes = std::move(bytes);
    if (riff) song.file.ReadBytes(song.bytes);
    return song;
  }
  song.bytes.assign(merged->begin(), merged->end());
  song.merged_tracks = result.tracksMerged;
  song.merged_events = result.eventsWritten;
  song.file = midifile::TMidiFile();
  song.file.ReadBytes(song.bytes);
  return song;
}

std::string MergeText(uint32_t merged_tracks, uint32_t merged_events) {
  return "format 1, " + smaf::Count(merged_tracks, "track", "tracks") + " merged into one of " +
         smaf::Count(merged_events, "event", "events");
}

}  // namespace chimekit
