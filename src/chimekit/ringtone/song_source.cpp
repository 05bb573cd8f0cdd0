#include "chimekit/ringtone/song_source.h"

#include <new>
#include <optional>
#include <span>
#include <vector>

#include "chimekit/smaf/smaf_text.h"
#include "midifile/errors.h"
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
    // A file chimekit's reader refuses is refused here too, merged or not;
    // its chunks tell that, and whether it is a format 1 file of several
    // tracks, before any event is read.
    const midifile::TFileOutline outline = midifile::OutlineFile(bytes);
    if (!outline.complete) throw midifile::InOutError::ReadBeyondEnd();
    const bool several = outline.format == midifile::TFileFormat::multi_synch && outline.tracks > 1;
    merge = several && !first_track_only;
    song.unmerged_tracks = several && first_track_only;
  }
  reshaper::ConversionResult result;
  std::optional<std::vector<uint8_t>> merged = merge ? Merge(bytes, result) : std::nullopt;
  if (merged) {
    bytes.assign(merged->begin(), merged->end());
    merged.reset();
    song.merged_tracks = result.tracksMerged;
    song.merged_events = result.eventsWritten;
  }
  // As it is (a format 0 or 2 file, one track, the first track asked for, a
  // RIFF form that holds no format 1 file) or merged: read once.
  song.file.ReadOwnedBytes(std::move(bytes));
  return song;
}

std::string MergeText(uint32_t merged_tracks, uint32_t merged_events) {
  return "format 1, " + smaf::Count(merged_tracks, "track", "tracks") + " merged into one of " +
         smaf::Count(merged_events, "event", "events");
}

}  // namespace chimekit
