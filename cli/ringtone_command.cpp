// The ringtone subcommand: the whole job of making a ringtone from a MIDI
// file people have. The tracks of a format 1 file are merged into one, the
// song is cut to its first seconds, the notes sounding at once on a channel
// may be limited, and the result is converted to SMAF.
#include "ringtone_command.h"

#include <cstdio>
#include <optional>

#include "chimekit/sp/ringtone_song.h"
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
  const uint32_t cut_ms = static_cast<uint32_t>(seconds * 1000);
  const std::string& output = parsed.positional[1];
  std::FILE* report = output == "-" ? stderr : stdout;

  const Song song = ReadSong(parsed.positional[0], false);
  if (song.merged_tracks > 0) std::fprintf(report, "merged: %s\n", MergeText(song).c_str());
  const chimekit::RingtoneSong ready =
      chimekit::PrepareRingtoneSong(chimekit::ParseForRewrite(song.bytes), {cut_ms, limit});
  if (ready.cut) {
    std::fprintf(report, "cut: the first %u ms of %d ms\n", static_cast<unsigned>(cut_ms), ready.song_ms);
  } else {
    std::fprintf(report, "cut: none, the song is %d ms long\n", ready.song_ms);
  }
  if (limit) {
    std::fprintf(report, "note limit: %u, note-ons dropped: %s\n", unsigned{chimekit::EffectiveNoteLimit(*limit)},
                 DroppedText(ready.dropped).c_str());
  }
  if (!ready.bytes) return WriteRingtone(song.file, output, parsed.Has("--allow-empty"), "", report);
  midifile::TMidiFile changed;
  changed.ReadBytes(*ready.bytes);
  return WriteRingtone(changed, output, parsed.Has("--allow-empty"), "", report);
}

}  // namespace cli
