// The ringtone subcommand: the whole job of making a ringtone from a MIDI
// file people have. The tracks of a format 1 file are merged into one, the
// song is cut to its first seconds, the notes sounding at once on a channel
// may be limited, and the result is converted to SMAF.
#include "ringtone_command.h"

#include <array>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "chimekit/editing/event_data.h"
#include "chimekit/editing/rewrite.h"
#include "chimekit/editing/trim.h"
#include "chimekit/sp/sp_convert.h"
#include "command.h"
#include "smaf_command.h"
#include "song_input.h"
#include "sp_command.h"
#include "support.h"

namespace cli {
namespace {

constexpr int64_t kDefaultSeconds = 30;
// The longest cut whose milliseconds fit the trim's 32-bit range.
constexpr int64_t kMostSeconds = 0xFFFFFFFF / 1000;

// The last pass over the edited song, for the SMAF conversion:
// - the text (01), copyright (02) and name (03) events become the
//   ringtone's content information, but the cut and the note limit leave
//   them out or blank them; so those of the song's first track are put back
//   at the start, in their order, and any other event of those types is
//   left out;
// - the cut ends the notes still sounding with All Notes Off, which the
//   conversion does not take for an end: a note without a note-off would be
//   left out of the ringtone, so each gets its note-off there.
class RingtoneFinish {
 public:
  explicit RingtoneFinish(const midifile::TMidiFile& song) {
    if (song.NumberOfTracks() == 0) return;
    const midifile::TMidiTrack& first = song.GetTrack(0);
    for (const midifile::TMidiEvent& event : first.Events()) {
      if (IsContentTag(event.Status, event.Data1)) tags_.emplace_back(event.Data1, chimekit::EventData(first, event));
      if (event.IsEndOfTrack()) break;
    }
  }

  midifile::ByteString Apply(const chimekit::LoadedInput& edited) {
    return chimekit::RewriteFile(edited, [&](const midifile::TMidiTrack& track, int32_t index, chimekit::TrackOutput& out) {
      if (index == 0) {
        for (const auto& [type, text] : tags_) out.TextEvent(0, type, text);
      }
      sounding_ = {};
      chimekit::WalkTrack(track, out, *this);
    });
  }

  bool operator()(chimekit::WalkEvent& event, chimekit::TrackOutput& out) {
    if (IsContentTag(event.status, event.data1)) return false;
    const uint8_t kind = event.Kind();
    std::array<bool, 128>& keys = sounding_[event.Channel()];
    if (kind == 0x90 || kind == 0x80) keys[event.data1 & 0x7F] = kind == 0x90 && event.data2 != 0;
    if (event.IsControl(123)) {
      for (uint8_t key = 0; key < 128; ++key) {
        if (!keys[key]) continue;
        out.ChannelEvent(event.delta, static_cast<uint8_t>(0x80 | event.Channel()), key, 0);
        event.delta = 0;
        keys[key] = false;
      }
    }
    return true;
  }

 private:
  static bool IsContentTag(uint8_t status, uint8_t type) { return status == 0xFF && type >= 0x01 && type <= 0x03; }

  std::vector<std::pair<uint8_t, midifile::ByteView>> tags_;
  std::array<std::array<bool, 128>, 16> sounding_{};
};

}  // namespace

int RunRingtone(const std::vector<std::string>& arguments) {
  ParsedArguments parsed = Parse(arguments, {"--allow-empty"}, {"--length", "--limit"});
  ExpectPositional(parsed, 2, 2);
  int64_t seconds = kDefaultSeconds;
  if (const std::string* value = parsed.Value("--length")) seconds = ParseInteger(*value, 1, kMostSeconds, "--length");
  std::optional<uint8_t> limit;
  if (const std::string* value = parsed.Value("--limit")) {
    limit = static_cast<uint8_t>(ParseInteger(*value, 0, 255, "--limit"));
  }
  const std::string& output = parsed.positional[1];
  std::FILE* report = output == "-" ? stderr : stdout;

  const Song song = ReadSong(parsed.positional[0], false);
  if (song.merged_tracks > 0) std::fprintf(report, "merged: %s\n", MergeText(song).c_str());

  // The song after the cut and the limit, when either changed it.
  std::optional<midifile::ByteString> edited;
  const int32_t length_ms = song.file.SongLengthMs();
  const uint32_t cut_ms = static_cast<uint32_t>(seconds * 1000);
  if (length_ms > 0 && static_cast<uint32_t>(length_ms) > cut_ms) {
    edited = chimekit::TrimSong(chimekit::ParseForRewrite(song.bytes), chimekit::TrimRange{0, cut_ms, true});
    std::fprintf(report, "cut: the first %u ms of %d ms\n", static_cast<unsigned>(cut_ms), length_ms);
  } else {
    std::fprintf(report, "cut: none, the song is %d ms long\n", length_ms);
  }
  if (limit) {
    const chimekit::ChannelMap identity = *chimekit::CompleteChannelOrder(nullptr, true).map;
    chimekit::SpConversion sp =
        chimekit::ConvertToSp(chimekit::ParseForRewrite(edited ? *edited : song.bytes), identity, *limit);
    edited = std::move(sp.bytes);
    std::fprintf(report, "note limit: %u, note-ons dropped: %s\n", unsigned{chimekit::EffectiveNoteLimit(*limit)},
                 DroppedText(sp.dropped).c_str());
  }
  if (!edited) return WriteRingtone(song.file, output, parsed.Has("--allow-empty"), "", report);
  midifile::TMidiFile ringtone_song;
  ringtone_song.ReadBytes(RingtoneFinish(song.file).Apply(chimekit::ParseForRewrite(*edited)));
  return WriteRingtone(ringtone_song, output, parsed.Has("--allow-empty"), "", report);
}

}  // namespace cli
